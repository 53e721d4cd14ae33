// Process services on Qt: command line, program path and the application's title.
#pragma once

#include "platform/Process.h"

namespace quiret {

// Needs a QCoreApplication (or derived) to exist.
class QtProcessServices : public ProcessServices {
 public:
  std::vector<std::string> Arguments() override;
  std::string ProgramPath() override;
  void SetApplicationTitle(const std::string& title) override;
};

}  // namespace quiret
