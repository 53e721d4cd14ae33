// The scenario language of the replay tool: directives that set up a document and a control,
// events that drive it, and the parser that reads them (see tests/replay/README.md).
#pragma once

#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "editor/LumoEdit.h"

namespace replay {

using quiret::TLumoEdit;

// The usage text --help prints.
extern const char kUsage[];

struct ScenarioError : std::runtime_error {
  ScenarioError(int line, const std::string& what) : std::runtime_error(what), line(line) {}
  int line;
};

enum class Ev {
  Key,
  KeyDown,
  KeyUp,
  Char,
  Ime,
  Click,
  Drag,
  Release,
  DblClick,
  Tick,
  Wheel,
  VScroll,
  HScroll,
  Paste,
  Undo,
  Redo,
  Resize,
  Find,
  Replace,
  ReplaceAll
};

struct Event {
  Ev kind = Ev::Undo;
  int line = 0;
  int a = 0, b = 0;  // key / code / count / x / width, then pos / y / height
  int mods = 0;      // SS_SHIFT, SS_CTRL, SS_ALT named on the line
  bool hasPoint = false;
  std::string bytes;
  // find and replace: the search text is `bytes`
  std::string change;
  bool back = false, matchCase = false, regex = false, confirm = false;
  int skip = 0, abortAt = 0;
};

struct SettingDef {
  const char* name;
  bool boolean;
  int min, max;
  void (*apply)(TLumoEdit&, int);  // null: applied after loading (WordWrap, Column)
};

struct Scenario {
  int firstLine = 0;
  bool empty = true;
  bool hasDocument = false;
  std::string document;
  int width = 600, height = 400;
  std::vector<std::pair<const SettingDef*, int>> settings;  // in the order written
  std::optional<bool> wordWrap;
  std::optional<int> column;
  std::optional<std::string> clipboard;
  std::vector<Event> events;
};

// Reads every scenario of a file; a fault in the text raises ScenarioError naming its line.
std::vector<Scenario> ParseScenarios(std::istream& in);

}  // namespace replay
