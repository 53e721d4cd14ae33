// Drives one editor control on the deterministic test platform from a scenario script and
// prints its final state as JSON, so editing behaviour can be checked without a desktop.
//
//   replay [FILE|-]      (standard input when no file is given; --help shows the format)
//
// Exit codes: 0 done, 1 the scenario could not be read, the control threw or its state
// broke its invariant after an event (the first such event is named), 2 a fault in the
// scenario text.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "tests/support/TestClipboard.h"
#include "tests/support/TestEditorWindow.h"

namespace {

using quiret::TLumoEdit;

const char kUsage[] =
    "usage: replay [FILE|-]\n"
    "\n"
    "A scenario is one item a line; '#' starts a comment, blank lines are skipped, a line\n"
    "'---' starts the next scenario (each gets a fresh control and prints one JSON line).\n"
    "\n"
    "Directives (before the first event):\n"
    "  hex HEX [*N]           document bytes, loaded as a file (repeated lines append; *N repeats)\n"
    "  size W H               client size (default 600 400)\n"
    "  setting NAME VALUE     WordWrap Column AutoWrap TabCount ReadOnly InsertMode AutoIndent\n"
    "                         UndoBuf HorzScrollBar VertScrollBar ShowLineNumber CurSetMode\n"
    "                         WantTabs ScrollStep LineSpace LineNoColumn LeftMargin TopMargin\n"
    "  clipboard HEX          text another program left on the clipboard\n"
    "Events:\n"
    "  key VK [shift] [ctrl] [alt]   down and up      keydown VK [mods]   keyup VK [mods]\n"
    "  char CODE [ctrl]              one typed byte   ime HEX             committed IME text\n"
    "  click X Y [shift] [ctrl]      left press       drag X Y            pointer move\n"
    "  release X Y [ctrl] [shift]    left release     dblclick [X Y]      double-click press\n"
    "  tick [N]                      timer ticks (only while the control runs its timer)\n"
    "  wheel DELTA [mods]   vscroll CODE [POS]   hscroll CODE [POS]   resize W H\n"
    "  paste HEX                     clipboard text from another program, then Ctrl+V\n"
    "  undo    redo\n"
    "  find [back] [case] [regex] HEX             select the next (previous) match\n"
    "  replace [case] [regex] HEX / HEX           replace the selected match, find the next\n"
    "  replaceall [case] [regex] [confirm] [skip N] [abort N] HEX / HEX\n"
    "                                  replace every match (confirm: each is shown first; skip N,\n"
    "                                  abort N: the host declines the Nth or stops at it)\n"
    "VK: a number or left right up down home end prior next back delete return tab insert\n"
    "escape space comma period shift ctrl convert, or one letter. keydown shift/ctrl\n"
    "holds the modifier until its keyup. CODE for scrolling: a number or lineup linedown pageup\n"
    "pagedown thumbposition thumbtrack top bottom endscroll lineleft lineright pageleft\n"
    "pageright left right. Numbers are decimal or 0x hex.\n";

struct ScenarioError : std::runtime_error {
  ScenarioError(int line, const std::string& what) : std::runtime_error(what), line(line) {}
  int line;
};

// The control's state broke its invariant after the event on `line`.
struct UnsoundState : std::runtime_error {
  UnsoundState(int line, const std::string& what) : std::runtime_error(what), line(line) {}
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

constexpr int kIntMax = 2147483647;

const SettingDef kSettings[] = {
    {"WordWrap", true, 0, 1, nullptr},
    {"Column", false, 0, kIntMax, nullptr},
    {"AutoWrap", true, 0, 1, [](TLumoEdit& e, int v) { e.AutoWrap = v; }},
    {"TabCount", false, 0, 255, [](TLumoEdit& e, int v) { e.SetTabCount(v); }},
    {"ReadOnly", true, 0, 1, [](TLumoEdit& e, int v) { e.ReadOnly = v; }},
    {"InsertMode", true, 0, 1, [](TLumoEdit& e, int v) { e.InsertMode = v; }},
    {"AutoIndent", true, 0, 1, [](TLumoEdit& e, int v) { e.AutoIndent = v; }},
    {"UndoBuf", false, 0, kIntMax, [](TLumoEdit& e, int v) { e.UndoBuf = v; }},
    {"HorzScrollBar", true, 0, 1, [](TLumoEdit& e, int v) { e.SetHorzScrollBar(v); }},
    {"VertScrollBar", true, 0, 1, [](TLumoEdit& e, int v) { e.SetVertScrollBar(v); }},
    {"ShowLineNumber", true, 0, 1, [](TLumoEdit& e, int v) { e.SetShowLineNumber(v); }},
    {"CurSetMode", true, 0, 1, [](TLumoEdit& e, int v) { e.SetCurSetMode(v); }},
    {"WantTabs", true, 0, 1, [](TLumoEdit& e, int v) { e.WantTabs = v; }},
    {"ScrollStep", false, 0, 255, [](TLumoEdit& e, int v) { e.ScrollStep = static_cast<std::uint8_t>(v); }},
    {"LineSpace", false, 0, kIntMax, [](TLumoEdit& e, int v) { e.SetLineSpace(v); }},
    {"LineNoColumn", false, 0, kIntMax, [](TLumoEdit& e, int v) { e.SetLineNoColumn(v); }},
    {"LeftMargin", false, 0, kIntMax, [](TLumoEdit& e, int v) { e.SetLeftMargin(v); }},
    {"TopMargin", false, 0, kIntMax, [](TLumoEdit& e, int v) { e.SetTopMargin(v); }},
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

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool ParseInt(const std::string& word, long long& out) {
  const char* s = word.c_str();
  bool negative = *s == '-';
  if (negative || *s == '+') ++s;
  int base = 10;
  if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s += 2;
  }
  if (*s == '\0') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(s, &end, base);
  if (*end != '\0' || errno != 0 || !std::isxdigit(static_cast<unsigned char>(*s)) || v > (1ULL << 32))
    return false;
  out = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
  return true;
}

int Int(const std::string& word, int line, long long min = -kIntMax, long long max = kIntMax) {
  long long v = 0;
  if (!ParseInt(word, v)) throw ScenarioError(line, "not a number: '" + word + "'");
  if (v < min || v > max)
    throw ScenarioError(line, word + " is outside " + std::to_string(min) + ".." + std::to_string(max));
  return static_cast<int>(v);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Hex digits with any spacing; an optional last word "*N" repeats the bytes N times.
std::string Hex(const std::vector<std::string>& words, size_t from, int line) {
  size_t end = words.size();
  long long repeat = 1;
  if (end > from && words[end - 1][0] == '*') {
    if (!ParseInt(words[end - 1].substr(1), repeat) || repeat < 0 || repeat > 10000000)
      throw ScenarioError(line, "bad repeat count '" + words[end - 1] + "'");
    --end;
  }
  std::string digits;
  for (size_t i = from; i < end; ++i) digits += words[i];
  if (digits.size() % 2 != 0) throw ScenarioError(line, "odd number of hex digits");
  std::string bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    int hi = HexDigit(digits[i]), lo = HexDigit(digits[i + 1]);
    if (hi < 0 || lo < 0) throw ScenarioError(line, "not hex: '" + digits.substr(i, 2) + "'");
    bytes += static_cast<char>(hi * 16 + lo);
  }
  std::string out;
  out.reserve(bytes.size() * static_cast<size_t>(repeat));
  for (long long i = 0; i < repeat; ++i) out += bytes;
  return out;
}

int VirtualKey(const std::string& word, int line) {
  static const std::pair<const char*, int> kNames[] = {
      {"back", quiret::VK_BACK},       {"tab", quiret::VK_TAB},         {"return", quiret::VK_RETURN},
      {"shift", quiret::VK_SHIFT},     {"ctrl", quiret::VK_CONTROL},    {"control", quiret::VK_CONTROL},
      {"convert", quiret::VK_CONVERT}, {"escape", quiret::VK_ESCAPE},   {"space", quiret::VK_SPACE},
      {"prior", quiret::VK_PRIOR},     {"next", quiret::VK_NEXT},       {"end", quiret::VK_END},
      {"home", quiret::VK_HOME},       {"left", quiret::VK_LEFT},       {"up", quiret::VK_UP},
      {"right", quiret::VK_RIGHT},     {"down", quiret::VK_DOWN},       {"insert", quiret::VK_INSERT},
      {"delete", quiret::VK_DELETE},   {"comma", quiret::VK_OEM_COMMA}, {"period", quiret::VK_OEM_PERIOD},
  };
  const std::string w = Lower(word);
  for (const auto& [name, vk] : kNames)
    if (w == name) return vk;
  if (w.size() == 1 && std::isalpha(static_cast<unsigned char>(w[0])))
    return std::toupper(static_cast<unsigned char>(w[0]));
  long long v = 0;
  if (ParseInt(word, v) && v >= 0 && v <= 255) return static_cast<int>(v);
  throw ScenarioError(line, "unknown key '" + word + "'");
}

int ScrollCode(const std::string& word, bool horizontal, int line) {
  static const std::pair<const char*, int> kCodes[] = {
      {"lineup", 0},     {"linedown", 1}, {"pageup", 2}, {"pagedown", 3},  {"thumbposition", 4},
      {"thumbtrack", 5}, {"top", 6},      {"bottom", 7}, {"endscroll", 8},
  };
  static const std::pair<const char*, int> kHorzCodes[] = {
      {"lineleft", 0}, {"lineright", 1}, {"pageleft", 2}, {"pageright", 3}, {"left", 6}, {"right", 7},
  };
  std::string w = Lower(word);
  if (w.rfind("sb_", 0) == 0) w = w.substr(3);
  for (const auto& [name, code] : kCodes)
    if (w == name) return code;
  if (horizontal)
    for (const auto& [name, code] : kHorzCodes)
      if (w == name) return code;
  long long v = 0;
  if (ParseInt(word, v) && v >= 0 && v <= 8) return static_cast<int>(v);
  throw ScenarioError(line, "unknown scroll code '" + word + "'");
}

// Modifier words from index `from` on.
int Modifiers(const std::vector<std::string>& words, size_t from, int line) {
  int mods = 0;
  for (size_t i = from; i < words.size(); ++i) {
    const std::string w = Lower(words[i]);
    if (w == "shift") {
      mods |= quiret::SS_SHIFT;
    } else if (w == "ctrl") {
      mods |= quiret::SS_CTRL;
    } else if (w == "alt") {
      mods |= quiret::SS_ALT;
    } else {
      throw ScenarioError(line, "unexpected word '" + words[i] + "'");
    }
  }
  return mods;
}

bool Bool(const std::string& word, int line) {
  const std::string w = Lower(word);
  if (w == "true") return true;
  if (w == "false") return false;
  throw ScenarioError(line, "not true or false: '" + word + "'");
}

// Checks the word count, the directive's own word included.
void NeedWords(const std::vector<std::string>& words, size_t min, size_t max, int line) {
  if (words.size() < min) throw ScenarioError(line, "too few arguments for '" + words[0] + "'");
  if (words.size() > max) throw ScenarioError(line, "too many arguments for '" + words[0] + "'");
}

Event ParseEvent(const std::vector<std::string>& w, int line) {
  const std::string& d = w[0];
  Event e;
  e.line = line;
  constexpr size_t kMany = 1000000;
  if (d == "key" || d == "keydown" || d == "keyup") {
    NeedWords(w, 2, 5, line);
    e.kind = d == "key" ? Ev::Key : d == "keydown" ? Ev::KeyDown : Ev::KeyUp;
    e.a = VirtualKey(w[1], line);
    e.mods = Modifiers(w, 2, line);
  } else if (d == "char") {
    NeedWords(w, 2, 3, line);
    e.kind = Ev::Char;
    e.a = Int(w[1], line, 0, 255);
    e.mods = Modifiers(w, 2, line);
  } else if (d == "ime" || d == "paste") {
    NeedWords(w, 2, kMany, line);
    e.kind = d == "ime" ? Ev::Ime : Ev::Paste;
    e.bytes = Hex(w, 1, line);
  } else if (d == "click" || d == "drag" || d == "release") {
    NeedWords(w, 3, d == "drag" ? 3 : 5, line);
    e.kind = d == "click" ? Ev::Click : d == "drag" ? Ev::Drag : Ev::Release;
    e.a = Int(w[1], line);
    e.b = Int(w[2], line);
    e.mods = Modifiers(w, 3, line);
  } else if (d == "dblclick") {
    if (w.size() != 1 && w.size() != 3) throw ScenarioError(line, "'dblclick' takes no arguments or X Y");
    e.kind = Ev::DblClick;
    e.hasPoint = w.size() == 3;
    if (e.hasPoint) {
      e.a = Int(w[1], line);
      e.b = Int(w[2], line);
    }
  } else if (d == "tick") {
    NeedWords(w, 1, 2, line);
    e.kind = Ev::Tick;
    e.a = w.size() == 2 ? Int(w[1], line, 0, 1000000) : 1;
  } else if (d == "wheel") {
    NeedWords(w, 2, 4, line);
    e.kind = Ev::Wheel;
    e.a = Int(w[1], line);
    e.mods = Modifiers(w, 2, line);
  } else if (d == "vscroll" || d == "hscroll") {
    NeedWords(w, 2, 3, line);
    e.kind = d == "vscroll" ? Ev::VScroll : Ev::HScroll;
    e.a = ScrollCode(w[1], d == "hscroll", line);
    e.b = w.size() == 3 ? Int(w[2], line) : 0;
  } else if (d == "undo" || d == "redo") {
    NeedWords(w, 1, 1, line);
    e.kind = d == "undo" ? Ev::Undo : Ev::Redo;
  } else if (d == "find" || d == "replace" || d == "replaceall") {
    e.kind = d == "find" ? Ev::Find : d == "replace" ? Ev::Replace : Ev::ReplaceAll;
    size_t i = 1;
    for (; i < w.size(); ++i) {
      if (w[i] == "back" && e.kind == Ev::Find)
        e.back = true;
      else if (w[i] == "case")
        e.matchCase = true;
      else if (w[i] == "regex")
        e.regex = true;
      else if (w[i] == "confirm" && e.kind == Ev::ReplaceAll)
        e.confirm = true;
      else if ((w[i] == "skip" || w[i] == "abort") && e.kind == Ev::ReplaceAll && i + 1 < w.size())
        (w[i] == "skip" ? e.skip : e.abortAt) = Int(w[i + 1], line, 1), ++i;
      else
        break;
    }
    std::vector<std::string> find{d}, change{d};
    bool second = false;
    for (; i < w.size(); ++i) {
      if (w[i] == "/")
        second = true;
      else
        (second ? change : find).push_back(w[i]);
    }
    if (second == (e.kind == Ev::Find))
      throw ScenarioError(line, "'" + d + "' takes HEX" + (second ? "" : " / HEX"));
    e.bytes = Hex(find, 1, line);
    e.change = Hex(change, 1, line);
  } else if (d == "resize") {
    NeedWords(w, 3, 3, line);
    e.kind = Ev::Resize;
    e.a = Int(w[1], line, 0);
    e.b = Int(w[2], line, 0);
  } else {
    throw ScenarioError(line, "unknown directive or event '" + d + "'");
  }
  return e;
}

// Applies one directive line to the scenario.
void ParseDirective(Scenario& s, const std::vector<std::string>& w, int line) {
  const std::string& d = w[0];
  if (!s.events.empty()) throw ScenarioError(line, "'" + d + "' must come before the first event");
  if (d == "hex") {
    s.hasDocument = true;
    s.document += Hex(w, 1, line);
  } else if (d == "size") {
    NeedWords(w, 3, 3, line);
    s.width = Int(w[1], line, 0);
    s.height = Int(w[2], line, 0);
  } else if (d == "clipboard") {
    s.clipboard = Hex(w, 1, line);
  } else if (d == "setting") {
    NeedWords(w, 3, 3, line);
    const SettingDef* def = nullptr;
    for (const SettingDef& sd : kSettings)
      if (Lower(sd.name) == Lower(w[1])) def = &sd;
    if (!def) throw ScenarioError(line, "unknown setting '" + w[1] + "'");
    const int v = def->boolean ? Bool(w[2], line) : Int(w[2], line, def->min, def->max);
    if (std::strcmp(def->name, "WordWrap") == 0) {
      s.wordWrap = v != 0;
    } else if (std::strcmp(def->name, "Column") == 0) {
      s.column = v;
    } else {
      s.settings.emplace_back(def, v);
    }
  }
}

std::vector<Scenario> Parse(std::istream& in) {
  std::vector<Scenario> out(1);
  std::string text;
  int line = 0;
  out.back().firstLine = 1;
  while (std::getline(in, text)) {
    ++line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.find_first_not_of(" \t") != std::string::npos) out.back().empty = false;
    if (const size_t hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::istringstream words(text);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (w.size() == 1 && w[0] == "---") {
      out.emplace_back().firstLine = line + 1;
      continue;
    }
    if (w[0] == "hex" || w[0] == "size" || w[0] == "clipboard" || w[0] == "setting") {
      ParseDirective(out.back(), w, line);
    } else {
      out.back().events.push_back(ParseEvent(w, line));
    }
  }
  // A separator followed only by blank lines starts no scenario.
  if (out.size() > 1 && out.back().empty) out.pop_back();
  return out;
}

std::string ToHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Loads bytes the way the shell opens a file, so the row rules of file reading apply.
void LoadAsFile(TLumoEdit& edit, const std::string& bytes) {
  std::string path = (std::filesystem::temp_directory_path() / "replay-XXXXXX").string();
  const int fd = mkstemp(path.data());
  if (fd < 0) throw std::runtime_error("cannot create a temporary file");
  struct Remove {
    std::string path;
    ~Remove() { std::remove(path.c_str()); }
  } remove{path};
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      close(fd);
      throw std::runtime_error("cannot write the temporary file");
    }
    done += static_cast<size_t>(n);
  }
  close(fd);
  auto rows = std::make_unique<quiret::TLumoStrings>();
  rows->LoadFromFile(path);
  edit.LoadRows(std::move(rows));
}

