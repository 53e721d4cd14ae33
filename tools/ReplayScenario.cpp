// The replay tool's scenario language: the words of a line (quoted text kept whole), the
// directives and events they make, and the conversion of quoted text to code page 932.
#include "tools/ReplayScenario.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Codec932.h"

namespace replay {

const char kUsage[] =
    "usage: replay [FILE|-]\n"
    "\n"
    "A scenario is one item a line; '#' starts a comment, blank lines are skipped, a line\n"
    "'---' starts the next scenario (each gets a fresh control and prints one JSON line).\n"
    "\n"
    "Directives (before the first event):\n"
    "  hex HEX [*N]           document bytes, loaded as a file (repeated lines append; *N repeats)\n"
    "  text \"TEXT\" [*N]      document bytes as text: UTF-8 here, code page 932 loaded\n"
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
    "pageright left right. Numbers are decimal or 0x hex. Wherever HEX is taken, one quoted\n"
    "\"TEXT\" may stand instead: UTF-8, with \\r \\n \\t \\\\ \\\" as escapes.\n";

namespace {

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

bool Quoted(const std::string& word) { return !word.empty() && word[0] == '"'; }

// A quoted word's text: UTF-8 in the scenario, code page 932 in the result; \r \n \t \\ and
// \" are escapes.
std::string QuotedText(const std::string& word, int line) {
  std::string utf8;
  for (size_t i = 1; i + 1 < word.size(); ++i) {
    if (word[i] != '\\') {
      utf8 += word[i];
      continue;
    }
    const char e = word[++i];
    if (e == 'r' || e == 'n' || e == 't')
      utf8 += e == 'r' ? '\r' : e == 'n' ? '\n' : '\t';
    else if (e == '\\' || e == '"')
      utf8 += e;
    else
      throw ScenarioError(line, std::string("unknown escape '\\") + e + "'");
  }
  int replaced = 0;
  std::string bytes = quiret::Codec932::Instance().FromUtf8(utf8, '?', &replaced);
  if (replaced > 0) throw ScenarioError(line, "text code page 932 cannot hold: " + word);
  return bytes;
}

// Hex digits with any spacing, or one quoted text; an optional last word "*N" repeats the
// bytes N times.
std::string Hex(const std::vector<std::string>& words, size_t from, int line) {
  size_t end = words.size();
  long long repeat = 1;
  if (end > from && words[end - 1][0] == '*') {
    if (!ParseInt(words[end - 1].substr(1), repeat) || repeat < 0 || repeat > 10000000)
      throw ScenarioError(line, "bad repeat count '" + words[end - 1] + "'");
    --end;
  }
  std::string bytes;
  if (end == from + 1 && Quoted(words[from])) {
    bytes = QuotedText(words[from], line);
  } else {
    std::string digits;
    for (size_t i = from; i < end; ++i) {
      if (Quoted(words[i])) throw ScenarioError(line, "a quoted text stands alone");
      digits += words[i];
    }
    if (digits.size() % 2 != 0) throw ScenarioError(line, "odd number of hex digits");
    for (size_t i = 0; i < digits.size(); i += 2) {
      int hi = HexDigit(digits[i]), lo = HexDigit(digits[i + 1]);
      if (hi < 0 || lo < 0) throw ScenarioError(line, "not hex: '" + digits.substr(i, 2) + "'");
      bytes += static_cast<char>(hi * 16 + lo);
    }
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

// The words of a line: runs of non-blank characters, or a quoted text kept whole with its
// quotes. A '#' outside a quoted text starts a comment.
std::vector<std::string> Words(const std::string& text, int line) {
  std::vector<std::string> words;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  for (size_t i = 0; i < text.size();) {
    if (blank(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == '#') break;
    const size_t start = i;
    if (text[i] == '"') {
      for (++i; i < text.size() && text[i] != '"';) i += text[i] == '\\' ? 2 : 1;
      if (i >= text.size()) throw ScenarioError(line, "a quoted text without its closing quote");
      ++i;
    } else {
      while (i < text.size() && !blank(text[i]) && text[i] != '#' && text[i] != '"') ++i;
    }
    words.push_back(text.substr(start, i - start));
  }
  return words;
}

// Checks the word count, the directive's own word included.
void NeedWords(const std::vector<std::string>& words, size_t min, size_t max, int line) {
  if (words.size() < min) throw ScenarioError(line, "too few arguments for '" + words[0] + "'");
  if (words.size() > max) throw ScenarioError(line, "too many arguments for '" + words[0] + "'");
}

// find, replace and replaceall: their options, then HEX (and / HEX).
void ParseFind(Event& e, const std::vector<std::string>& w, int line) {
  const std::string& d = w[0];
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
    ParseFind(e, w, line);
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
  if (d == "hex" || d == "text") {
    if (d == "text" && (w.size() < 2 || !Quoted(w[1])))
      throw ScenarioError(line, "'text' takes a quoted text");
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

}  // namespace

std::vector<Scenario> ParseScenarios(std::istream& in) {
  std::vector<Scenario> out(1);
  std::string text;
  int line = 0;
  out.back().firstLine = 1;
  while (std::getline(in, text)) {
    ++line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.find_first_not_of(" \t") != std::string::npos) out.back().empty = false;
    const std::vector<std::string> w = Words(text, line);
    if (w.empty()) continue;
    if (w.size() == 1 && w[0] == "---") {
      out.emplace_back().firstLine = line + 1;
      continue;
    }
    if (w[0] == "hex" || w[0] == "text" || w[0] == "size" || w[0] == "clipboard" || w[0] == "setting") {
      ParseDirective(out.back(), w, line);
    } else {
      out.back().events.push_back(ParseEvent(w, line));
    }
  }
  // A separator followed only by blank lines starts no scenario.
  if (out.size() > 1 && out.back().empty) out.pop_back();
  return out;
}

}  // namespace replay
