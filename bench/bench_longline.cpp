// Editing benchmarks in one long logical line: a document of a single line (10 MB unless
// QUIRET_BENCH_MB says otherwise) of ASCII words and double-byte characters (only ASCII with
// QUIRET_BENCH_ASCII=1), wrapped at the window width. Typing, Enter, Backspace, Delete, a
// paste and the undo of a typed key, with the caret near the end, in the middle and near the
// start of the line; the mapping of the caret's row to its place in the line and back; the
// caret panel's column after a key, with the meter told of the change as the shell tells it,
// and without (measured from the line's start). Each figure is the operation alone (median
// and slowest of the runs); finish_ms is what cutting the rows a key left pending costs
// afterwards (the idle work, median), and peak_growth_kb the growth of the peak memory over
// all runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/CaretPosition.h"
#include "bench/BenchText.h"
#include "editor/LumoEdit.h"
#include "tests/support/TestClipboard.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {
namespace {

// The peak resident memory of the process so far, in kilobytes (0 where unknown).
long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// Starts the peak over from the memory in use now.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Document {
  TestEditorWindow win;
  TestClipboard clip;
  TLumoEdit edit{win, &clip};
  std::size_t bytes = 0;
  double loadSeconds = 0;

  Document() {
    SetUpBenchEditor(edit, win);
    const char* mb = std::getenv("QUIRET_BENCH_MB");
    std::string text = MakeBenchText(std::size_t(mb ? std::max(1, std::atoi(mb)) : 10) << 20);
    // One line: the generated line ends become two blanks.
    const bool ascii = std::getenv("QUIRET_BENCH_ASCII") != nullptr;
    for (char& c : text)
      if (c == '\r' || c == '\n')
        c = ' ';
      else if (ascii && static_cast<unsigned char>(c) >= 0x80)
        c = 'k';
    bytes = text.size();
    loadSeconds = OpenAsFile(edit, text);
    win.SetFocus();
    clip.PutFromOutside("pasted words \x82\xa0\x82\xa2 and more");
    Clean();
  }

  void Clean() {
    win.surface.Clear();
    win.caretLog.clear();
    win.compositions.clear();
    edit.ClearRedoList();
  }

  // range(0): 0 = near the end of the line (ten rows before its last), 1 = in the middle,
  // 2 = near its start (the tenth row).
  void Place(const benchmark::State& state) {
    edit.FinishPendingWrap();
    const std::int32_t rows = edit.Lines->Count();
    const std::int64_t where = state.range(0);
    const std::int32_t row = where == 0   ? std::max(0, rows - 10)
                             : where == 1 ? rows / 2
                                          : std::min(rows - 1, 10);
    edit.ShowPosition(10, row, ScrollKind::Follow, true);
  }
};

Document& Doc() {
  static Document* doc = new Document;
  return *doc;
}

std::size_t TextSize(const TLumoEdit& edit) {
  std::size_t n = 0;
  for (std::int32_t r = 0; r < edit.Lines->Count(); ++r) n += edit.Lines->Get(r).size();
  return n;
}

// Per run: the caret in place and `before`, the timed `op`, then `restore` (untimed); the
// text must end as it began.
template <typename Before, typename Op, typename Restore>
void Measure(benchmark::State& state, Before before, Op op, Restore restore) {
  Document& d = Doc();
  const std::size_t bytesBefore = TextSize(d.edit);
  std::vector<double> times, finishes;
  d.Place(state);
  d.Clean();
  ResetPeak();
  const long peakBefore = PeakKb();
  for (auto _ : state) {
    d.Place(state);
    before();
    d.Clean();
    const double seconds = TimedOp(op);
    state.SetIterationTime(seconds);
    times.push_back(seconds);
    const auto start = std::chrono::steady_clock::now();
    d.edit.FinishPendingWrap();
    finishes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    restore();
  }
  state.counters["peak_growth_kb"] = static_cast<double>(PeakKb() - peakBefore);
  d.Clean();
  // (Bytes, not rows: an undo cuts the line's end by the rule after an edit, which may keep
  // a terminator the whole-text wrap left alone in a row of its own.)
  d.edit.FinishPendingWrap();
  if (TextSize(d.edit) != bytesBefore) state.SkipWithError("the document changed");
  if (!times.empty()) {
    std::sort(times.begin(), times.end());
    state.counters["median_us"] = times[times.size() / 2] * 1e6;
    state.counters["max_us"] = times.back() * 1e6;
    std::sort(finishes.begin(), finishes.end());
    state.counters["finish_ms"] = finishes[finishes.size() / 2] * 1e3;
  }
}

