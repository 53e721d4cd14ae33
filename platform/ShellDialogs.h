// The common dialogs the shell opens: open, save, print and printer setup.
#pragma once

#include <memory>
#include <string>

namespace quiret {

class PrintPage;

// Filters are written "caption|patterns|caption|patterns" (patterns separated by ";").
class ShellDialogs {
 public:
  virtual ~ShellDialogs() = default;
  // One existing file; false when cancelled.
  virtual bool OpenFileName(const std::string& filter, std::string& fileName) = 0;
  // Asks before overwriting an existing file; adds no extension; false when cancelled.
  virtual bool SaveFileName(const std::string& filter, std::string& fileName) = 0;
  // The print dialog; a page stream on the chosen printer, or nullptr when cancelled.
  virtual std::unique_ptr<PrintPage> ExecPrintDialog() = 0;
  virtual void ExecPrinterSetup() = 0;
};

}  // namespace quiret