class Runner {
 public:
  explicit Runner(const Scenario& s) : s_(s) {}

  std::string Run() {
    win_.clientWidth = s_.width;
    win_.clientHeight = s_.height;
    if (s_.clipboard) clip_.PutFromOutside(*s_.clipboard);
    edit_ = std::make_unique<TLumoEdit>(win_, &clip_);
    TLumoEdit& ed = *edit_;
    // As in the program's tabs: the redo state is followed, so undone steps can be redone.
    ed.OnChangeRedoMode = [](TLumoEdit*, bool) {};
    quiret::TFont font;
    font.Name = "ＭＳ ゴシック";
    font.SetSize(12);
    ed.SetFont(font);
    for (const auto& [def, v] : s_.settings) def->apply(ed, v);
    // Loaded rows are whole lines; the wrap is applied to them after loading, as SetWordWrap does.
    ed.WordWrap = false;
    ed.ApplySettings();
    if (s_.hasDocument) LoadAsFile(ed, s_.document);
    if (s_.column) ed.SetColumn(*s_.column);
    ed.CaretCol = ed.CaretRow = 0;
    ed.ApplySettings();
    ed.SetWordWrap(s_.wordWrap.value_or(true));
    ed.MoveToTextStart();
    win_.SetFocus();
    for (const Event& e : s_.events) {
      Deliver(e);
      // The control's state must be sound after every event; the first fault ends the run.
      if (const std::string fault = ed.CheckInvariant(); !fault.empty()) throw UnsoundState(e.line, fault);
    }
    if (buttonDown_)
      std::fprintf(stderr, "replay: note: the scenario at line %d ends with the left button still pressed\n",
                   s_.firstLine);
    return State();
  }

