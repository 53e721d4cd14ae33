// Shared set-up of the rendering tests: one editor on the recording test window.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "editor/LumoEdit.h"
#include "tests/support/EditorRows.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {

// The font is 16 pixels high, so a half-width cell is 8 pixels and a double-byte one 16.
class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFont f = ed.GetFont();
    f.Height = -16;
    ed.SetFont(f);
    ed.RecreateWnd();
    ASSERT_TRUE(ed.WindowCreated);
    ASSERT_EQ(ed.CharHeight, 16);
    ASSERT_EQ(ed.LineHeight, 16);
    ASSERT_EQ(ed.TextLeft, 10);
    ASSERT_EQ(ed.TopMargin, 4);
  }

  // Replaces the display rows (given with their terminators) and forgets what was drawn.
  void SetRows(const std::vector<std::string>& rows) {
    LoadRowsInto(ed, rows);
    surface().Clear();
  }

  TestSurface& surface() { return win.surface; }
  int Top(int row) const { return ed.TopMargin + (row - ed.TopRow) * ed.LineHeight; }

  // TextOut calls whose cell top is the top of `row`.
  std::vector<SurfaceCall> TextsOfRow(int row) const {
    std::vector<SurfaceCall> out;
    for (const SurfaceCall& c : win.surface.calls)
      if (c.kind == SurfaceCall::TextOut && c.p1.y == Top(row)) out.push_back(c);
    return out;
  }

  // Half-width cells [first, last) coloured as URL text in `row`, adjacent parts merged.
  std::vector<std::pair<int, int>> UrlCells(int row) const {
    std::vector<std::pair<int, int>> out;
    for (const SurfaceCall& c : win.surface.calls) {
      if (c.kind != SurfaceCall::TextOut || !c.underline || c.p1.y != Top(row)) continue;
      EXPECT_EQ(c.fore, ed.URLColor);
      EXPECT_EQ(c.back, ed.Color);
      const int half = win.surface.HalfWidth();
      std::pair<int, int> cells{(c.rect.left - ed.TextLeft + ed.HorzOffset) / half,
                                (c.rect.right - ed.TextLeft + ed.HorzOffset) / half};
      if (!out.empty() && out.back().second == cells.first)
        out.back().second = cells.second;
      else
        out.push_back(cells);
    }
    return out;
  }

  TestEditorWindow win;
  TLumoEdit ed{win};
};

// The last row of a text: its bytes followed by the end marker.
inline std::string LastRow(std::string text) { return text + std::string(2, '\0'); }

using Cells = std::vector<std::pair<int, int>>;

}  // namespace quiret
