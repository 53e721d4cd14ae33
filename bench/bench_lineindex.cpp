// Logical line queries and single-row edits in the middle of a 1.5-million-row document.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "text/LumoStrings.h"

namespace {

constexpr std::int32_t kRows = 1'500'000;
constexpr std::int32_t kMiddle = kRows / 2;

// A wrapped document: every third row continues its line, the rest end with CR LF.
quiret::TLumoStrings& Document() {
  static quiret::TLumoStrings* store = [] {
    std::vector<std::string> rows;
    rows.reserve(kRows);
    for (std::int32_t i = 0; i + 1 < kRows; ++i) {
      rows.push_back(std::string(40 + i % 30, 'a') + (i % 3 == 1 ? "" : "\r\n"));
    }
    rows.emplace_back(quiret::TLumoStrings::kEndMarker);
    auto* s = new quiret::TLumoStrings;
    s->Assign(std::move(rows));
    s->RowAfterLfRow(1);  // the first query indexes the loaded rows
    return s;
  }();
  return *store;
}

std::vector<std::int32_t> RandomValues(std::int32_t below) {
  std::mt19937 rng(932);
  std::vector<std::int32_t> values(4096);
  for (auto& v : values) v = static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(below));
  return values;
}

void BM_LfRowsBefore(benchmark::State& state) {
  auto& s = Document();
  const auto rows = RandomValues(s.Count() + 1);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(s.LfRowsBefore(rows[i++ % rows.size()]));
}
BENCHMARK(BM_LfRowsBefore);

void BM_RowAfterLfRow(benchmark::State& state) {
  auto& s = Document();
  const auto lines = RandomValues(s.LfRowsBefore(s.Count()) + 1);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(s.RowAfterLfRow(lines[i++ % lines.size()]));
}
BENCHMARK(BM_RowAfterLfRow);

// What each query cost before the index: a walk over the rows up to the middle.
void BM_LinearWalkToMiddle(benchmark::State& state) {
  auto& s = Document();
  for (auto _ : state) {
    std::int32_t lfs = 0;
    for (std::int32_t r = 0; r < kMiddle; ++r) {
      std::string_view row = s.Get(r);
      lfs += !row.empty() && row.back() == '\n';
    }
    benchmark::DoNotOptimize(lfs);
  }
}
BENCHMARK(BM_LinearWalkToMiddle)->Unit(benchmark::kMillisecond);

// An Enter and its undo: the row store moves its slots, the index updates one chunk.
void BM_InsertDeleteMiddle(benchmark::State& state) {
  auto& s = Document();
  for (auto _ : state) {
    s.Insert(kMiddle, "inserted\r\n");
    s.Delete(kMiddle);
  }
}
BENCHMARK(BM_InsertDeleteMiddle)->Unit(benchmark::kMicrosecond);

// The same with both queries after each edit, as a keystroke would ask them.
void BM_InsertDeleteMiddleWithQueries(benchmark::State& state) {
  auto& s = Document();
  for (auto _ : state) {
    s.Insert(kMiddle, "inserted\r\n");
    benchmark::DoNotOptimize(s.RowAfterLfRow(s.LfRowsBefore(kMiddle + 1)));
    s.Delete(kMiddle);
    benchmark::DoNotOptimize(s.RowAfterLfRow(s.LfRowsBefore(kMiddle + 1)));
  }
}
BENCHMARK(BM_InsertDeleteMiddleWithQueries)->Unit(benchmark::kMicrosecond);

// Joining a row to the next line and splitting it again: Put changes the row's LF bit.
void BM_PutMiddle(benchmark::State& state) {
  auto& s = Document();
  const std::string original(s.Get(kMiddle));
  bool lf = false;
  for (auto _ : state) {
    s.Put(kMiddle, lf ? "put\r\n" : "put");
    lf = !lf;
  }
  s.Put(kMiddle, original);
}
BENCHMARK(BM_PutMiddle);

// The one pass that indexes the rows after a bulk change (here a Recut into the same rows).
void BM_FirstQueryAfterRecut(benchmark::State& state) {
  auto& s = Document();
  std::vector<std::uint32_t> lengths;
  for (std::int32_t r = 0; r < s.Count(); ++r) lengths.push_back(s.Get(r).size());
  for (auto _ : state) {
    state.PauseTiming();
    s.Recut(lengths);
    state.ResumeTiming();
    benchmark::DoNotOptimize(s.LfRowsBefore(kMiddle));
  }
}
BENCHMARK(BM_FirstQueryAfterRecut)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