 private:
  int Flags(int mods) const {
    return mods | (shiftHeld_ ? quiret::SS_SHIFT : 0) | (ctrlHeld_ ? quiret::SS_CTRL : 0);
  }

  // The live key state the control reads: held modifiers plus those named on the event.
  void Live(int mods) {
    win_.shiftDown = shiftHeld_ || (mods & quiret::SS_SHIFT);
    win_.ctrlDown = ctrlHeld_ || (mods & quiret::SS_CTRL);
  }

  void KeyDown(int vk, int mods) {
    if (vk == quiret::VK_SHIFT) shiftHeld_ = true;
    if (vk == quiret::VK_CONTROL) ctrlHeld_ = true;
    if (vk == quiret::VK_CONVERT) win_.convertKeyDown = true;
    Live(mods);
    edit_->WmKeyDown(vk, Flags(mods));
  }

  void KeyUp(int vk, int mods) {
    if (vk == quiret::VK_SHIFT) shiftHeld_ = false;
    if (vk == quiret::VK_CONTROL) ctrlHeld_ = false;
    if (vk == quiret::VK_CONVERT) win_.convertKeyDown = false;
    Live(mods);
    edit_->WmKeyUp(vk, Flags(mods));
  }

  void Deliver(const Event& e) {
    TLumoEdit& ed = *edit_;
    const int left = buttonDown_ ? quiret::SS_LEFT : 0;
    switch (e.kind) {
      case Ev::Key:
        KeyDown(e.a, e.mods);
        KeyUp(e.a, e.mods);
        break;
      case Ev::KeyDown:
        KeyDown(e.a, e.mods);
        break;
      case Ev::KeyUp:
        KeyUp(e.a, e.mods);
        break;
      case Ev::Char:
        Live(e.mods);
        ed.WmChar(static_cast<unsigned char>(e.a));
        break;
      case Ev::Ime:
        Live(0);
        ed.WmImeResult(e.bytes);
        break;
      case Ev::Click:
        Live(e.mods);
        buttonDown_ = true;
        point_ = {e.a, e.b};
        ed.WmMouseDown(quiret::MB_LEFT, Flags(e.mods) | quiret::SS_LEFT, e.a, e.b);
        break;
      case Ev::Drag:
        Live(0);
        point_ = {e.a, e.b};
        ed.WmMouseMove(Flags(0) | left, e.a, e.b);
        break;
      case Ev::Release:
        Live(e.mods);
        buttonDown_ = false;
        point_ = {e.a, e.b};
        ed.WmMouseUp(quiret::MB_LEFT, Flags(e.mods), e.a, e.b);
        break;
      case Ev::DblClick:
        Live(0);
        if (e.hasPoint) point_ = {e.a, e.b};
        buttonDown_ = true;
        // The second press of a double click: the notice first, then the press itself.
        ed.WmDoubleClick(quiret::MB_LEFT, Flags(0) | quiret::SS_LEFT | quiret::SS_DOUBLE, point_.x, point_.y);
        ed.WmMouseDown(quiret::MB_LEFT, Flags(0) | quiret::SS_LEFT | quiret::SS_DOUBLE, point_.x, point_.y);
        break;
      case Ev::Tick:
        Live(0);
        // A real window only delivers ticks while the control keeps its timer running.
        for (int i = 0; i < e.a && win_.timerRunning; ++i) ed.WmTimer();
        break;
      case Ev::Wheel:
        Live(e.mods);
        ed.WmMouseWheel(e.a, Flags(e.mods));
        break;
      case Ev::VScroll:
        Live(0);
        ed.WmVScroll(e.a, e.b);
        break;
      case Ev::HScroll:
        Live(0);
        ed.WmHScroll(e.a, e.b);
        break;
      case Ev::Paste:
        clip_.PutFromOutside(e.bytes);
        KeyDown(quiret::VK_CONTROL, 0);
        KeyDown('V', 0);
        KeyUp('V', 0);
        KeyUp(quiret::VK_CONTROL, 0);
        break;
      case Ev::Undo:
        Live(0);
        ed.Undo();
        break;
      case Ev::Redo:
        Live(0);
        ed.Redo();
        break;
      case Ev::Resize:
        Live(0);
        win_.Resize(e.a, e.b);
        break;
      case Ev::Find:
      case Ev::Replace:
      case Ev::ReplaceAll:
        Live(0);
        FindEvent(e);
        break;
    }
    Live(0);
  }

