// Code page 932 conversion tables, built once from iconv, and the conversions that use them.
#include "platform/Codec932.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>

#include "platform/LeadByte.h"

namespace quiret {

namespace {

constexpr char16_t kNoChar = 0xFFFF;  // not a CP932 character (U+FFFF is never produced)
constexpr std::uint16_t kNoCode = Codec932::kNoCode;
constexpr char32_t kReplacement = 0xFFFD;

// Converts one short byte sequence with an open iconv descriptor; false when iconv refuses it.
bool IconvOnce(iconv_t cd, const char* in, size_t inLen, char* out, size_t outCap, size_t& outLen) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state
  char* inPtr = const_cast<char*>(in);
  char* outPtr = out;
  size_t inLeft = inLen;
  size_t outLeft = outCap;
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
    return false;
  }
  outLen = outCap - outLeft;
  return true;
}

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~IconvHandle() { iconv_close(cd_); }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Decodes `len` bytes to a single UTF-16 code unit, or kNoChar.
char16_t DecodeWithIconv(iconv_t cd, const unsigned char* bytes, size_t len) {
  char out[8];
  size_t outLen = 0;
  if (!IconvOnce(cd, reinterpret_cast<const char*>(bytes), len, out, sizeof out, outLen) || outLen != 2) {
    return kNoChar;  // refused, or not one BMP character
  }
  return static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                               (static_cast<unsigned char>(out[1]) << 8));
}

// Reads one UTF-8 sequence at `pos`; malformed input yields U+FFFD for one byte so that a
// single broken byte never swallows the characters after it.
char32_t NextUtf8(std::string_view s, size_t& pos) {
  auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1, c = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2, c = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3, c = b0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + extra >= s.size()) {  // cut short by the end of the text
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i <= extra; ++i) {
    auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += extra + 1;
  return c;
}

}  // namespace

void Codec932::AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

struct Codec932::Tables {
  std::array<char16_t, 256> single;                            // kNoChar for lead and invalid bytes
  std::unique_ptr<std::array<char16_t, 0x10000>> dbl;          // indexed by lead << 8 | trail
  std::unique_ptr<std::array<std::uint16_t, 0x10000>> encode;  // UTF-16 unit -> CP932 code
  std::array<SymbolPair, kSymbolPairs> pairs;

  // Appends the CP932 bytes for code point `c`, or `replacement`; false for the latter.
  bool Encode(std::string& out, char32_t c, char replacement) const {
    std::uint16_t code = c < 0x10000 ? (*encode)[c] : kNoCode;
    if (code == kNoCode) {
      out += replacement;
      return false;
    }
    if (code > 0xFF) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else {
      out += static_cast<char>(code);
    }
    return true;
  }
};

