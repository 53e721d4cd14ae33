// Decoding a file block by block: bytes to code points (UnicodeCodec), code points to code
// page 932, and the code page 932 text encoded again and compared with the bytes read.
#include "text/FileDecoder.h"

#include <algorithm>

#include "platform/Codec932.h"

namespace quiret {
namespace {

constexpr char kGeta[] = "\x81\xAC";  // 〓: what stands for a character the code page lacks

// Line breaks in `bytes` of an encoding whose breaks come in units of `unit` bytes.
std::uint64_t BreaksIn(std::string_view bytes, int unit) {
  std::string units;
  for (std::size_t i = 0; i + static_cast<std::size_t>(unit) <= bytes.size();
       i += static_cast<std::size_t>(unit)) {
    bool control = true;
    char b = bytes[i];
    if (unit == 2) {
      // Either byte order: a break unit has a zero byte and a CR or LF byte.
      const char hi = bytes[i], lo = bytes[i + 1];
      control = hi == '\0' || lo == '\0';
      b = hi == '\0' ? lo : hi;
    }
    units.push_back(control && (b == '\r' || b == '\n') ? b : 'x');
  }
  LineEndTally t;
  t.Feed(units.data(), units.size());
  return t.Breaks();
}

}  // namespace

FileDecoder::FileDecoder(Encoding e) : enc_(e), codec_(UnicodeCodec::For(e)), verifier_(e, 0) {}

void FileDecoder::Note(DecodeProblem::Kind what, std::uint64_t line, char32_t c, std::string_view bytes) {
  if (problem_.What != DecodeProblem::Kind::None) return;
  problem_ = {what, line, c, std::string(bytes.substr(0, 8))};
}

TextFormat FileDecoder::Format() const {
  TextFormat f;
  f.Enc = enc_;
  f.Bom = bom_;
  f.Break = tally_.First().value_or(LineEnd::CrLf);
  f.MixedBreaks = tally_.Mixed();
  f.JisForms = static_cast<std::uint8_t>((jis_ & known_) | (FileEncoder::DefaultJisForms(enc_) & ~known_));
  return f;
}

std::uint64_t FileDecoder::LineAt(const std::string& out, std::size_t outStart, std::size_t at) const {
  LineEndTally t = tally_;
  t.Feed(out.data() + outStart, at - outStart);
  return t.Breaks() + 1;
}

void FileDecoder::Feed(std::string_view in, std::string& out) {
  if (problem_.Unreadable()) return;
  if (!started_) {
    // The byte-order mark is looked for once enough bytes are in.
    const std::string_view bom = BomBytes(enc_);
    carry_.append(in);
    if (carry_.size() < bom.size() && bom.starts_with(carry_)) return;
    started_ = true;
    bom_ = !bom.empty() && std::string_view(carry_).starts_with(bom);
    std::string first;
    first.swap(carry_);
    Feed(std::string_view(first).substr(bom_ ? bom.size() : 0), out);
    return;
  }
  std::size_t pos = 0;
  // A character the last block ended inside: completed from the first bytes of this one.
  while (!carry_.empty() && pos < in.size() && !problem_.Unreadable()) {
    const std::size_t take = std::min<std::size_t>(in.size() - pos, 16);
    const std::string head = carry_ + std::string(in.substr(pos, take));
    const std::size_t used = Step(head, out);
    if (used >= carry_.size()) {
      pos += used - carry_.size();
      carry_.clear();
    } else {
      carry_ = head.substr(used);
      pos += take;
    }
  }
  if (pos >= in.size() || problem_.Unreadable()) return;
  const std::size_t used = Step(in.substr(pos), out);
  carry_.assign(in.substr(pos + used));
}

std::size_t FileDecoder::Step(std::string_view in, std::string& out) {
  points_.clear();
  bool invalid = false;
  const std::size_t used = codec_->Decode(in, points_, invalid);
  const std::size_t outStart = out.size();
  const std::uint64_t linesBefore = tally_.Breaks();
  ToCp932(out, outStart);
  tally_.Feed(out.data() + outStart, out.size() - outStart);
  if (problem_.What == DecodeProblem::Kind::None)
    Verify(in.substr(0, used), std::string_view(out).substr(outStart), linesBefore);
  if (invalid) Note(DecodeProblem::Kind::Invalid, tally_.Breaks() + 1, 0, in.substr(used));
  return used;
}

void FileDecoder::ToCp932(std::string& out, std::size_t outStart) {
  const Codec932& codec = Codec932::Instance();
  const Codec932::SymbolPair* pairs = codec.SymbolPairs();
  for (const char32_t c : points_) {
    if (c < 0x80) {
      if (c == 0) Note(DecodeProblem::Kind::ZeroChar, LineAt(out, outStart, out.size()), c);
      out.push_back(static_cast<char>(c));
      continue;
    }
    const std::uint16_t code = codec.CodeOf(c);
    if (code == Codec932::kNoCode) {
      Note(DecodeProblem::Kind::NotInCp932, LineAt(out, outStart, out.size()), c);
      out.append(kGeta, 2);
      continue;
    }
    if (code >> 8 == 0x81) {
      for (int k = 0; k < Codec932::kSymbolPairs; ++k) {
        if (pairs[k].Code != code) continue;
        // A pair is written back in the form the file first showed; the other form after
        // that could not be.
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << k);
        const bool jis = c == pairs[k].Jis;
        if (!(known_ & bit)) {
          known_ |= bit;
          if (jis) jis_ |= bit;
          verifier_.SetJisForms(jis_);
        } else if (jis != ((jis_ & bit) != 0)) {
          Note(DecodeProblem::Kind::NotKept, LineAt(out, outStart, out.size()), c);
        }
      }
    }
    if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
}

void FileDecoder::Verify(std::string_view in, std::string_view produced, std::uint64_t linesBefore) {
  encoded_.clear();
  std::size_t bad = 0;
  if (!verifier_.Put(produced, encoded_, bad)) {
    int len = 1;
    const char32_t c = Codec932::Instance().DecodeAt(produced, bad, len);
    LineEndTally before;
    before.Feed(produced.data(), bad);
    Note(DecodeProblem::Kind::NotKept, linesBefore + before.Breaks() + 1, c);
    return;
  }
  // The bytes written back must be the bytes read: first those still owed from before,
  // then this block's.
  const std::string_view enc = encoded_;
  const std::size_t owed = std::min(lag_.size(), enc.size());
  if (enc.compare(0, owed, lag_, 0, owed) != 0) {
    Mismatch(lag_, 0, linesBefore);
    return;
  }
  if (enc.size() < lag_.size()) {
    lag_ = lag_.substr(enc.size()) + std::string(in);
    return;
  }
  const std::string_view rest = enc.substr(owed);
  const std::size_t n = std::min(rest.size(), in.size());
  const auto diff = std::mismatch(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(n), in.begin());
  if (diff.first != rest.begin() + static_cast<std::ptrdiff_t>(n) || rest.size() > in.size()) {
    Mismatch(in, static_cast<std::size_t>(diff.second - in.begin()), linesBefore);
    return;
  }
  lag_.assign(in.substr(n));
}

void FileDecoder::Mismatch(std::string_view in, std::size_t at, std::uint64_t linesBefore) {
  Note(DecodeProblem::Kind::Reencoded, linesBefore + BreaksIn(in.substr(0, at), codec_->UnitBytes()) + 1, 0,
       in.substr(at));
}

void FileDecoder::Finish(std::string& out) {
  if (!started_) {
    // A file shorter than a byte-order mark: whatever it holds is text.
    started_ = true;
    std::string first;
    first.swap(carry_);
    if (!first.empty()) Feed(first, out);
  }
  if (!problem_.Unreadable() && !carry_.empty()) {
    const bool odd = codec_->UnitBytes() == 2 && carry_.size() % 2 == 1;
    Note(odd ? DecodeProblem::Kind::OddLength : DecodeProblem::Kind::Truncated, tally_.Breaks() + 1, 0,
         carry_);
  }
  tally_.Finish();
  if (problem_.What != DecodeProblem::Kind::None) return;
  encoded_.clear();
  verifier_.Finish(encoded_);
  if (encoded_ != lag_) {
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(encoded_.begin(),
                      encoded_.begin() + static_cast<std::ptrdiff_t>(std::min(encoded_.size(), lag_.size())),
                      lag_.begin())
            .second -
        lag_.begin());
    Mismatch(lag_, at, tally_.Breaks());
  }
}

}  // namespace quiret
