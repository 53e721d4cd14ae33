// Editing benchmarks: single keystrokes on a wrapped 100 MB document (about 1.5 million
// lines), with the caret at the end and in the middle of the text. Each figure is the time
// of the key handler alone (manual timing); putting the caret in place and taking the change
// back happen outside the timed part. The document is built once for all of them.
// QUIRET_BENCH_JOURNAL=1 runs the editing figures a second time (journal:1) with the recovery
// journal written as the shell writes it, into a scratch state folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/RecoveryJournal.h"
#include "bench/BenchText.h"
#include "editor/LumoEdit.h"
#include "tests/support/TestEditorWindow.h"

namespace quiret {
namespace {

// Lines of 40..100 bytes (about 70 on average) of ASCII words and double-byte characters,
// CR LF after each but the last. A line longer than the 80 columns of the text area wraps.
// The last line is short, so the caret at the end of the text is on a row of its own.
std::string MakeText(std::size_t bytes) { return MakeBenchText(bytes) + "\r\nthe end"; }

// The control as the shell sets it up: word wrap at the window width (80 half-width
// columns of 8 pixels), 40 rows in view, focused, the file loaded and laid out.
struct Document {
  TestEditorWindow win;
  TLumoEdit edit{win};
  std::int32_t rows = 0;
  std::int32_t lines = 0;
  double loadSeconds = 0;

  Document() {
    SetUpBenchEditor(edit, win);

    // QUIRET_BENCH_MB sets the document's size (100 MB unless set).
    const char* mb = std::getenv("QUIRET_BENCH_MB");
    const std::string text = MakeText(std::size_t(mb ? std::max(1, std::atoi(mb)) : 100) << 20);
    for (char c : text) lines += c == '\n';
    ++lines;
    loadSeconds = OpenAsFile(edit, text);
    win.SetFocus();
    rows = edit.Lines->Count();
    Clean();
  }

  // The recovery journal, written from every change while `on`, as the shell does.
  struct Journal {
    std::string folder;
    RecoveryRun run;
    std::unique_ptr<DocumentJournal> doc;
    bool on = false;
  } journal;

  void StartJournal() {
    std::string folder = (std::filesystem::temp_directory_path() / "quiret-bench-state-XXXXXX").string();
    std::string reason;
    if (!mkdtemp(folder.data()) || !journal.run.Start(folder, reason)) {
      std::fprintf(stderr, "no journal folder: %s\n", reason.c_str());
      std::exit(1);
    }
    journal.folder = folder;
    journal.doc = std::make_unique<DocumentJournal>(journal.run);
    journal.doc->Restart(JournalHeader{}, 0);
    edit.OnTextChange = [this](TLumoEdit*, LinePos at, std::string_view removed, std::string_view inserted) {
      if (journal.on) journal.doc->Add(at.Line, at.Offset, removed, inserted);
    };
    edit.OnStepEnd = [this](TLumoEdit*) { journal.doc->EndStep(); };
  }

  ~Document() {
    if (journal.doc) {
      journal.doc->Discard();
      std::filesystem::remove_all(journal.folder);
    }
  }

  // Forgets what the test window recorded, so the records do not grow without end.
  void Clean() {
    win.surface.Clear();
    win.caretLog.clear();
    win.compositions.clear();
    edit.ClearRedoList();
  }

  void CaretAtEnd() { edit.MoveToTextEnd(); }
  void CaretInMiddle(std::int32_t col) { edit.ShowPosition(col, rows / 2, ScrollKind::Follow, true); }
};

Document& Doc() {
  static Document* doc = new Document;
  return *doc;
}

// Runs `place` (caret), the timed `op`, then `restore`, per iteration; checks that the
// document ends as it began.
template <typename Place, typename Op, typename Restore>
void Measure(benchmark::State& state, Place place, Op op, Restore restore) {
  Document& d = Doc();
  d.journal.on = state.range(1) != 0;
  const std::int32_t rowsBefore = d.edit.Lines->Count();
  std::vector<double> times;
  for (auto _ : state) {
    place();
    d.Clean();
    const double seconds = TimedOp(op);
    state.SetIterationTime(seconds);
    times.push_back(seconds);
    restore();
  }
  d.Clean();
  d.journal.on = false;
  if (d.edit.Lines->Count() != rowsBefore) state.SkipWithError("the document changed");
  state.counters["rows"] = d.edit.Lines->Count();
  if (!times.empty()) {
    // The first call after the load can pay one-time costs that the mean hides or the
    // median leaves out; both are shown with the slowest call.
    std::sort(times.begin(), times.end());
    state.counters["median_us"] = times[times.size() / 2] * 1e6;
    state.counters["max_us"] = times.back() * 1e6;
  }
}

// range(0): 0 = caret at the end of the text, 1 = in the middle.
void Place(Document& d, benchmark::State& state, std::int32_t col) {
  if (state.range(0) == 0)
    d.CaretAtEnd();
  else
    d.CaretInMiddle(col);
}

void BM_TypeChar(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [&] { Place(d, state, 10); }, [&] { d.edit.WmChar('a'); }, [&] { d.edit.Undo(); });
}

void BM_Enter(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [&] { Place(d, state, 10); },
      [&] {
        d.edit.WmKeyDown(VK_RETURN, 0);
        d.edit.WmKeyUp(VK_RETURN, 0);
      },
      [&] { d.edit.Undo(); });
}

