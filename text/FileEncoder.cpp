// The save-side conversion: code page 932 characters to code points (symbol pairs in the
// document's forms), then to the encoding's bytes.
#include "text/FileEncoder.h"

#include <cstring>

#include "platform/Codec932.h"
#include "platform/LeadByte.h"

namespace quiret {

FileEncoder::FileEncoder(Encoding e, std::uint8_t jisForms) : enc_(e), cp932_(Codec932::Instance()) {
  if (e != Encoding::ShiftJis) codec_ = UnicodeCodec::For(e);
  SetJisForms(jisForms);
}

void FileEncoder::SetJisForms(std::uint8_t jisForms) {
  const Codec932::SymbolPair* pairs = Codec932::Instance().SymbolPairs();
  for (int i = 0; i < Codec932::kSymbolPairs; ++i)
    pairForm_[pairs[i].Code & 0xFF] = (jisForms >> i & 1) ? pairs[i].Jis : pairs[i].Decoded;
}

std::uint8_t FileEncoder::DefaultJisForms(Encoding e) {
  if (e != Encoding::EucJp && e != Encoding::Iso2022Jp) return 0;
  std::uint8_t forms = 0;
  const Codec932::SymbolPair* pairs = Codec932::Instance().SymbolPairs();
  for (int i = 0; i < Codec932::kSymbolPairs; ++i) {
    std::string out;
    std::size_t bad = 0;
    const char32_t jis = pairs[i].Jis;
    if (UnicodeCodec::For(e)->Encode(std::u32string_view(&jis, 1), out, bad))
      forms |= static_cast<std::uint8_t>(1u << i);
  }
  return forms;
}

bool FileEncoder::Put(std::string_view cp932, std::string& out, std::size_t& bad) {
  if (enc_ == Encoding::ShiftJis) {
    out.append(cp932);
    return true;
  }
  if (enc_ == Encoding::Utf8) return PutUtf8(cp932, out, bad);
  const Codec932& codec = cp932_;
  points_.clear();
  std::size_t i = 0;
  bool ok = true;
  while (i < cp932.size()) {
    const auto b = static_cast<unsigned char>(cp932[i]);
    if (b < 0x80) {
      points_.push_back(b);
      ++i;
      continue;
    }
    int len = 1;
    const char32_t c = codec.DecodeAt(cp932, i, len);
    if (c == 0) {
      ok = false;  // not a character: nothing to write it as
      break;
    }
    points_.push_back(Written(cp932, i, c));
    i += static_cast<std::size_t>(len);
  }
  std::size_t badPoint = 0;
  const bool encoded = codec_->Encode(points_, out, badPoint);
  if (encoded && ok) return true;
  if (!encoded) {
    // Back from the code point to its bytes: every character before it took 1 or 2.
    i = 0;
    for (std::size_t k = 0; k < badPoint; ++k) i += IsLeadByte(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
  }
  bad = i;
  return false;
}

bool FileEncoder::PutUtf8(std::string_view cp932, std::string& out, std::size_t& bad) {
  const std::size_t old = out.size(), n = cp932.size();
  out.resize(old + n * 3);  // a half-width katakana byte takes three
  auto* o = reinterpret_cast<unsigned char*>(out.data() + old);
  const auto* s = reinterpret_cast<const unsigned char*>(cp932.data());
  bool ok = true;
  for (std::size_t i = 0; i < n;) {
    if (s[i] < 0x80) {
      // ASCII a word at a time (the output is never behind the input here, so it fits).
      if (n - i >= 8) {
        std::memcpy(o, s + i, 8);
        const std::size_t run = AsciiRun(cp932.data() + i, 8, false);
        o += run;
        i += run;
      } else {
        *o++ = s[i++];
      }
      continue;
    }
    int len = 1;
    const char32_t c = WrittenAt(cp932, i, len);
    if (c == 0) {
      ok = false;
      bad = i;
      break;
    }
    o = PutUtf8Char(o, c);
    i += static_cast<std::size_t>(len);
  }
  out.resize(static_cast<std::size_t>(reinterpret_cast<char*>(o) - out.data()));
  return ok;
}

void FileEncoder::Finish(std::string& out) {
  if (codec_) codec_->FinishEncode(out);
}

}  // namespace quiret
