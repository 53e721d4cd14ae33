// The save-side conversion: code page 932 characters to code points (symbol pairs in the
// document's forms), then to the encoding's bytes.
#include "text/FileEncoder.h"

#include "platform/Codec932.h"
#include "platform/LeadByte.h"

namespace quiret {

FileEncoder::FileEncoder(Encoding e, std::uint8_t jisForms) : enc_(e) {
  if (e != Encoding::ShiftJis) codec_ = UnicodeCodec::For(e);
  SetJisForms(jisForms);
}

void FileEncoder::SetJisForms(std::uint8_t jisForms) {
  const Codec932::SymbolPair* pairs = Codec932::Instance().SymbolPairs();
  for (int i = 0; i < Codec932::kSymbolPairs; ++i)
    written_[i] = (jisForms >> i & 1) ? pairs[i].Jis : pairs[i].Decoded;
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
  const Codec932& codec = Codec932::Instance();
  const Codec932::SymbolPair* pairs = codec.SymbolPairs();
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
    char32_t c = codec.DecodeAt(cp932, i, len);
    if (c == 0) {
      ok = false;  // not a character: nothing to write it as
      break;
    }
    if (b == 0x81) {
      const std::uint16_t code =
          static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(cp932[i + 1]));
      for (int k = 0; k < Codec932::kSymbolPairs; ++k)
        if (pairs[k].Code == code) c = written_[k];
    }
    points_.push_back(c);
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

void FileEncoder::Finish(std::string& out) {
  if (codec_) codec_->FinishEncode(out);
}

}  // namespace quiret
