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
#include "platform/Codec932.h"
#include "platform/Files.h"
#include "tests/support/TestClipboard.h"
#include "tests/support/TestEditorWindow.h"
#include "tools/ReplayScenario.h"

namespace {

using quiret::TLumoEdit;
using namespace replay;

// The control's state broke its invariant after the event on `line`.
struct UnsoundState : std::runtime_error {
  UnsoundState(int line, const std::string& what) : std::runtime_error(what), line(line) {}
  int line;
};

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
    } else if (c == '\r' || c == '\n' || c == '\t') {
      out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\t";
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

// A row as text where code page 932 gives back exactly its bytes (terminators included:
// "\r\n", "\u0000\u0000"), else {"hex": its bytes}.
std::string RowAsText(std::string_view row) {
  const quiret::Codec932& codec = quiret::Codec932::Instance();
  const std::string utf8 = codec.ToUtf8(row);
  int replaced = 0;
  if (codec.FromUtf8(utf8, '?', &replaced) == row && replaced == 0) return JsonString(utf8);
  return "{\"hex\":\"" + ToHex(row) + "\"}";
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
  const int error = quiret::WriteAllBytes(fd, bytes.data(), bytes.size());
  close(fd);
  if (error != 0) throw std::runtime_error("cannot write the temporary file");
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
      // Rows left pending by an edit in a long line are cut before the next event, so every
      // state the scenario reports holds the rule's rows.
      ed.FinishPendingWrap();
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
    ed.OnFindStop = [this](TLumoEdit*, const std::string&, quiret::TFindStop why, int line) {
      found_.push_back(std::string(why == quiret::TFindStop::fsLimit ? "limit " : "cancel ") +
                       std::to_string(line));
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
    j += "],\"text\":[";
    for (std::int32_t i = 0; i < ed.Lines->Count(); ++i) j += (i ? "," : "") + RowAsText(ed.Lines->Get(i));
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
      scenarios = ParseScenarios(std::cin);
    } else {
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "replay: cannot open %s\n", file.c_str());
        return 1;
      }
      scenarios = ParseScenarios(in);
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
