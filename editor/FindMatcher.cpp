// FindMatcher: plain search with memmem over whole chunks of rows, regular expressions with
// PCRE2 per logical line; both keep matches on character boundaries.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "editor/FindMatcher.h"

#include <pcre2.h>

#include <algorithm>
#include <cstring>

#include "editor/LumoEditSub.h"
#include "platform/Codec932.h"

namespace quiret {

namespace {

// Private-use code points for bytes code page 932 does not define: planes 15 and 16 lie
// beyond everything the code page maps to, so they can never stand for a real character.
constexpr char32_t kBadPair = 0xF0000;   // + lead << 8 | trail
constexpr char32_t kBadByte = 0x10FF00;  // + byte

// Whether `pos` starts a character, given that `rowStart` does.
bool OnBoundary(std::string_view text, std::size_t rowStart, std::size_t pos) {
  return ByteKindAt(text.substr(rowStart), static_cast<std::int32_t>(pos - rowStart) + 1) != 2;
}

std::size_t RowStartOf(const FindChunk& chunk, std::size_t pos) {
  auto it = std::upper_bound(chunk.rowStarts.begin(), chunk.rowStarts.end(), pos);
  return it == chunk.rowStarts.begin() ? 0 : *(it - 1);
}

}  // namespace

bool HoldsLineBytes(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
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

void ToUtf8Mapped(std::string_view cp932, std::string& utf8, std::vector<std::size_t>& map) {
  const Codec932& codec = Codec932::Instance();
  utf8.clear();
  map.clear();
  utf8.reserve(cp932.size() + cp932.size() / 2);
  map.reserve(utf8.capacity() + 1);
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t n = CharLenFrom(cp932, i);
    int len = 1;
    char32_t c = codec.DecodeAt(cp932.substr(0, i + n), i, len);
    if (c == 0 || static_cast<std::size_t>(len) != n) {
      const auto b = static_cast<unsigned char>(cp932[i]);
      c = n == 2 ? kBadPair + (static_cast<char32_t>(b) << 8 | static_cast<unsigned char>(cp932[i + 1]))
                 : kBadByte + b;
    }
    Codec932::AppendUtf8(utf8, c);
    map.resize(utf8.size(), i);
    i += n;
  }
  map.push_back(cp932.size());
}

std::string FromUtf8Mapped(std::string_view utf8) {
  const Codec932& codec = Codec932::Instance();
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    const std::string_view one = utf8.substr(i, n);
    i += n;
    if (n == 4 && one.size() == 4) {
      const char32_t c = (static_cast<char32_t>(b & 0x07) << 18) |
                         (static_cast<char32_t>(one[1] & 0x3F) << 12) |
                         (static_cast<char32_t>(one[2] & 0x3F) << 6) | static_cast<char32_t>(one[3] & 0x3F);
      if (c >= kBadByte) {
        out += static_cast<char>(c - kBadByte);
        continue;
      }
      if (c >= kBadPair && c < kBadPair + 0x10000) {
        out += static_cast<char>((c - kBadPair) >> 8);
        out += static_cast<char>((c - kBadPair) & 0xFF);
        continue;
      }
    }
    out += codec.FromUtf8(one);
  }
  return out;
}

struct FindMatcher::Regex {
  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
  std::string utf8;
  std::vector<std::size_t> map;
  ~Regex() {
    if (match) pcre2_match_data_free(match);
    if (code) pcre2_code_free(code);
  }
  // Converts a line; the map stays empty for a line of ASCII bytes, which need none.
  void Load(std::string_view line) {
    if (std::all_of(line.begin(), line.end(),
                    [](char ch) { return static_cast<unsigned char>(ch) < 0x80; })) {
      utf8.assign(line);
      map.clear();
    } else {
      ToUtf8Mapped(line, utf8, map);
    }
  }
  std::size_t ToCp(std::size_t u) const { return map.empty() ? u : map[u]; }
  std::size_t ToUtf(std::size_t cp) const {
    return map.empty() ? cp
                       : static_cast<std::size_t>(std::lower_bound(map.begin(), map.end(), cp) - map.begin());
  }
  // The first non-empty match at or after UTF-8 offset `from`.
  bool Match(std::size_t from, std::size_t& b, std::size_t& e) {
    if (from > utf8.size()) return false;
    const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), from,
                               PCRE2_NOTEMPTY, match, nullptr);
    if (rc < 0) return false;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(match);
    b = ov[0];
    e = ov[1];
    return e > b;
  }
};

