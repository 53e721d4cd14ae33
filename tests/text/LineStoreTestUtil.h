// Helpers for line store tests: the soundness check, row dumps and scratch files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "text/LumoStrings.h"

namespace quiret::test {

using Strings = std::vector<std::string>;

// The row model must hold after every loading operation.
#define EXPECT_SOUND(store) EXPECT_EQ((store).CheckInvariant(), "") << "store is not sound"

inline Strings Rows(const TLumoStrings& store) {
  Strings rows;
  for (std::int32_t i = 0; i < store.Count(); ++i) rows.emplace_back(store.Get(i));
  return rows;
}

// Rows as the given lengths cut them from the text.
inline Strings CutText(const std::string& text, const std::vector<std::uint32_t>& lengths) {
  Strings rows;
  std::size_t at = 0;
  for (std::size_t n : lengths) {
    rows.push_back(text.substr(at, n));
    at += n;
  }
  return rows;
}

// Bytes with embedded zeros, written naturally: B("abc\0\0") keeps both zeros.
template <std::size_t N>
std::string B(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// A directory of its own under the system temp folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir()
      : path_(std::filesystem::temp_directory_path() /
              ("quiret-linestore-" + std::to_string(::getpid()) + "-" + std::to_string(n_++))) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }

  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary).write(bytes.data(), std::ssize(bytes));
    return File(name);
  }
  static std::string Read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  static inline int n_ = 0;
  std::filesystem::path path_;
};

}  // namespace quiret::test