  // Runs a find event with the host's handlers recording what the control reports.
  void FindEvent(const Event& e) {
    TLumoEdit& ed = *edit_;
    const quiret::TFindOptions o{e.matchCase, e.regex};
    ed.OnFindHit = [this](TLumoEdit*, const std::string&, int x, int y, int len, int count) {
      found_.push_back("hit " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(len) +
                       " " + std::to_string(count));
    };
    ed.OnFindNoHit = [this](TLumoEdit*, const std::string&) { found_.push_back("nohit"); };
    ed.OnFindChange = [this, &e](TLumoEdit*, const std::string&, const std::string& repl, int x, int y,
                                 int len, int count, bool& changeF, bool& kakuninF, bool& abortF) {
      found_.push_back("change " + ToHex(repl) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                       std::to_string(len) + " " + std::to_string(count) + (kakuninF ? " ask" : ""));
      if (count == e.skip) changeF = false;
      if (count == e.abortAt) abortF = true;
    };
    ed.OnFindChangeEnd = [this](TLumoEdit*, const std::string&, const std::string&, int count) {
      found_.push_back("end " + std::to_string(count));
    };
    if (e.kind == Ev::Find)
      ed.FindText(e.bytes, o, e.back);
    else if (e.kind == Ev::Replace)
      ed.ReplaceText(e.bytes, e.change, o);
    else
      ed.ReplaceAll(e.bytes, e.change, o, e.confirm);
  }

