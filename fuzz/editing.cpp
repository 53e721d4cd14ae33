// Editing: any sequence of keys, typed and input-method text, undo, pointer gestures, wheel
// and scrolling keeps the row model sound and the caret and anchor on character boundaries.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "editor/LumoEditSub.h"
#include "fuzz/EditorSetup.h"
#include "fuzz/FuzzInput.h"

using namespace quiret;
using namespace quiret::fuzz;

namespace {

void Check(TLumoEdit& edit, int step) {
  const std::string fault = edit.CheckInvariant();
  FUZZ_CHECK(fault.empty(), fault + " after event " + std::to_string(step));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  Editor e;
  TLumoEdit& edit = e.edit;
  TestEditorWindow& win = e.win;
  const bool wrap = in.Bool();
  const int column = in.Range(10, 80);
  const bool autoIndent = in.Bool();
  std::istringstream stream{in.Bytes(255)};
  edit.SetWordWrap(false);
  LoadStream(edit, stream);
  edit.AutoIndent = autoIndent;
  edit.OnChangeRedoMode = [](TLumoEdit*, bool) {};  // as the shell has it: redo needs a listener
  if (wrap) {
    edit.SetColumn(column);
    edit.SetWordWrap(true);
  }
  edit.ApplySettings();
  edit.MoveToTextStart();
  Check(edit, -1);

  auto key = [&](int vk, bool shift, bool ctrl) {
    win.shiftDown = shift;
    win.ctrlDown = ctrl;
    const int flags = (shift ? SS_SHIFT : 0) | (ctrl ? SS_CTRL : 0);
    edit.WmKeyDown(vk, flags);
    edit.WmKeyUp(vk, flags);
    win.shiftDown = win.ctrlDown = false;
  };
  // Keys the control handles: moves, Backspace, Delete, Enter, Tab, Insert, the clipboard
  // and row keys with Ctrl; the rest are there so unhandled keys are tried as well.
  static const int kKeys[] = {VK_LEFT,   VK_RIGHT,     VK_UP,         VK_DOWN,   VK_HOME,   VK_END,
                              VK_PRIOR,  VK_NEXT,      VK_BACK,       VK_DELETE, VK_RETURN, VK_TAB,
                              VK_INSERT, VK_OEM_COMMA, VK_OEM_PERIOD, 'A',       'C',       'X',
                              'V',       'Z',          'Y',           VK_ESCAPE};
  // QUIRET_FUZZ_TRACE prints each event, to read a reproducer.
  const bool trace = std::getenv("QUIRET_FUZZ_TRACE") != nullptr;
  // Coordinates are read one statement at a time: the order in which a call's arguments are
  // evaluated differs between compilers, and a reproducer must mean the same in every build.
  auto point = [&](int x0, int x1, int y0, int y1) {
    TPoint p;
    p.x = in.Range(x0, x1);
    p.y = in.Range(y0, y1);
    if (trace) std::fprintf(stderr, "  point %d,%d\n", p.x, p.y);
    return p;
  };
  for (int step = 0; step < 200 && !in.Empty(); ++step) {
    const int kind = in.Range(0, 11);
    if (trace)
      std::fprintf(stderr, "event %d: kind %d at caret %d,%d\n", step, kind, edit.CaretCol, edit.CaretRow);
    switch (kind) {
      case 0:
      case 1: {
        const std::uint8_t b = in.Byte();
        if (trace)
          std::fprintf(stderr, "  key %02x shift %d ctrl %d\n", kKeys[b % std::size(kKeys)], b & 0x40 ? 1 : 0,
                       b & 0x80 ? 1 : 0);
        key(kKeys[b % std::size(kKeys)], b & 0x40, b & 0x80);
        break;
      }
      case 2: {
        const std::uint8_t ch = in.Byte();
        if (trace) std::fprintf(stderr, "  char %02x\n", ch);
        edit.WmChar(ch);
        break;
      }
      case 3: {
        const std::string text = in.Bytes(16);
        if (trace) std::fprintf(stderr, "  ime %s\n", Hex(text).c_str());
        edit.WmImeResult(text);
        break;
      }
      case 4:
        edit.Undo();
        break;
      case 5: {
        const int delta = in.Range(-480, 480);
        if (trace) std::fprintf(stderr, "  wheel %d\n", delta);
        edit.WmMouseWheel(delta, 0);
        break;
      }
      case 6: {
        const int code = in.Range(0, 8);
        edit.WmVScroll(code, in.Range(-5, 300));
      } break;
      case 7: {
        // A pointer gesture: press, moves with auto-scroll ticks, release.
        const int flags = in.Bool() ? SS_SHIFT : 0;
        win.shiftDown = flags != 0;
        TPoint p = point(-20, 700, -20, 450);
        edit.WmMouseDown(MB_LEFT, flags, p.x, p.y);
        win.shiftDown = false;
        for (int k = in.Range(0, 3); k > 0; --k) {
          p = point(-20, 700, -20, 450);
          edit.WmMouseMove(0, p.x, p.y);
          for (int t = in.Range(0, 2); t > 0; --t) edit.WmTimer();
        }
        win.ctrlDown = in.Bool();
        p = point(-20, 700, -20, 450);
        edit.WmMouseUp(MB_LEFT, 0, p.x, p.y);
        win.ctrlDown = false;
        break;
      }
      case 8: {
        TPoint p = point(0, 600, 0, 400);
        edit.WmMouseDown(MB_LEFT, 0, p.x, p.y);
        p = point(0, 600, 0, 400);
        edit.WmMouseUp(MB_LEFT, 0, p.x, p.y);
        p = point(0, 600, 0, 400);
        edit.WmDoubleClick(MB_LEFT, 0, p.x, p.y);
      } break;
      case 9: {
        const int w = in.Range(0, 900);
        const int h = in.Range(0, 600);
        if (trace) std::fprintf(stderr, "  resize %d x %d\n", w, h);
        win.Resize(w, h);
        break;
      }
      case 10:
        edit.SetWordWrap(in.Bool());
        break;
      default: {
        // Painting, or one of redo, find and replace (with a short text to look for).
        const int what = in.Range(0, 3);
        if (what == 0) {
          win.Paint();
        } else if (what == 1) {
          edit.Redo();
        } else {
          const std::string findchr = in.Bytes(3);
          const std::string changechr = in.Bytes(3);
          TFindOptions options;
          options.MatchCase = in.Bool();
          options.Regex = in.Bool();
          if (trace)
            std::fprintf(stderr, "  %s %s / %s\n", what == 2 ? "find" : "replace", Hex(findchr).c_str(),
                         Hex(changechr).c_str());
          if (what == 2) {
            edit.FindText(findchr, options, in.Bool());
          } else if (in.Bool()) {
            edit.ReplaceText(findchr, changechr, options);
          } else {
            edit.ReplaceAll(findchr, changechr, options, false);
          }
        }
        break;
      }
    }
    Check(edit, step);
  }
  return 0;
}