FindMatcher::FindMatcher() = default;
FindMatcher::~FindMatcher() = default;

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
  regex_.reset();
  needle_.assign(pattern);
  if (pattern.empty() || HoldsLineBytes(pattern)) return false;
  std::size_t last = 0;
  for (std::size_t i = 0; i < pattern.size(); i += CharLenFrom(pattern, i)) last = i;
  if (last + 1 == pattern.size() && IsLeadByte(static_cast<unsigned char>(pattern[last])))
    return false;  // ends inside a double-byte character
  if (!options.Regex) {
    if (!options.MatchCase) FoldCase(needle_);
    return true;
  }
  auto re = std::make_unique<Regex>();
  std::string utf8;
  std::vector<std::size_t> map;
  ToUtf8Mapped(pattern, utf8, map);
  int code = 0;
  PCRE2_SIZE offset = 0;
  re->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(),
                           PCRE2_UTF | (options.MatchCase ? 0 : PCRE2_CASELESS), &code, &offset, nullptr);
  if (!re->code) {
    PCRE2_UCHAR buf[256];
    pcre2_get_error_message(code, buf, sizeof buf);
    error_ = reinterpret_cast<const char*>(buf);
    return false;
  }
  pcre2_jit_compile(re->code, PCRE2_JIT_COMPLETE);  // falls back to the interpreter when absent
  re->match = pcre2_match_data_create_from_pattern(re->code, nullptr);
  regex_ = std::move(re);
  return true;
}

void FindMatcher::Load(const FindChunk& chunk) {
  if (options_.Regex || options_.MatchCase) return;
  folded_ = chunk.text;
  FoldCase(folded_);
}

bool FindMatcher::FirstPlain(const FindChunk& chunk, std::size_t from, std::size_t& at) {
  const std::string& hay = options_.MatchCase ? chunk.text : folded_;
  while (from + needle_.size() <= hay.size()) {
    const void* p = memmem(hay.data() + from, hay.size() - from, needle_.data(), needle_.size());
    if (!p) return false;
    const std::size_t pos = static_cast<const char*>(p) - hay.data();
    if (OnBoundary(chunk.text, RowStartOf(chunk, pos), pos)) {
      at = pos;
      return true;
    }
    from = pos + 1;  // a match starting on a trail byte is no match
  }
  return false;
}

bool FindMatcher::FirstRegex(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len) {
  const std::string_view text = chunk.text;
  std::size_t ls = LineStartBefore(text, from);
  while (ls < text.size()) {
    const std::size_t le = LineEndAfter(text, ls);
    regex_->Load(text.substr(ls, le - ls));
    std::size_t b = 0, e = 0;
    if (regex_->Match(from > ls ? regex_->ToUtf(from - ls) : 0, b, e)) {
      at = ls + regex_->ToCp(b);
      len = regex_->ToCp(e) - regex_->ToCp(b);
      return true;
    }
    ls = le + 2;
  }
  return false;
}

bool FindMatcher::LastRegex(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len) {
  const std::string_view text = chunk.text;
  std::size_t ls = LineStartBefore(text, std::min(limit, text.size()));
  for (;;) {
    if (ls < limit) {
      const std::size_t le = LineEndAfter(text, ls);
      regex_->Load(text.substr(ls, le - ls));
      std::size_t b = 0, e = 0, from = 0;
      bool found = false;
      while (regex_->Match(from, b, e) && ls + regex_->ToCp(b) < limit) {
        at = ls + regex_->ToCp(b);
        len = regex_->ToCp(e) - regex_->ToCp(b);
        found = true;
        from = b + 1;
        while (from < regex_->utf8.size() && (regex_->utf8[from] & 0xC0) == 0x80) ++from;
      }
      if (found) return true;
    }
    if (ls == 0) return false;
    ls = LineStartBefore(text, ls - 1);
  }
}

bool FindMatcher::First(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len) {
  if (regex_) return FirstRegex(chunk, from, at, len);
  len = needle_.size();
  return FirstPlain(chunk, from, at);
}

bool FindMatcher::Last(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len) {
  if (regex_) return LastRegex(chunk, limit, at, len);
  // Forward through the chunk: memmem is fast, and the last match before the limit wins.
  bool found = false;
  std::size_t from = 0, pos = 0;
  while (from < limit && FirstPlain(chunk, from, pos) && pos < limit) {
    at = pos;
    found = true;
    from = pos + 1;
  }
  len = needle_.size();
  return found;
}

std::string FindMatcher::Substitute(std::string_view line, std::size_t at, std::string_view replacement) {
  if (!regex_) return std::string(replacement);
  regex_->Load(line);
  std::string rep;
  std::vector<std::size_t> map;
  ToUtf8Mapped(replacement, rep, map);
  std::string out(rep.size() + 256, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    PCRE2_SIZE outLen = out.size();
    const int rc = pcre2_substitute(regex_->code, reinterpret_cast<PCRE2_SPTR>(regex_->utf8.data()),
                                    regex_->utf8.size(), regex_->ToUtf(at),
                                    PCRE2_ANCHORED | PCRE2_NOTEMPTY | PCRE2_SUBSTITUTE_REPLACEMENT_ONLY |
                                        PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_SUBSTITUTE_UNKNOWN_UNSET |
                                        PCRE2_SUBSTITUTE_UNSET_EMPTY,
                                    regex_->match, nullptr, reinterpret_cast<PCRE2_SPTR>(rep.data()),
                                    rep.size(), reinterpret_cast<PCRE2_UCHAR*>(out.data()), &outLen);
    if (rc == PCRE2_ERROR_NOMEMORY) {
      out.resize(outLen);
      continue;
    }
    if (rc < 1) return std::string(replacement);  // a faulty template is taken literally
    out.resize(outLen);
    return FromUtf8Mapped(out);
  }
  return std::string(replacement);
}

}  // namespace quiret