  std::string State() {
    const TLumoEdit& ed = *edit_;
    std::string j = "{\"rows\":[";
    for (std::int32_t i = 0; i < ed.Lines->Count(); ++i) {
      if (i) j += ',';
      j += '"' + ToHex(ed.Lines->Get(i)) + '"';
    }
    auto pair = [](std::int32_t a, std::int32_t b) {
      return "[" + std::to_string(a) + "," + std::to_string(b) + "]";
    };
    auto boolean = [](bool v) { return std::string(v ? "true" : "false"); };
    j += "],\"caret\":" + pair(ed.CaretCol, ed.CaretRow);
    j += ",\"anchor\":" + pair(ed.AnchorCol, ed.AnchorRow);
    j += ",\"selected\":" + boolean(ed.SelActive || ed.AllSelected);
    j += ",\"TopRow\":" + std::to_string(ed.TopRow);
    j += ",\"HorzOffset\":" + std::to_string(ed.HorzOffset);
    j += ",\"InsertMode\":" + boolean(ed.InsertMode);
    j += ",\"Modified\":" + boolean(ed.GetModified());
    j += ",\"clipboard\":" + (clip_.HasText() ? '"' + ToHex(clip_.GetText()) + '"' : std::string("null"));
    j += ",\"undo\":" + std::to_string(ed.UndoList.size());
    j += ",\"redo\":" + std::to_string(ed.RedoList.size());
    j += ",\"find\":[";
    for (size_t i = 0; i < found_.size(); ++i) j += (i ? "," : "") + JsonString(found_[i]);
    j += "]";
    j += ",\"messages\":[";
    for (size_t i = 0; i < win_.messages.size(); ++i) j += (i ? "," : "") + JsonString(win_.messages[i]);
    return j + "]}";
  }