void Key(Document& d, VirtualKey key) {
  d.edit.WmKeyDown(key, 0);
  d.edit.WmKeyUp(key, 0);
}

void BM_TypeChar(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [] {}, [&] { d.edit.WmChar('a'); }, [&] { d.edit.Undo(); });
}

void BM_Enter(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [] {}, [&] { Key(d, VK_RETURN); }, [&] { d.edit.Undo(); });
}

void BM_Backspace(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [] {}, [&] { Key(d, VK_BACK); }, [&] { d.edit.Undo(); });
}

void BM_Delete(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [] {}, [&] { Key(d, VK_DELETE); }, [&] { d.edit.Undo(); });
}

void BM_Paste(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [] {}, [&] { d.edit.PasteFromClipboard(); }, [&] { d.edit.Undo(); });
}

// The undo of one typed character (the typing is not timed).
void BM_Undo(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [&] { d.edit.WmChar('a'); }, [&] { d.edit.Undo(); }, [] {});
}

void BM_RowToLine(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [] {},
      [&] {
        benchmark::DoNotOptimize(d.edit.ToLine(RowPos{d.edit.CaretCol, d.edit.CaretRow}));
      },
      [] {});
}

void BM_LineToRow(benchmark::State& state) {
  Document& d = Doc();
  LinePos at;
  Measure(
      state,
      [&] {
        at = d.edit.ToLine(RowPos{d.edit.CaretCol, d.edit.CaretRow});
      },
      [&] { benchmark::DoNotOptimize(d.edit.ToRow(at)); }, [] {});
}

// The caret panel's column after a typed key (the key is not timed); `told`: the meter hears
// the editor's changes.
void CaretColumnAfterKey(benchmark::State& state, bool told) {
  Document& d = Doc();
  static CaretMeter meter;
  auto measure = [&] {
    return meter.Measure(*d.edit.Lines, d.edit.CaretRow, d.edit.CaretCol, d.edit.TabCount);
  };
  if (told) {
    d.edit.OnTextChange = [](TLumoEdit* sender, LinePos at, std::string_view removed,
                             std::string_view inserted) {
      meter.Changed(*sender->Lines, at.Line, at.Offset, removed, inserted);
    };
  }
  Measure(
      state,
      [&] {
        measure();  // as the panel did when the caret came there
        d.edit.WmChar('a');
      },
      [&] { benchmark::DoNotOptimize(measure()); }, [&] { d.edit.Undo(); });
  d.edit.OnTextChange = nullptr;
}

void BM_CaretColumnAfterKey(benchmark::State& state) { CaretColumnAfterKey(state, true); }
void BM_CaretColumnFromLineStart(benchmark::State& state) { CaretColumnAfterKey(state, false); }

void Configure(benchmark::internal::Benchmark* b) {
  b->ArgName("where")->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Iterations(15)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_TypeChar)->Apply(Configure);
BENCHMARK(BM_Enter)->Apply(Configure);
BENCHMARK(BM_Backspace)->Apply(Configure);
BENCHMARK(BM_Delete)->Apply(Configure);
BENCHMARK(BM_Paste)->Apply(Configure);
BENCHMARK(BM_Undo)->Apply(Configure);
BENCHMARK(BM_RowToLine)->Apply(Configure);
BENCHMARK(BM_LineToRow)->Apply(Configure);
BENCHMARK(BM_CaretColumnAfterKey)->Apply(Configure);
BENCHMARK(BM_CaretColumnFromLineStart)->Apply(Configure);

}  // namespace
}  // namespace quiret

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const quiret::Document& d = quiret::Doc();
  std::printf("document: one line of %zu bytes, %d rows; load and wrap %.2f s\n", d.bytes,
              d.edit.Lines->Count(), d.loadSeconds);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
