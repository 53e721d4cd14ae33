// Counting hits the way the shell does while the window stays responsive: slices of 1 MB
// over a large text (QUIRET_BENCH_MB, default 1000), for an absent word (the whole text is
// looked at), a frequent one (stopped at 100,000) and a regular expression. Prints the
// whole time, the longest slice (what the window waits at most between two events) and the
// most memory the count held beyond the text (resident, looked at after each slice).
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchText.h"
#include "editor/HitCounter.h"
#include "text/LumoStrings.h"

namespace quiret {
namespace {

long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Resident memory now.
long ResidentKiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Count(const TLumoStrings& rows, const char* pattern, const TFindOptions& options, std::size_t slice) {
  using Clock = std::chrono::steady_clock;
  const long before = ResidentKiB();
  long most = before;
  HitCounter c;
  c.Start(rows, pattern, options);
  double longest = 0;
  int slices = 0;
  const auto start = Clock::now();
  for (HitCounter::State s = HitCounter::State::Running; s == HitCounter::State::Running; ++slices) {
    const auto t = Clock::now();
    s = c.Step(slice);
    most = std::max(most, ResidentKiB());
    longest = std::max(longest, std::chrono::duration<double>(Clock::now() - t).count());
  }
  const double all = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%-24s %8zu hits%s  %7.3f s  %5d slices, longest %5.1f ms  +%ld MiB\n", pattern, c.Count(),
              c.GetState() == HitCounter::State::Capped ? "+" : " ", all, slices, longest * 1000,
              (most - before) / 1024);
}

}  // namespace
}  // namespace quiret

int main() {
  using namespace quiret;
  const char* mb = std::getenv("QUIRET_BENCH_MB");
  const std::size_t bytes = static_cast<std::size_t>(mb ? std::atol(mb) : 1000) << 20;
  TLumoStrings rows;
  rows.SetText(MakeBenchText(bytes, "the zebra "));
  malloc_trim(0);  // the generated text is gone: what is resident now is the rows
  std::printf("text: %zu MB, %d rows, peak %ld MiB\n", bytes >> 20, rows.Count(), PeakKiB() / 1024);
  const std::size_t slice = std::size_t{1} << 20;
  Count(rows, "zzqx", TFindOptions{}, slice);
  Count(rows, "ZZQX", TFindOptions{false, false}, slice);
  Count(rows, "zebra", TFindOptions{}, slice);
  Count(rows, "zz[qx]+y", TFindOptions{true, true}, slice / 8);
  return 0;
}