  const Scenario& s_;
  // The window and clipboard outlive the control, which holds references to both.
  quiret::TestEditorWindow win_;
  quiret::TestClipboard clip_;
  std::unique_ptr<TLumoEdit> edit_;
  bool shiftHeld_ = false, ctrlHeld_ = false;
  bool buttonDown_ = false;
  quiret::TPoint point_;
  std::vector<std::string> found_;  // the find events, in order
};

}  // namespace

int main(int argc, char** argv) {
  std::string file = "-";
  if (argc > 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (argc == 2) {
    file = argv[1];
    if (file == "--help" || file == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  std::vector<Scenario> scenarios;
  try {
    if (file == "-") {
      scenarios = Parse(std::cin);
    } else {
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "replay: cannot open %s\n", file.c_str());
        return 1;
      }
      scenarios = Parse(in);
    }
  } catch (const ScenarioError& e) {
    std::fprintf(stderr, "replay: %s:%d: %s\n", file.c_str(), e.line, e.what());
    return 2;
  }
  for (const Scenario& s : scenarios) {
    try {
      const std::string json = Runner(s).Run();
      std::fputs((json + "\n").c_str(), stdout);
      std::fflush(stdout);
    } catch (const UnsoundState& e) {
      std::fprintf(stderr, "replay: %s:%d: unsound state after this event: %s\n", file.c_str(), e.line,
                   e.what());
      return 1;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "replay: %s: the scenario starting at line %d failed: %s\n", file.c_str(),
                   s.firstLine, e.what());
      return 1;
    }
  }
  return 0;
}
