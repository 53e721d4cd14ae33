// UTF-8 and UTF-16 coded by hand (strict: no overlong forms, no surrogates as characters),
// EUC-JP and ISO-2022-JP through iconv in whole blocks.
#include "text/UnicodeCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/Codec932.h"

namespace quiret {
namespace {

class Utf8Codec : public UnicodeCodec {
 public:
  std::size_t Decode(std::string_view in, std::u32string& out, bool& invalid) override {
    const auto* s = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t i = 0;
    while (i < in.size()) {
      char32_t c;
      const int len = ReadUtf8(s + i, in.size() - i, c);
      if (len <= 0) {
        invalid = len == 0;  // else cut by the end of the block: the rest comes later
        return i;
      }
      out.push_back(c);
      i += static_cast<std::size_t>(len);
    }
    return i;
  }

  bool Encode(std::u32string_view in, std::string& out, std::size_t& /*bad*/) override {
    for (char32_t c : in) {
      if (c < 0x80)
        out.push_back(static_cast<char>(c));
      else
        Codec932::AppendUtf8(out, c);
    }
    return true;
  }
};

class Utf16Codec : public UnicodeCodec {
 public:
  explicit Utf16Codec(bool bigEndian) : big_(bigEndian) {}

  std::size_t Decode(std::string_view in, std::u32string& out, bool& invalid) override {
    std::size_t i = 0;
    while (i + 2 <= in.size()) {
      const char32_t u = Unit(in, i);
      if (u >= 0xDC00 && u <= 0xDFFF) {
        invalid = true;  // a low surrogate without its high one
        return i;
      }
      if (u >= 0xD800 && u <= 0xDBFF) {
        if (i + 4 > in.size()) return i;
        const char32_t low = Unit(in, i + 2);
        if (low < 0xDC00 || low > 0xDFFF) {
          invalid = true;
          return i;
        }
        out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 4;
        continue;
      }
      out.push_back(u);
      i += 2;
    }
    return i;
  }

  bool Encode(std::u32string_view in, std::string& out, std::size_t& /*bad*/) override {
    for (char32_t c : in) {
      if (c >= 0x10000) {
        Put(out, 0xD800 + ((c - 0x10000) >> 10));
        Put(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        Put(out, c);
      }
    }
    return true;
  }

  int UnitBytes() const override { return 2; }

 private:
  char32_t Unit(std::string_view s, std::size_t i) const {
    const unsigned a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
    return big_ ? (a << 8 | b) : (b << 8 | a);
  }
  void Put(std::string& out, char32_t u) const {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out.push_back(big_ ? hi : lo);
    out.push_back(big_ ? lo : hi);
  }
  bool big_;
};

// Code points travel to and from iconv as UTF-32LE.
class IconvCodec : public UnicodeCodec {
 public:
  explicit IconvCodec(const char* name) : decode_(Open("UTF-32LE", name)), encode_(Open(name, "UTF-32LE")) {}
  ~IconvCodec() override {
    iconv_close(decode_);
    iconv_close(encode_);
  }
  IconvCodec(const IconvCodec&) = delete;
  IconvCodec& operator=(const IconvCodec&) = delete;

  std::size_t Decode(std::string_view in, std::u32string& out, bool& invalid) override {
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
      char* outPtr = buffer_;
      std::size_t outLeft = sizeof buffer_;
      const std::size_t r = iconv(decode_, &inPtr, &inLeft, &outPtr, &outLeft);
      const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
      for (const char* p = buffer_; p < outPtr; p += 4) out.push_back(FromLe(p));
      if (error == E2BIG) continue;
      if (error == EILSEQ) invalid = true;
      break;  // done, or EINVAL: a character the block ends inside
    }
    return in.size() - inLeft;
  }

  bool Encode(std::u32string_view in, std::string& out, std::size_t& bad) override {
    std::string units;
    units.reserve(in.size() * 4);
    for (char32_t c : in)
      for (int k = 0; k < 4; ++k) units.push_back(static_cast<char>(c >> (8 * k)));
    char* inPtr = units.data();
    std::size_t inLeft = units.size();
    while (inLeft > 0) {
      char* outPtr = buffer_;
      std::size_t outLeft = sizeof buffer_;
      const std::size_t r = iconv(encode_, &inPtr, &inLeft, &outPtr, &outLeft);
      const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
      out.append(buffer_, static_cast<std::size_t>(outPtr - buffer_));
      if (error == E2BIG) continue;
      if (error != 0) {
        bad = (units.size() - inLeft) / 4;
        return false;
      }
    }
    return true;
  }

  void FinishEncode(std::string& out) override {
    char* outPtr = buffer_;
    std::size_t outLeft = sizeof buffer_;
    iconv(encode_, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer_, static_cast<std::size_t>(outPtr - buffer_));
  }

 private:
  static iconv_t Open(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    return cd;
  }
  static char32_t FromLe(const char* p) {
    char32_t c = 0;
    for (int k = 3; k >= 0; --k) c = c << 8 | static_cast<unsigned char>(p[k]);
    return c;
  }
  iconv_t decode_, encode_;
  char buffer_[16384];
};

}  // namespace

std::unique_ptr<UnicodeCodec> UnicodeCodec::For(Encoding e) {
  switch (e) {
    case Encoding::Utf8:
      return std::make_unique<Utf8Codec>();
    case Encoding::Utf16Le:
      return std::make_unique<Utf16Codec>(false);
    case Encoding::Utf16Be:
      return std::make_unique<Utf16Codec>(true);
    case Encoding::EucJp:
    case Encoding::Iso2022Jp:
      return std::make_unique<IconvCodec>(EncodingIconvName(e));
    default:
      throw std::logic_error("no code point codec for this encoding");
  }
}

}  // namespace quiret
