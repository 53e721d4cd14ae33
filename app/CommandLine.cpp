// The program's options: --help, --version, --encoding and "--"; anything else that looks
// like an option is refused before a window opens.
#include "app/CommandLine.h"

namespace quiret {

CommandLineCheck CheckCommandLine(const std::vector<std::string>& args, bool strict) {
  CommandLineCheck check;
  bool help = false, version = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") break;
    if (a == "-h" || a == "--help") {
      help = true;
    } else if (a == "--version") {
      version = true;
    } else if (a == "-e" || a == "--encoding") {
      ++i;  // its value may be anything
    } else if (a.rfind("--encoding=", 0) == 0 || a.size() < 2 || a[0] != '-') {
      continue;  // the encoding in one argument, "-" and paths
    } else if (strict && check.Option.empty()) {
      check.Option = a;
    }
  }
  if (help)
    check.Action = CommandLineAction::Help;
  else if (version)
    check.Action = CommandLineAction::Version;
  else if (!check.Option.empty())
    check.Action = CommandLineAction::Refuse;
  return check;
}

std::string UsageLine() {
  return "usage: quiret [--help] [--version] [--encoding=NAME | -e NAME] [--] [FILE ...]\n";
}

std::string HelpText() {
  return UsageLine() +
         "\n"
         "Quiret edits Shift-JIS (code page 932) text files, one per tab.\n"
         "Every regular file named opens in a tab of its own; what cannot be opened (a folder,\n"
         "a missing or unreadable file, a device) is named in one message. When Quiret already\n"
         "runs on this display, the files are opened in its window instead.\n"
         "\n"
         "  --encoding=NAME, -e NAME  open the files that follow in encoding NAME (CP932,\n"
         "                            UTF-8, UTF-16, UTF-16LE, UTF-16BE, EUC-JP, ISO-2022-JP)\n"
         "  --                        every argument after it is a file name\n"
         "  -h, --help                print this help and end\n"
         "  --version                 print the version and end\n"
         "\n"
         "The options of the Qt toolkit (-platform NAME, -style NAME, ...) are accepted too.\n";
}

std::string VersionText() { return std::string("quiret ") + kProgramVersion + "\n"; }

}  // namespace quiret
