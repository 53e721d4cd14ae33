// Process services on Qt: command line, program path and the application's title.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Process.h"

namespace quiret {

// Needs a QCoreApplication (or derived) to exist.
class QtProcessServices : public ProcessServices {
 public:
  QtProcessServices() = default;
  // The arguments after the program's name as the bytes the process got (argv once Qt has
  // taken its own options out): a file name that is not UTF-8 must still name its file.
  explicit QtProcessServices(std::vector<std::string> args) : args_(std::move(args)), given_(true) {}
  std::vector<std::string> Arguments() override;
  std::string ProgramPath() override;
  void SetApplicationTitle(const std::string& title) override;

 private:
  std::vector<std::string> args_;
  bool given_ = false;
};

}  // namespace quiret
