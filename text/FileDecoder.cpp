// Decoding a file block by block: bytes to code points (UnicodeCodec), code points to code
// page 932, and the code page 932 text encoded again and compared with the bytes read.
#include "text/FileDecoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>

#include "platform/Codec932.h"

namespace quiret {
namespace {

constexpr char kGeta[] = "\x81\xAC";  // 〓: what stands for a character the code page lacks

// Where `a` first differs from `b`: a.size() when b begins with a.
std::size_t FirstDifference(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  const auto end = a.begin() + static_cast<std::ptrdiff_t>(n);
  return static_cast<std::size_t>(std::mismatch(a.begin(), end, b.begin()).first - a.begin());
}

}  // namespace

FileDecoder::FileDecoder(Encoding e, bool fileStart)
    : enc_(e),
      cp932_(Codec932::Instance()),
      codec_(UnicodeCodec::For(e)),
      verifier_(e, 0),
      started_(!fileStart) {
  std::fill(std::begin(pairByTrail_), std::end(pairByTrail_), -1);
  const Codec932::SymbolPair* pairs = cp932_.SymbolPairs();
  for (int k = 0; k < Codec932::kSymbolPairs; ++k)
    pairByTrail_[pairs[k].Code & 0xFF] = static_cast<signed char>(k);
  // ASCII is copied as it is only while the code page reads it as itself.
  utf8Direct_ = e == Encoding::Utf8;
  for (char b = 1; b < 0x7F && utf8Direct_; ++b) {
    int len = 0;
    utf8Direct_ = cp932_.DecodeAt(std::string_view(&b, 1), 0, len) == static_cast<char32_t>(b);
  }
}

bool FileDecoder::Note(DecodeProblem::Kind what, std::uint64_t line, char32_t c, bool earlier) {
  // The first problem, but bytes that do not read outweigh any text that does: the file
  // is then no text of the encoding at all.
  DecodeProblem noted{what, line, c, {}};
  const bool replace = problem_.What == DecodeProblem::Kind::None ||
                       (noted.Unreadable() && !problem_.Unreadable()) || (earlier && !problem_.Unreadable());
  if (!replace) return false;
  problem_ = std::move(noted);
  noteOut_ = kNowhere;
  return true;
}

void FileDecoder::NoteAt(DecodeProblem::Kind what, std::uint64_t line, std::string_view view,
                         std::uint64_t viewStart, std::size_t at, bool earlier) {
  if (!Note(what, line, 0, earlier)) return;
  // Up to 8 of the file's bytes from there, the same wherever the blocks were cut: those
  // past this view are taken as they come.
  problem_.Bytes.assign(view.substr(std::min(at, view.size()), kProblemBytes));
  bytesFrom_ = viewStart + at;
}

void FileDecoder::CollectBytes(std::string_view in, std::uint64_t inStart) {
  if (problem_.Bytes.empty() && problem_.What != DecodeProblem::Kind::Invalid &&
      problem_.What != DecodeProblem::Kind::Reencoded)
    return;
  const std::uint64_t want = bytesFrom_ + problem_.Bytes.size();
  if (problem_.Bytes.size() >= kProblemBytes || want < inStart || want >= inStart + in.size()) return;
  problem_.Bytes.append(
      in.substr(static_cast<std::size_t>(want - inStart), kProblemBytes - problem_.Bytes.size()));
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
  const std::uint64_t inStart = fed_;
  fed_ += in.size();
  if (!problem_.Unreadable()) {
    if (started_) {
      Consume(in, inStart, out);
    } else {
      // The byte-order mark is looked for once enough bytes are in; they begin the file.
      const std::string_view bom = BomBytes(enc_);
      carry_.append(in);
      if (carry_.size() < bom.size() && bom.starts_with(carry_)) return;
      started_ = true;
      bom_ = !bom.empty() && std::string_view(carry_).starts_with(bom);
      std::string first;
      first.swap(carry_);
      const std::size_t skip = bom_ ? bom.size() : 0;
      Consume(std::string_view(first).substr(skip), skip, out);
    }
  }
  CollectBytes(in, inStart);
}

void FileDecoder::Consume(std::string_view in, std::uint64_t inStart, std::string& out) {
  std::size_t pos = 0;
  // A character the last block ended inside: completed from the first bytes of this one.
  while (!carry_.empty() && pos < in.size() && !problem_.Unreadable()) {
    const std::size_t take = std::min<std::size_t>(in.size() - pos, 16);
    const std::string head = carry_ + std::string(in.substr(pos, take));
    const std::size_t used = Step(head, inStart + pos - carry_.size(), out);
    if (used >= carry_.size()) {
      pos += used - carry_.size();
      carry_.clear();
    } else {
      carry_ = head.substr(used);
      pos += take;
    }
  }
  if (pos >= in.size() || problem_.Unreadable()) return;
  const std::size_t used = Step(in.substr(pos), inStart + pos, out);
  carry_.assign(in.substr(pos + used));
}

inline char* FileDecoder::PutChar(char32_t c, std::string& out, std::size_t outStart, char* o) {
  const std::uint16_t code = cp932_.CodeOf(c);
  if (c == 0 || code == Codec932::kNoCode || (code >> 8 == 0x81 && pairByTrail_[code & 0xFF] >= 0))
    return PutUnusual(c, code, out, outStart, o);
  if (code > 0xFF) *o++ = static_cast<char>(code >> 8);
  *o++ = static_cast<char>(code & 0xFF);
  return o;
}

void FileDecoder::NotKeptAt(const unsigned char* in, int len, const std::string& out, std::size_t outStart,
                            const char* at) {
  char32_t c = 0;
  ReadUtf8(in, static_cast<std::size_t>(len), c);
  Note(DecodeProblem::Kind::NotKept, LineAt(out, outStart, static_cast<std::size_t>(at - out.data())), c);
}

inline void FileDecoder::CheckUtf8(const unsigned char* in, int len, const std::string& out,
                                   std::size_t outStart, const char* at, const char* end) {
  if (problem_.What != DecodeProblem::Kind::None) return;  // one is enough
  int taken = 0;
  const char32_t back =
      verifier_.WrittenAt(std::string_view(at, static_cast<std::size_t>(end - at)), 0, taken);
  unsigned char bytes[4];
  bool same = back != 0 && FileEncoder::PutUtf8Char(bytes, back) - bytes == len;
  for (int k = 0; same && k < len; ++k) same = bytes[k] == in[k];
  if (!same) NotKeptAt(in, len, out, outStart, at);
}

std::size_t FileDecoder::Step(std::string_view in, std::uint64_t inStart, std::string& out) {
  bool invalid = false;
  std::size_t used;
  const std::size_t outStart = out.size();
  const std::uint64_t linesBefore = tally_.Breaks();
  const bool clean = problem_.What == DecodeProblem::Kind::None;
  if (utf8Direct_) {
    used = DecodeUtf8(in, out, outStart, invalid);  // checked character by character
  } else {
    points_.clear();
    used = codec_->Decode(in, points_, invalid);
    out.resize(outStart + 2 * points_.size());
    char* o = out.data() + outStart;
    for (const char32_t c : points_) o = PutChar(c, out, outStart, o);
    out.resize(static_cast<std::size_t>(o - out.data()));
  }
  tally_.Feed(out.data() + outStart, out.size() - outStart);
  if (clean && !utf8Direct_) {
    // A character noted while converting is checked against the text before it: bytes
    // written back otherwise there come first.
    const bool noted = problem_.What != DecodeProblem::Kind::None;
    const std::size_t upTo = noted ? noteOut_ : out.size();
    if (upTo != kNowhere)
      Verify(in.substr(0, used), inStart, in.substr(used),
             std::string_view(out).substr(outStart, upTo - outStart), linesBefore, noted);
  }
  if (invalid) NoteAt(DecodeProblem::Kind::Invalid, tally_.Breaks() + 1, in, inStart, used);
  return used;
}

std::size_t FileDecoder::DecodeUtf8(std::string_view in, std::string& out, std::size_t outStart,
                                    bool& invalid) {
  out.resize(outStart + in.size());  // no character takes more bytes here than in UTF-8
  char* o = out.data() + outStart;
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  std::size_t i = 0;
  const std::size_t n = in.size();
  while (i < n) {
    const unsigned b = s[i];
    if (b < 0x80 && b != 0) {
      // ASCII a word at a time: the whole word is stored, and `o` moves past its ASCII part
      // (the output is never ahead of the input, so the word fits).
      if (n - i >= 8) {
        std::memcpy(o, s + i, 8);
        const std::size_t run = AsciiRun(in.data() + i, 8, true);
        o += run;
        i += run;
      } else {
        *o++ = static_cast<char>(b);
        ++i;
      }
      continue;
    }
    char32_t c;
    if ((b & 0xF0) == 0xE0 && n - i >= 3) {
      // Three bytes, as kana and kanji take: checked here without the general decoder's loop.
      const unsigned t1 = s[i + 1], t2 = s[i + 2];
      if ((t1 & 0xC0) == 0x80 && (t2 & 0xC0) == 0x80 && (b != 0xE0 || t1 >= 0xA0) &&
          (b != 0xED || t1 < 0xA0)) {
        const char32_t c3 = (b & 0x0F) << 12 | (t1 & 0x3F) << 6 | (t2 & 0x3F);
        char* const at = o;
        o = PutChar(c3, out, outStart, o);
        // The bytes the save would write for it must be these three. For any character but
        // the symbol pairs (whose form is learned) that is the same for every occurrence, so
        // it is found out once per character.
        const bool remembered = (written_[c3 >> 6] >> (c3 & 63) & 1) != 0;
        if (!remembered && problem_.What == DecodeProblem::Kind::None) {
          int taken = 0;
          const char32_t w =
              verifier_.WrittenAt(std::string_view(at, static_cast<std::size_t>(o - at)), 0, taken);
          if (w < 0x800 || (0xE0 | w >> 12) != b || (0x80 | (w >> 6 & 0x3F)) != t1 ||
              (0x80 | (w & 0x3F)) != t2)
            NotKeptAt(s + i, 3, out, outStart, at);
          else if (o - at != 2 || static_cast<unsigned char>(*at) != 0x81 ||
                   pairByTrail_[static_cast<unsigned char>(at[1])] < 0)
            written_[c3 >> 6] |= std::uint64_t{1} << (c3 & 63);
        }
        i += 3;
        continue;
      }
    }
    const int len = ReadUtf8(s + i, n - i, c);
    if (len <= 0) {
      invalid = len == 0;  // else cut by the end of the block: the rest comes later
      break;
    }
    char* const at = o;
    o = PutChar(c, out, outStart, o);
    CheckUtf8(s + i, len, out, outStart, at, o);
    i += static_cast<std::size_t>(len);
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return i;
}

char* FileDecoder::PutUnusual(char32_t c, std::uint16_t code, std::string& out, std::size_t outStart,
                              char* o) {
  auto here = [&] { return LineAt(out, outStart, static_cast<std::size_t>(o - out.data())); };
  auto note = [&](DecodeProblem::Kind what) {
    if (Note(what, here(), c)) noteOut_ = static_cast<std::size_t>(o - out.data());
  };
  if (c == 0) {
    note(DecodeProblem::Kind::ZeroChar);
    *o++ = '\0';
    return o;
  }
  if (code == Codec932::kNoCode) {
    note(DecodeProblem::Kind::NotInCp932);
    *o++ = kGeta[0];
    *o++ = kGeta[1];
    return o;
  }
  // A symbol pair is written back in the form the file first showed; the other form after
  // that could not be.
  const int k = pairByTrail_[code & 0xFF];
  const std::uint8_t bit = static_cast<std::uint8_t>(1u << k);
  const bool jis = c == cp932_.SymbolPairs()[k].Jis;
  if (!(known_ & bit)) {
    known_ |= bit;
    if (jis) jis_ |= bit;
    pairLine_[k] = here();
    verifier_.SetJisForms(jis_);
  } else if (jis != ((jis_ & bit) != 0)) {
    note(DecodeProblem::Kind::NotKept);
  }
  *o++ = static_cast<char>(code >> 8);
  *o++ = static_cast<char>(code & 0xFF);
  return o;
}

void FileDecoder::Verify(std::string_view in, std::uint64_t inStart, std::string_view after,
                         std::string_view produced, std::uint64_t linesBefore, bool earlier) {
  encoded_.clear();
  std::size_t bad = 0;
  const bool whole = verifier_.Put(produced, encoded_, bad);
  // The bytes written back must be the bytes read: those still owed from before, then this
  // block's; what was written before a character that cannot be is compared too.
  const std::string_view enc = encoded_;
  const std::size_t owed = std::min(lag_.size(), enc.size());
  std::optional<std::size_t> differs;  // where, in lag_ and then `in`
  if (const std::size_t at = FirstDifference(enc.substr(0, owed), lag_); at < owed) {
    differs = at;
  } else if (enc.size() > lag_.size()) {
    const std::string_view rest = enc.substr(lag_.size());
    const std::size_t n = std::min(rest.size(), in.size());
    if (std::memcmp(rest.data(), in.data(), n) != 0 || rest.size() > in.size())
      differs = lag_.size() + FirstDifference(rest.substr(0, n), in);
  }
  if (differs) {
    Mismatch(in, inStart, *differs, earlier, after);
    return;
  }
  if (!whole) {
    int len = 1;
    const char32_t c = Codec932::Instance().DecodeAt(produced, bad, len);
    LineEndTally before;
    before.Feed(produced.data(), bad);
    Note(DecodeProblem::Kind::NotKept, linesBefore + before.Breaks() + 1, c, earlier);
    return;
  }
  if (earlier) return;  // nothing is checked after a problem
  // The bytes matched leave what is still owed; their line breaks are counted.
  if (enc.size() <= lag_.size()) {
    FeedBreaks(inputTally_, std::string_view(lag_).substr(0, enc.size()));
    lag_ = lag_.substr(enc.size()) + std::string(in);
  } else {
    const std::size_t fromIn = enc.size() - lag_.size();
    FeedBreaks(inputTally_, lag_);
    FeedBreaks(inputTally_, in.substr(0, fromIn));
    lag_.assign(in.substr(fromIn));
  }
}

void FileDecoder::FeedBreaks(LineEndTally& t, std::string_view bytes) const {
  if (codec_->UnitBytes() == 1) {
    t.Feed(bytes.data(), bytes.size());
    return;
  }
  // UTF-16: each unit CR, LF or zero as that byte, any other as a letter.
  std::string units;
  const bool big = enc_ == Encoding::Utf16Be;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned hi = static_cast<unsigned char>(bytes[big ? i : i + 1]);
    const unsigned lo = static_cast<unsigned char>(bytes[big ? i + 1 : i]);
    units.push_back(hi == 0 && (lo == '\r' || lo == '\n' || lo == 0) ? static_cast<char>(lo) : 'x');
  }
  t.Feed(units.data(), units.size());
}

void FileDecoder::Mismatch(std::string_view in, std::uint64_t inStart, std::size_t at, bool earlier,
                           std::string_view after) {
  // The line of the byte: the breaks of the bytes matched so far and of those before it. The
  // bytes named are taken from the bytes not read yet too: a block cut inside a sequence
  // keeps them here, and they are not given again.
  const std::string owed = lag_ + std::string(in) + std::string(after.substr(0, kProblemBytes));
  LineEndTally t = inputTally_;
  FeedBreaks(t, std::string_view(owed).substr(0, at));
  NoteAt(DecodeProblem::Kind::Reencoded, t.Breaks() + 1, owed, inStart - lag_.size(), at, earlier);
}

void FileDecoder::Finish(std::string& out) {
  if (!started_) {
    // A file shorter than a byte-order mark: whatever it holds is text.
    started_ = true;
    std::string first;
    first.swap(carry_);
    if (!first.empty()) Consume(first, 0, out);
  }
  if (!problem_.Unreadable() && !carry_.empty()) {
    const bool odd = codec_->UnitBytes() == 2 && carry_.size() % 2 == 1;
    NoteAt(odd ? DecodeProblem::Kind::OddLength : DecodeProblem::Kind::Truncated, tally_.Breaks() + 1, carry_,
           fed_ - carry_.size(), 0);
  }
  tally_.Finish();
  if (problem_.What != DecodeProblem::Kind::None) return;
  encoded_.clear();
  verifier_.Finish(encoded_);
  if (encoded_ != lag_) Mismatch({}, fed_, FirstDifference(encoded_, lag_), false);
}

}  // namespace quiret
