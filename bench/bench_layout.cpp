// Layout benchmarks: whole-text wrap of large documents, very long lines, and the cost of the
// first screen (size notification and paint) as the document grows.
#include <benchmark/benchmark.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "editor/LumoEdit.h"
#include "editor/WrapEngine.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {
namespace {

// Prose-like lines of about 70 bytes: ASCII words and double-byte characters, some long
// enough to wrap at a 600-pixel text area with 8/16-pixel cells.
std::string MakeText(std::size_t bytes, std::size_t lineLength) {
  static const std::string kWide = "\x82\xA0\x82\xA2\x82\xA4\x81\x40\x8A\xBF\x8E\x9A";  // kana, space, kanji
  std::string text;
  text.reserve(bytes + lineLength + 2);
  unsigned seed = 12345;
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    std::size_t len = lineLength == 0 ? 40 + (seed >> 16) % 61 : lineLength;  // 40..100 bytes
    std::string line;
    while (line.size() < len) {
      seed = seed * 1103515245u + 12345u;
      if ((seed >> 20) % 3 == 0) {
        line += kWide.substr(((seed >> 8) % 6) * 2, 2);
      } else {
        line += static_cast<char>('a' + (seed >> 12) % 26);
        if ((seed >> 24) % 7 == 0) line += (seed >> 9) % 5 == 0 ? '\t' : ' ';
      }
    }
    text += line;
    text += "\r\n";
  }
  return text;
}

// The process's resident memory in MB: "VmRSS" now or "VmHWM" (the peak since the last
// ResetPeakMemory).
double MemoryMb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return 0;
}

void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Text in runs, as real documents are: lines of ASCII words (as in source code or English)
// or of double-byte characters with an occasional ASCII word (as in Japanese prose).
std::string MakeRunText(std::size_t bytes, bool japanese) {
  static const std::string kKana = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x8A\xBF\x8E\x9A\x95\xB6\x8F\x91";
  std::string text;
  text.reserve(bytes + 200);
  unsigned seed = 777;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  while (text.size() < bytes) {
    const std::size_t len = 40 + next() % 61;
    std::string line;
    if (next() % 4 == 0) line += '\t';
    while (line.size() < len) {
      if (japanese && next() % 8 != 0) {
        for (unsigned k = 2 + next() % 10; k > 0; --k) line += kKana.substr((next() % 8) * 2, 2);
      } else {
        for (unsigned k = 2 + next() % 8; k > 0; --k) line += static_cast<char>('a' + next() % 26);
        line += ' ';
      }
    }
    text += line;
    text += "\r\n";
  }
  return text;
}

struct Editor {
  TestEditorWindow win;
  TLumoEdit edit{win};
  explicit Editor(const std::string& text, bool autoWrap = true) {
    TFont f;
    f.Name = "IPAGothic";
    f.SetSize(12);  // half-width 8 px, full-width 16 px
    edit.SetFont(f);
    edit.AutoWrap = autoWrap;
    edit.WordWrap = false;
    edit.ApplySettings();
    edit.Column = autoWrap ? edit.NoWrapColumns : 72;
    win.clientWidth = edit.TextLeft + 600;
    win.clientHeight = 4 + 40 * 16;
    edit.LayoutForSize(win.clientWidth, win.clientHeight);
    auto rows = std::make_unique<TLumoStrings>();
    rows->SetText(text);
    edit.LoadRows(std::move(rows));
  }
  // One wrap and unwrap first, so the rows are stored as they are after any layout, and
  // heap left over from building the text goes back: the memory figures then start from
  // the document alone.
  void Settle() {
    edit.Relayout(true, false);
    edit.Relayout(false, false);
#ifdef __GLIBC__
    malloc_trim(0);
#endif
  }
};

// Whole-text wrap at a 600-pixel text area (what a size change or the word-wrap option does).
void BM_RelayoutWrap(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 20;
  Editor e(MakeText(bytes, 0));
  e.Settle();
  std::int64_t rows = 0;
  double before = 0, peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    e.edit.Relayout(false, false);
    before = MemoryMb("VmRSS");
    ResetPeakMemory();
    state.ResumeTiming();
    e.edit.Relayout(true, true);
    rows = e.edit.Lines->Count();
    peak = std::max(peak, MemoryMb("VmHWM"));
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["rss_MB"] = before;  // resident before the wrap (the unwrapped document)
  state.counters["peak_MB"] = peak;   // resident at the wrap's peak
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_RelayoutWrap)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole-text wrap of documents in runs: range 0 for ASCII lines, 1 for Japanese prose.
void BM_RelayoutWrapRuns(benchmark::State& state) {
  Editor e(MakeRunText(std::size_t{100} << 20, state.range(0) == 1));
  e.Settle();
  for (auto _ : state) {
    state.PauseTiming();
    e.edit.Relayout(false, false);
    state.ResumeTiming();
    e.edit.Relayout(true, true);
  }
  state.counters["rows"] = static_cast<double>(e.edit.Lines->Count());
  state.SetBytesProcessed(state.iterations() * (std::int64_t{100} << 20));
}
BENCHMARK(BM_RelayoutWrapRuns)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The CPU time of this thread (one-thread wraps are timed by it: the machine may be busy)
// or of the whole process, in seconds.
double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The benchmark texts of BM_WholeTextWrap, made once per process.
const std::string& WrapText(int kind, std::size_t bytes) {
  static std::map<std::pair<int, std::size_t>, std::string> made;
  std::string& text = made[{kind, bytes}];
  if (text.empty()) text = kind == 0 ? MakeText(bytes, 0) : MakeRunText(bytes, kind == 2);
  return text;
}

