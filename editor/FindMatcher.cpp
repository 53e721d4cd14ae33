// FindMatcher: the plain search (memmem, or the two-form scan when the case is ignored, over
// whole chunks of rows) and what both kinds of search share; regular expressions are in
// FindMatcherRegex.cpp.
#include "editor/FindMatcher.h"

#include <algorithm>
#include <cstring>

#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

// How far a plain scan goes between two looks at the host, and how much work between them.
constexpr std::size_t kScanWindow = std::size_t{1} << 20;

std::size_t RowStartOf(const FindChunk& chunk, std::size_t pos) {
  auto it = std::upper_bound(chunk.rowStarts.begin(), chunk.rowStarts.end(), pos);
  return it == chunk.rowStarts.begin() ? 0 : *(it - 1);
}

}  // namespace

bool HoldsLineBytes(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool HoldsLoneLineBytes(std::string_view s) {
  for (std::size_t i = s.find_first_of(std::string_view("\r\n\0", 3)); i != std::string_view::npos;
       i = s.find_first_of(std::string_view("\r\n\0", 3), i + 2)) {
    if (s[i] != '\r' || i + 1 >= s.size() || s[i + 1] != '\n') return true;
  }
  return false;
}

std::size_t LineStartBefore(std::string_view text, std::size_t pos) {
  const void* nl = pos == 0 ? nullptr : memrchr(text.data(), '\n', pos);
  return nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text.data()) + 1 : 0;
}

std::size_t LineEndAfter(std::string_view text, std::size_t start) {
  const void* nl = std::memchr(text.data() + start, '\n', text.size() - start);
  if (nl) return static_cast<std::size_t>(static_cast<const char*>(nl) - text.data()) - 1;  // before CR LF
  return text.size() >= start + 2 ? text.size() - 2 : text.size();  // before the end marker
}

void FindMatcher::FoldCase(std::string& text) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 'A' && b <= 'Z') {
      text[i] = static_cast<char>(b + 0x20);
      ++i;
    } else if (CharLenFrom(text, i) == 2) {
      const auto t = static_cast<unsigned char>(text[i + 1]);
      if (b == 0x82 && t >= 0x60 && t <= 0x79) text[i + 1] = static_cast<char>(t + 0x21);  // Ａ-Ｚ
      i += 2;
    } else {
      ++i;
    }
  }
}

bool FindMatcher::Compile(std::string_view pattern, const TFindOptions& options) {
  options_ = options;
  error_.clear();
  DropRegex();
  forms_ = TwoFormText{};
  needle_.assign(pattern);
  if (pattern.empty() || HoldsLineBytes(pattern)) return false;
  std::size_t last = 0;
  for (std::size_t i = 0; i < pattern.size(); i += CharLenFrom(pattern, i)) last = i;
  if (last + 1 == pattern.size() && IsLeadByte(static_cast<unsigned char>(pattern[last])))
    return false;  // ends inside a double-byte character
  if (options.Regex) return CompileRegex(pattern);
  if (!options.MatchCase) {
    FoldCase(needle_);
    // The other form of each folded letter: A-Z, and the trail byte of Ａ-Ｚ.
    forms_ = TwoFormText{needle_, needle_};
    for (std::size_t i = 0; i < needle_.size(); i += CharLenFrom(needle_, i)) {
      const auto b = static_cast<unsigned char>(needle_[i]);
      if (b >= 'a' && b <= 'z') forms_.b[i] = static_cast<char>(b - 0x20);
      if (CharLenFrom(needle_, i) == 2 && b == 0x82) {
        const auto t = static_cast<unsigned char>(needle_[i + 1]);
        if (t >= 0x81 && t <= 0x9A) forms_.b[i + 1] = static_cast<char>(t - 0x21);
      }
    }
  }
  return true;
}

bool FindMatcher::Tick(std::size_t work, std::size_t at) {
  work_ += work;
  if (work_ < kPollWork) return true;
  work_ = 0;
  if (!Poll || Poll(at)) return true;
  Stop(TFindStop::fsCancel, at);
  return false;
}

bool FindMatcher::OnBoundary(const FindChunk& chunk, std::size_t pos) {
  // Lead-range bytes pair up from the start of their run (or from a known character
  // start), so only the run right before pos is looked at; remembering the last answer
  // keeps a series of rising positions linear even in a row made of such bytes.
  const std::string_view text = chunk.text;
  const std::size_t rowStart = RowStartOf(chunk, pos);
  const std::size_t lo = knownBoundary_ >= rowStart && knownBoundary_ <= pos ? knownBoundary_ : rowStart;
  std::size_t k = pos;
  while (k > lo && IsLeadByte(static_cast<unsigned char>(text[k - 1]))) --k;
  const auto here = static_cast<unsigned char>(text[pos]);
  const bool boundary = (pos - k) % 2 == 0 || here == '\r' || here == '\n' || here == 0;
  knownBoundary_ = boundary ? pos : pos + 1;
  return boundary;
}

bool FindMatcher::FirstPlain(const FindChunk& chunk, std::size_t from, std::size_t& at) {
  const std::string_view hay = chunk.text;
  const std::size_t m = needle_.size();
  while (from + m <= hay.size()) {
    // A window at a time, so that the host hears of a long chunk now and then.
    const std::size_t end = std::min(hay.size(), from + kScanWindow + m - 1);
    std::size_t pos = std::string_view::npos;
    if (options_.MatchCase) {
      if (const void* p = memmem(hay.data() + from, end - from, needle_.data(), m))
        pos = static_cast<std::size_t>(static_cast<const char*>(p) - hay.data());
    } else {
      pos = FindTwoForm(hay.substr(0, end), from, forms_);
    }
    if (!Tick((pos == std::string_view::npos ? end : pos + 1) - from, from)) return false;
    if (pos == std::string_view::npos) {
      if (end == hay.size()) return false;
      from = end - (m - 1);
      continue;
    }
    if (OnBoundary(chunk, pos)) {
      at = pos;
      return true;
    }
    from = pos + 1;  // a match starting on a trail byte is no match
  }
  return false;
}

}  // namespace quiret
