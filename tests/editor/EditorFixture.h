// Shared set-up for editor-control tests: a control on the test window with 8/16-pixel metrics.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "tests/support/EditorRows.h"
#include "tests/support/TestClipboard.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {

class EditorFixture : public ::testing::Test {
 protected:
  // A 12-point font: cells of 16 pixels, half-width 8, full-width 16 on the test surface.
  void Create() {
    TFont f;
    f.Name = "ＭＳ ゴシック";
    f.SetSize(12);
    edit.SetFont(f);
    edit.ApplySettings();
  }

  // Stores logical lines as rows (CR LF after each, the end marker after the last).
  void SetLines(const std::vector<std::string>& lines) {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < lines.size(); ++i)
      rows.push_back(lines[i] + (i + 1 < lines.size() ? std::string("\r\n") : std::string("\0\0", 2)));
    LoadRowsInto(edit, rows);
  }

  // Stores rows exactly as given (terminators included by the caller).
  void SetRows(const std::vector<std::string>& rows) { LoadRowsInto(edit, rows); }

  std::vector<std::string> Rows() const {
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < edit.Lines->Count(); ++i) out.emplace_back(edit.Lines->Get(i));
    return out;
  }

  // The key pressed and let go, with Shift and Ctrl held as the window reports them.
  void Key(int vk, bool shift = false, bool ctrl = false) {
    win.shiftDown = shift;
    win.ctrlDown = ctrl;
    edit.WmKeyDown(vk, (shift ? SS_SHIFT : 0) | (ctrl ? SS_CTRL : 0));
    edit.WmKeyUp(vk, 0);
    win.shiftDown = win.ctrlDown = false;
  }

  // All rows as one string, terminators included.
  std::string AllBytes() const {
    std::string all;
    for (std::int32_t r = 0; r < edit.Lines->Count(); ++r) all.append(edit.Lines->Get(r));
    return all;
  }

  static std::string Eol() { return "\r\n"; }
  static std::string Eot() { return std::string("\0\0", 2); }
  static std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  }

  TestEditorWindow win;
  TestClipboard clip;
  TLumoEdit edit{win, &clip};
};

}  // namespace quiret
