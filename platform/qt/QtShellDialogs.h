// The common dialogs on Qt: open, save, print, printer setup, font and colour.
#pragma once

#include <QString>
#include <memory>

#include "platform/ShellDialogs.h"

class QPrinter;
class QWidget;

namespace quiret {

class QtShellDialogs : public ShellDialogs {
 public:
  explicit QtShellDialogs(QWidget* parent);
  ~QtShellDialogs() override;
  bool OpenFileNames(const std::string& filter, std::vector<std::string>& fileNames) override;
  bool SaveFileName(const std::string& filter, std::string& fileName, TSaveChoice* choice) override;
  std::unique_ptr<PrintPage> ExecPrintDialog() override;
  void ExecPrinterSetup() override;
  bool ExecFontDialog(TFontChoice& font) override;
  bool ExecColorDialog(TColor& color) override;
  bool AskLineNumber(int& line, int lineCount) override;

  // "caption|*.a;*.b|..." as Qt's name filters: "caption (*.a *.b)".
  static QStringList NameFilters(const std::string& filter);

 private:
  // One printer for the whole run, so the setup dialog's choices reach the print command.
  // Made on first use: making it loads the print system's plugin, a large part of start-up.
  QPrinter& Printer();

  QWidget* parent_;
  std::shared_ptr<QPrinter> printer_;
};

}  // namespace quiret