// The whole-text wrap alone, the rows cut and stored, nothing drawn: mixed text (text 0),
// ASCII lines (1) or Japanese prose (2), on one thread or two, with the vector instructions
// capped at simd (0 baseline, 1 AVX2, 2 AVX-512; a level the processor lacks runs as the
// best it has). One thread is timed by its CPU time, two by the wall clock (cpu_ms is then
// both threads' CPU time). The figure to compare with 1 GB/s is the one-thread one.
void BM_WholeTextWrap(benchmark::State& state) {
  const char* mb = std::getenv("QUIRET_BENCH_MB");  // 100 MB unless set
  const std::size_t bytes = std::size_t(mb ? std::max(1, std::atoi(mb)) : 100) << 20;
  const bool twoThreads = state.range(1) == 2;
  const auto simd = static_cast<WrapSimd>(state.range(2));
  Editor e(WrapText(static_cast<int>(state.range(0)), bytes));
  e.Settle();
  std::vector<int> cache;
  WidthTable widths(cache, e.win.surface);
  const WrapRule rule{e.edit.Column, true, e.edit.TextAreaWidth, e.edit.TabCount};
  // The engine alone, on the rows taken out of the control. Every pair measured once
  // first, as after the first screen: the figure is the cut itself.
  const std::unique_ptr<TLumoStrings> rows = e.edit.LoadRows(std::make_unique<TLumoStrings>());
  WrapInPlace(*rows, rule, widths, {}, false, simd);
  UnwrapInPlace(*rows);
  double cpu = 0;
  std::int64_t rowCount = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds(twoThreads ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_THREAD_CPUTIME_ID);
    WrapInPlace(*rows, rule, widths, {}, twoThreads, simd);
    const double used =
        CpuSeconds(twoThreads ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(twoThreads ? wall : used);
    cpu += used;
    rowCount = rows->Count();
    UnwrapInPlace(*rows);
  }
  state.counters["cpu_ms"] = 1000 * cpu / static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(rowCount);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WholeTextWrap)
    ->ArgNames({"text", "threads", "simd"})
    ->ArgsProduct({{0, 1, 2}, {1, 2}, {0, 1, 2}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The unwrap half of a size change with word wrap at the window width.
void BM_RelayoutUnwrap(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 20;
  Editor e(MakeText(bytes, 0));
  e.Settle();
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    e.edit.Relayout(true, false);
    ResetPeakMemory();
    state.ResumeTiming();
    e.edit.Relayout(false, false);
    peak = std::max(peak, MemoryMb("VmHWM"));
  }
  state.counters["peak_MB"] = peak;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_RelayoutUnwrap)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

// Lines of 100 kB: the wrap must stay linear in the text size.
void BM_WrapLongLines(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 20;
  Editor e(MakeText(bytes, 100 * 1024));
  for (auto _ : state) {
    state.PauseTiming();
    e.edit.Relayout(false, false);
    state.ResumeTiming();
    e.edit.Relayout(true, false);
  }
  state.counters["rows"] = static_cast<double>(e.edit.Lines->Count());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WrapLongLines)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Iterations(3);

// The first screen: a size notification without re-wrapping, then a paint, for a document
// of 4 kB (a full screen) up to 100 MB. The cost must not grow with the document.
void BM_FirstScreen(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 10;
  Editor e(MakeText(bytes, 0), false);
  e.edit.Relayout(true, false);
  for (auto _ : state) {
    e.win.Resize(e.win.clientWidth, e.win.clientHeight);
    e.win.Paint();
    e.win.surface.Clear();
  }
  state.counters["rows"] = static_cast<double>(e.edit.Lines->Count());
}
BENCHMARK(BM_FirstScreen)->Arg(4)->Arg(1024)->Arg(100 * 1024)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quiret

BENCHMARK_MAIN();
