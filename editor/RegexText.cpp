// RegexText: the conversion runs from two tables (every single byte, every lead and trail
// pair) built once from the codec, so a line costs a lookup per character.
#include "editor/RegexText.h"

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
// A mark every this many characters: a walk of at most as many finds any offset.
constexpr std::size_t kMarkEvery = 32;

struct Utf8Of {
  unsigned char len = 0;
  char bytes[4] = {};
};

struct Tables {
  Utf8Of single[256];
  std::vector<Utf8Of> pair = std::vector<Utf8Of>(0x10000);  // lead << 8 | trail
};

Utf8Of Encode(char32_t c) {
  std::string s;
  Codec932::AppendUtf8(s, c);
  Utf8Of u;
  u.len = static_cast<unsigned char>(s.size());
  std::memcpy(u.bytes, s.data(), s.size());
  return u;
}

// The character's code point when the code page gives it back as the same bytes; a private
// one otherwise (undefined bytes, and the second codes some characters have, such as the
// NEC and IBM copies of symbols), so that the way back never changes a byte.
char32_t CodePointOf(const Codec932& codec, std::string_view bytes, char32_t privateUse) {
  int len = 0;
  const char32_t c = codec.DecodeAt(bytes, 0, len);
  if (c == 0 || static_cast<std::size_t>(len) != bytes.size()) return privateUse;
  std::string utf8;
  Codec932::AppendUtf8(utf8, c);
  return codec.FromUtf8(utf8, '\0') == bytes ? c : privateUse;
}

const Tables& Table() {
  static const Tables t = [] {
    const Codec932& codec = Codec932::Instance();
    Tables t;
    for (unsigned b = 0; b < 256; ++b) {
      const char one = static_cast<char>(b);
      t.single[b] = Encode(CodePointOf(codec, std::string_view(&one, 1), kBadByte + b));
      if (!IsLeadByte(static_cast<unsigned char>(b))) continue;
      for (unsigned trail = 0; trail < 256; ++trail) {
        const char two[2] = {one, static_cast<char>(trail)};
        t.pair[b << 8 | trail] =
            Encode(CodePointOf(codec, std::string_view(two, 2), kBadPair + (b << 8 | trail)));
      }
    }
    return t;
  }();
  return t;
}

// The UTF-8 form of the character at i (of CharLenFrom(s, i) bytes).
const Utf8Of& CharAt(const Tables& t, std::string_view s, std::size_t i, std::size_t n) {
  const auto b = static_cast<unsigned char>(s[i]);
  return n == 2 ? t.pair[b << 8 | static_cast<unsigned char>(s[i + 1])] : t.single[b];
}

std::size_t Utf8Len(unsigned char lead) { return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

bool IsAscii(std::string_view s) {
  std::uint64_t acc = 0;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    acc |= w;
  }
  for (; i < s.size(); ++i) acc |= static_cast<unsigned char>(s[i]);
  return (acc & 0x8080808080808080ull) == 0;
}

}  // namespace

void ToUtf8Mapped(std::string_view cp932, std::string& utf8, std::vector<std::size_t>& map) {
  const Tables& t = Table();
  utf8.clear();
  map.clear();
  utf8.reserve(cp932.size() + cp932.size() / 2);
  map.reserve(utf8.capacity() + 1);
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t n = CharLenFrom(cp932, i);
    const Utf8Of& u = CharAt(t, cp932, i, n);
    utf8.append(u.bytes, u.len);
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
    const std::size_t n = Utf8Len(b);
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

void Utf8Line::Assign(std::string_view cp932) {
  cp_ = cp932;
  marks_.clear();
  if (IsAscii(cp932)) {
    text_ = cp932;
    return;
  }
  const Tables& t = Table();
  utf8_.resize(cp932.size() * 4);
  marks_.reserve(cp932.size() / kMarkEvery + 2);
  char* out = utf8_.data();
  std::size_t o = 0, chars = 0;
  for (std::size_t i = 0; i < cp932.size(); ++chars) {
    if (chars % kMarkEvery == 0) marks_.push_back(Mark{o, i});
    const auto b = static_cast<unsigned char>(cp932[i]);
    if (b < 0x80) {
      out[o++] = static_cast<char>(b);
      ++i;
      continue;
    }
    const std::size_t n = CharLenFrom(cp932, i);
    const Utf8Of& u = CharAt(t, cp932, i, n);
    std::memcpy(out + o, u.bytes, 4);
    o += u.len;
    i += n;
  }
  utf8_.resize(o);
  marks_.push_back(Mark{o, cp932.size()});
  text_ = utf8_;
}

std::size_t Utf8Line::ToCp(std::size_t u) const {
  if (marks_.empty()) return u;
  auto it =
      std::upper_bound(marks_.begin(), marks_.end(), u, [](std::size_t v, const Mark& m) { return v < m.u; });
  Mark m = *(it - 1);
  while (m.u < u) {
    m.u += Utf8Len(static_cast<unsigned char>(text_[m.u]));
    m.cp += static_cast<std::size_t>(CharLenFrom(cp_, m.cp));
  }
  return m.cp;
}

std::size_t Utf8Line::ToUtf(std::size_t cp) const {
  if (marks_.empty()) return cp;
  if (cp >= cp_.size()) return text_.size() + (cp - cp_.size());
  auto it = std::upper_bound(marks_.begin(), marks_.end(), cp,
                             [](std::size_t v, const Mark& m) { return v < m.cp; });
  Mark m = *(it - 1);
  while (m.cp < cp) {
    m.u += Utf8Len(static_cast<unsigned char>(text_[m.u]));
    m.cp += static_cast<std::size_t>(CharLenFrom(cp_, m.cp));
  }
  return m.u;
}

}  // namespace quiret
