// The generated document the editing and find benchmarks share, and the control they open
// it in.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "editor/LumoEdit.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {

// The one call timed; kept out of line so a profile can tell it from the set-up around it.
template <typename Op>
[[gnu::noinline]] double TimedOp(Op& op) {
  const auto start = std::chrono::steady_clock::now();
  op();
  benchmark::ClobberMemory();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Lines of 40..100 bytes (about 70 on average) of ASCII words and double-byte characters
// (kana, the double-byte space, kanji), CR LF between them; the same text on every run.
// With `marker`, one line in 15 starts with it.
inline std::string MakeBenchText(std::size_t bytes, std::string_view marker = {}) {
  static const std::string kWide = "\x82\xA0\x82\xA2\x82\xA4\x81\x40\x8A\xBF\x8E\x9A";
  std::string text;
  text.reserve(bytes + 200);
  unsigned seed = 4711;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  std::string line;
  while (text.size() < bytes) {
    if (!text.empty()) text += "\r\n";
    const std::size_t len = 40 + next() % 61;
    line.clear();
    if (!marker.empty() && next() % 15 == 0) line += marker;
    while (line.size() < len) {
      const unsigned r = next();
      if (r % 3 == 0) {
        line += kWide.substr(((r >> 4) % 6) * 2, 2);
      } else {
        line += static_cast<char>('a' + (r >> 4) % 26);
        if ((r >> 10) % 7 == 0) line += ' ';
      }
    }
    text += line;
  }
  return text;
}

// The control as the shell sets it up, with word wrap at the window width: 80 half-width
// columns of 8 pixels (cells of 16, full-width 16), 40 rows in view, tabs of 4.
inline void SetUpBenchEditor(TLumoEdit& edit, TestEditorWindow& win) {
  TFont f;
  f.Name = "ＭＳ ゴシック";
  f.SetSize(12);
  edit.SetFont(f);
  win.clientWidth = 10 + 80 * 8;
  win.clientHeight = 4 + 40 * 16;
  edit.ApplySettings();
  edit.SetColumn(edit.NoWrapColumns);
  edit.AutoWrap = true;
  edit.WordWrap = true;
  edit.SetTabCount(4);
}

// Writes the text to a scratch file and loads it, as a file opens: the rows loaded, then
// laid out, the caret at the start. Returns the seconds of the opening alone.
inline double OpenAsFile(TLumoEdit& edit, const std::string& text) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("quiret_bench_" + std::to_string(::getpid()) + ".txt");
  std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
  const auto start = std::chrono::steady_clock::now();
  auto rows = std::make_unique<TLumoStrings>();
  rows->LoadFromFile(path.string());
  edit.LoadRows(std::move(rows));
  edit.ApplySettings();
  edit.MoveToTextStart();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::filesystem::remove(path);
  return seconds;
}

}  // namespace quiret
