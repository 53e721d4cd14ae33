// The editor control on the test window, set up as the editor tests do (8/16-pixel cells).
#pragma once

#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/TestClipboard.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret::fuzz {

struct Editor {
  TestEditorWindow win;
  TestClipboard clip;
  TLumoEdit edit{win, &clip};

  Editor() {
    TFont f;
    f.Name = "ＭＳ ゴシック";
    f.SetSize(12);
    edit.SetFont(f);
    edit.ApplySettings();
  }

  std::vector<std::string> Rows() const {
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < edit.Lines->Count(); ++i) out.emplace_back(edit.Lines->Get(i));
    return out;
  }
};

// Rows read from a stream, handed to the control as a file load hands them.
inline void LoadStream(TLumoEdit& edit, std::istream& stream) {
  auto rows = std::make_unique<TLumoStrings>();
  rows->LoadFromStream(stream);
  edit.LoadRows(std::move(rows));
}

inline std::string Joined(const std::vector<std::string>& rows) {
  std::string s;
  for (const auto& r : rows) s += Hex(r) + "|";
  return s;
}

}  // namespace quiret::fuzz
