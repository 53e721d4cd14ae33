// The program's own options: what --help and --version print, and which arguments are
// options this program does not know.
#pragma once

#include <string>
#include <vector>

namespace quiret {

inline constexpr const char* kProgramVersion = "0.7.0";

enum class CommandLineAction {
  Run,      // open the window (and the files named)
  Help,     // print HelpText() and end
  Version,  // print VersionText() and end
  Refuse,   // an unknown option: print UsageLine() on standard error, end with status 2
};

struct CommandLineCheck {
  CommandLineAction Action = CommandLineAction::Run;
  std::string Option;  // the unknown option, for Refuse
};

// Looks at the arguments after the program path, up to "--" (a path after it may look like
// an option). --help and --version win over an unknown option anywhere. With `strict`
// false only --help and --version are looked for (the toolkit's options are still there).
CommandLineCheck CheckCommandLine(const std::vector<std::string>& args, bool strict = true);

std::string HelpText();
std::string VersionText();
std::string UsageLine();

}  // namespace quiret