void BM_Backspace(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state, [&] { Place(d, state, 10); },
      [&] {
        d.edit.WmKeyDown(VK_BACK, 0);
        d.edit.WmKeyUp(VK_BACK, 0);
      },
      [&] { d.edit.Undo(); });
}

// The undo of one typed character.
void BM_Undo(benchmark::State& state) {
  Document& d = Doc();
  Measure(
      state,
      [&] {
        Place(d, state, 10);
        d.edit.WmChar('a');
      },
      [&] { d.edit.Undo(); }, [] {});
}

// Page Down and the paint it asks for (the key only invalidates the rows). In the middle
// the view moves on a page each time, through the document (back to the middle should it
// reach the end); at the end the caret starts two pages above the last row each time.
void BM_PageDown(benchmark::State& state) {
  Document& d = Doc();
  const bool atEnd = state.range(0) == 0;
  if (atEnd) {
    d.edit.ShowPosition(0, d.rows - 1 - 2 * d.edit.VisibleRows, ScrollKind::Follow, true);
  } else {
    d.CaretInMiddle(0);
  }
  std::int32_t startTop = d.edit.TopRow;
  std::int32_t paged = 0;
  double keySeconds = 0, paintSeconds = 0;
  Measure(
      state,
      [&] {
        if (atEnd || d.edit.TopRow >= d.edit.MaxTopRow) {
          paged += d.edit.TopRow - startTop;
          d.edit.ShowPosition(0, atEnd ? d.rows - 1 - 2 * d.edit.VisibleRows : d.rows / 2, ScrollKind::Follow,
                              true);
          startTop = d.edit.TopRow;
        }
      },
      [&] {
        const auto t0 = std::chrono::steady_clock::now();
        d.edit.WmKeyDown(VK_NEXT, 0);
        d.edit.WmKeyUp(VK_NEXT, 0);
        const auto t1 = std::chrono::steady_clock::now();
        d.win.Paint();
        const auto t2 = std::chrono::steady_clock::now();
        keySeconds += std::chrono::duration<double>(t1 - t0).count();
        paintSeconds += std::chrono::duration<double>(t2 - t1).count();
      },
      [] {});
  paged += d.edit.TopRow - startTop;
  const double n = static_cast<double>(state.iterations());
  state.counters["rows_moved"] = static_cast<double>(paged) / n;  // per key
  state.counters["key_us"] = keySeconds * 1e6 / n;
  state.counters["paint_us"] = paintSeconds * 1e6 / n;
}

bool JournalAsked() {
  const char* v = std::getenv("QUIRET_BENCH_JOURNAL");
  return v && *v && std::string(v) != "0";
}

// Each at the end (middle:0) and in the middle (middle:1) of the text, a fixed number of
// times, so the whole program stays well under a minute; with the journal asked for, the
// editing ones again with it (journal:1).
void Configure(benchmark::internal::Benchmark* b) {
  b->ArgNames({"middle", "journal"})->UseManualTime()->Iterations(30)->Unit(benchmark::kMicrosecond);
  for (int journal = 0; journal <= (JournalAsked() ? 1 : 0); ++journal)
    for (int middle = 0; middle <= 1; ++middle) b->Args({middle, journal});
}

void ConfigureView(benchmark::internal::Benchmark* b) {
  b->ArgNames({"middle", "journal"})->Args({0, 0})->Args({1, 0})->UseManualTime()->Iterations(30);
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_TypeChar)->Apply(Configure);
BENCHMARK(BM_Enter)->Apply(Configure);
BENCHMARK(BM_Backspace)->Apply(Configure);
BENCHMARK(BM_Undo)->Apply(Configure);
BENCHMARK(BM_PageDown)->Apply(ConfigureView);

}  // namespace
}  // namespace quiret

// The document is built before the benchmarks run, so its cost is printed once and stays
// out of every figure.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  quiret::Document& d = quiret::Doc();
  std::printf("document: %d lines, %d rows; load and wrap %.2f s\n", d.lines, d.rows, d.loadSeconds);
  if (quiret::JournalAsked()) {
    d.StartJournal();
    std::printf("journal:1 figures write the recovery journal into %s\n", d.journal.folder.c_str());
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
