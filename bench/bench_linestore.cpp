// Line store throughput: loads and saves generated Shift-JIS files, printing MB/s and peak memory.
//
// Each measurement runs in a fresh copy of this program (re-executed with --child), so the
// reported peak resident size belongs to that one load and save alone.
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "text/LumoStrings.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds of this process: on a busy machine the wall clock also counts waiting turns.
double CpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Peak and current resident size in KiB, from the kernel's own accounting.
long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  std::size_t n = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') {
      return std::atol(line.c_str() + n + 1);
    }
  }
  return -1;
}

// About 70 bytes a line: ASCII words and double-byte characters (hiragana, kanji, and
// kanji whose trail byte looks like '\' or '@'), in the given break style.
void Generate(const std::string& path, std::size_t bytes, const char* brk) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::mt19937 rng(932);
  static const char* const pieces[] = {"\x82\xa0", "\x82\xa2", "\x8a\xbf", "\x8e\x9a",
                                       "\x95\x5c", "\x83\x5c", "\x81\x40", "abc ",
                                       "Quiret ",  "0123 ",    "line, ",   "\x82\xcc"};
  std::string block;
  std::size_t written = 0;
  while (written < bytes) {
    std::string line;
    std::size_t target = 50 + rng() % 40;
    while (line.size() < target) line += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    line += brk;
    block += line;
    if (block.size() >= (1u << 20)) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      written += block.size();
      block.clear();
    }
  }
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

// A file of 200 million empty lines is more rows than the store takes: how long it takes
// to be refused, and how much it held meanwhile.
int RefuseChild(const std::string& file) {
  long baseKiB = StatusKiB("VmRSS");
  quiret::TLumoStrings store;
  double c0 = CpuSeconds();
  auto t0 = Clock::now();
  std::string message = "loaded";
  try {
    store.LoadFromFile(file);
  } catch (const std::exception& e) {
    message = e.what();
  }
  double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  double peakMb = static_cast<double>(StatusKiB("VmHWM") - baseKiB) / 1024.0;
  std::printf("200 M empty lines (%.0f MB): refused in %.3f s (cpu %.3f s), peak %.1f MB: %s\n",
              static_cast<double>(std::filesystem::file_size(file)) / 1e6, seconds, CpuSeconds() - c0, peakMb,
              message.c_str());
  return 0;
}

int Child(const std::string& file, const std::string& label) {
  double mb = static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
  long baseKiB = StatusKiB("VmRSS");
  quiret::TLumoStrings store;
  double c0 = CpuSeconds();
  auto t0 = Clock::now();
  store.LoadFromFile(file);
  auto t1 = Clock::now();
  double c1 = CpuSeconds();
  long loadPeakKiB = StatusKiB("VmHWM");
  std::string saved = file + ".saved";
  store.SaveToFile(saved);
  auto t2 = Clock::now();
  double c2 = CpuSeconds();
  double load = std::chrono::duration<double>(t1 - t0).count();
  double save = std::chrono::duration<double>(t2 - t1).count();
  double peakMb = static_cast<double>(loadPeakKiB - baseKiB) / 1024.0;
  std::printf(
      "%-4s %6.1f MB %8d rows | load %6.3f s (cpu %6.3f s) %5.0f MB/s | save %6.3f s "
      "(cpu %6.3f s) %5.0f MB/s | peak %6.1f MB (%.2fx file)\n",
      label.c_str(), mb, store.Count(), load, c1 - c0, mb / load, save, c2 - c1, mb / save, peakMb,
      peakMb / mb);
  std::filesystem::remove(saved);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--child") == 0) return Child(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "--refuse") == 0) return RefuseChild(argv[2]);

  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("quiret-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::printf("Line store load/save (warm page cache; peak = resident growth during the load)\n");
  struct Style {
    const char* name;
    const char* brk;
  };
  const Style styles[] = {{"CRLF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};
  for (std::size_t mb : {1, 10, 100}) {
    for (const Style& style : styles) {
      std::string file = (dir / (std::string(style.name) + ".txt")).string();
      Generate(file, mb << 20, style.brk);
      std::fflush(stdout);
      pid_t pid = ::fork();
      if (pid == 0) {
        ::execl("/proc/self/exe", argv[0], "--child", file.c_str(), style.name, static_cast<char*>(nullptr));
        std::_Exit(127);
      }
      int status = 0;
      ::waitpid(pid, &status, 0);
      std::filesystem::remove(file);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("child for %s failed\n", file.c_str());
      }
    }
  }
  {
    std::string file = (dir / "empty-lines.txt").string();
    {
      std::ofstream out(file, std::ios::binary);
      const std::string block(1000000, '\n');
      for (int i = 0; i < 200; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    std::fflush(stdout);
    pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/proc/self/exe", argv[0], "--refuse", file.c_str(), static_cast<char*>(nullptr));
      std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::filesystem::remove(file);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