Codec932::Codec932() {
  auto t = std::make_unique<Tables>();
  t->dbl = std::make_unique<std::array<char16_t, 0x10000>>();
  t->encode = std::make_unique<std::array<std::uint16_t, 0x10000>>();
  t->dbl->fill(kNoChar);
  t->encode->fill(kNoCode);

  IconvHandle toUnicode("UTF-16LE", "CP932");
  IconvHandle fromUnicode("CP932", "UTF-16LE");

  // iconv may map several CP932 codes (NEC and IBM duplicates) to one character; asking it to
  // encode that character gives the one code the system itself would write back.
  auto learnEncoding = [&](char16_t unit) {
    if ((*t->encode)[unit] != kNoCode) return;
    char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    char out[4];
    size_t outLen = 0;
    if (!IconvOnce(fromUnicode.get(), in, 2, out, sizeof out, outLen)) return;
    if (outLen == 1) {
      (*t->encode)[unit] = static_cast<unsigned char>(out[0]);
    } else if (outLen == 2) {
      (*t->encode)[unit] = static_cast<std::uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                                      static_cast<unsigned char>(out[1]));
    }
  };

  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<unsigned char>(b);
    t->single[b] = IsLeadByte(byte) ? kNoChar : DecodeWithIconv(toUnicode.get(), &byte, 1);
    if (t->single[b] != kNoChar) learnEncoding(t->single[b]);
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      char16_t c = DecodeWithIconv(toUnicode.get(), bytes, 2);
      (*t->dbl)[lead << 8 | trail] = c;
      if (c != kNoChar) learnEncoding(c);
    }
  }
  // Characters no code decodes to, which the system's converter still writes: the JIS
  // forms that Unicode text from other systems carries. Yen and overline are left out on
  // purpose: 0x5C and 0x7E are backslash and tilde here, and would show as those.
  constexpr char16_t kJisForms[kSymbolPairs] = {u'\u301C', u'\u2016', u'\u2212', u'\u2014',
                                                u'\u00A2', u'\u00A3', u'\u00AC'};
  for (int i = 0; i < kSymbolPairs; ++i) {
    learnEncoding(kJisForms[i]);
    const std::uint16_t code = (*t->encode)[kJisForms[i]];
    const char16_t decoded = code == kNoCode || code <= 0xFF ? kNoChar : (*t->dbl)[code];
    t->pairs[i] = {code, decoded == kNoChar ? kJisForms[i] : decoded, kJisForms[i]};
  }
  single_ = t->single.data();
  double_ = t->dbl->data();
  encode_ = t->encode->data();
  tables_ = t.release();  // lives as long as the process, like the instance
}

const Codec932& Codec932::Instance() {
  static const Codec932 instance;
  return instance;
}

const Codec932::SymbolPair* Codec932::SymbolPairs() const { return tables_->pairs.data(); }

std::string Codec932::ToUtf8(std::string_view cp932) const {
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  for (size_t pos = 0; pos < cp932.size();) {
    int len = 1;
    char32_t c = DecodeAt(cp932, pos, len);
    if (c == 0 && cp932[pos] != '\0') c = kReplacement;
    Codec932::AppendUtf8(out, c);
    pos += len;
  }
  return out;
}

std::u16string Codec932::ToUtf16(std::string_view cp932) const {
  std::u16string out;
  out.reserve(cp932.size());
  for (size_t pos = 0; pos < cp932.size();) {
    int len = 1;
    char32_t c = DecodeAt(cp932, pos, len);
    if (c == 0 && cp932[pos] != '\0') c = kReplacement;
    out += static_cast<char16_t>(c);  // every CP932 character is in the BMP
    pos += len;
  }
  return out;
}

std::string Codec932::FromUtf8(std::string_view utf8, char replacement, int* replaced) const {
  std::string out;
  out.reserve(utf8.size());
  int missing = 0;
  for (size_t pos = 0; pos < utf8.size();) {
    if (!tables_->Encode(out, NextUtf8(utf8, pos), replacement)) ++missing;
  }
  if (replaced) *replaced = missing;
  return out;
}

std::string Codec932::FromUtf16(std::u16string_view utf16, char replacement, int* replaced) const {
  std::string out;
  out.reserve(utf16.size() * 2);
  int missing = 0;
  for (size_t i = 0; i < utf16.size(); ++i) {
    char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDFFF) {
      // A pair stands for a character beyond the BMP, which CP932 lacks: one replacement.
      if (u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
        ++i;
      }
      out += replacement;
      ++missing;
      continue;
    }
    if (!tables_->Encode(out, u, replacement)) ++missing;
  }
  if (replaced) *replaced = missing;
  return out;
}

std::string Codec932::LowerCase(std::string_view cp932) {
  std::string out(cp932);
  for (size_t i = 0; i < out.size(); ++i) {
    auto b = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(b)) {
      ++i;  // the trail byte may look like an ASCII letter; it is not one
    } else if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b + ('a' - 'A'));
    }
  }
  return out;
}

}  // namespace quiret
