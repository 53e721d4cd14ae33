// Loading through FileDecoder into the line store's splitter, and saving rows through
// FileEncoder in blocks.
#include "text/EncodedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Codec932.h"
#include "platform/LeadByte.h"
#include "text/FileEncoder.h"
#include "text/LineEndTally.h"
#include "text/RowFile.h"
#include "text/TextFilter.h"

namespace quiret {
namespace {

// Text handed to the encoder at once: large enough that calls cost nothing.
constexpr std::size_t kEncodeBlock = std::size_t{1} << 18;

// The rows as the file's text, in blocks with line ends in `style`, through `encoder` to
// `sink`; the first character it cannot write, or nothing.
// The offset in `text`, at or after `from` (where a character starts), of the last
// character start at or before its end.
std::size_t LastCharStart(std::string_view text, std::size_t from) {
  std::size_t at = from;
  while (at < text.size()) {
    const std::size_t next = at + (IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1);
    if (next > text.size()) break;
    at = next;
  }
  return at;
}

// The rows as the file's text, in blocks with line ends in the format's style (with mixed
// breaks, each loaded line's own), through the format's encoder to `sink`; the first
// character it cannot write, or nothing. `mixed` learns whether a line end was written in
// another style than the format's.
template <typename Sink>
std::optional<UnwritableChar> EncodeRows(const TLumoStrings& lines, const TextFormat& format, Sink sink,
                                         bool* mixed = nullptr) {
  FileEncoder encoder(format.Enc, format.JisForms);
  bool afterCr = false;  // the text so far ends with a lone CR
  std::string text, bytes;
  std::uint64_t linesBefore = 0;  // line ends in earlier blocks
  std::size_t lineStart = 0;      // where the last line of `text` starts
  // Encodes text[0, n): a block never ends inside a character or a line end.
  auto flush = [&](std::size_t n) -> std::optional<UnwritableChar> {
    bytes.clear();
    std::size_t bad = 0;
    const std::string_view block(text.data(), n);
    if (!encoder.Put(block, bytes, bad)) {
      LineEndTally t;
      t.Feed(block.data(), bad);
      const std::size_t len = IsLeadByte(static_cast<unsigned char>(block[bad])) && bad + 1 < n ? 2 : 1;
      return UnwritableChar{linesBefore + t.Breaks() + 1, std::string(block.substr(bad, len))};
    }
    LineEndTally t;
    t.Feed(block.data(), n);
    linesBefore += t.Breaks();
    sink(std::string_view(bytes));
    text.erase(0, n);
    lineStart = lineStart > n ? lineStart - n : 0;
    return std::nullopt;
  };
  if (format.Bom) sink(BomBytes(format.Enc));
  const std::int32_t count = lines.Count();
  for (std::int32_t i = 0; i < count; ++i) {
    std::string_view row = lines.Get(i);
    const bool last = i + 1 == count;
    const bool breaks = !last && row.size() >= 2 && row.substr(row.size() - 2) == "\r\n";
    if (last || breaks) row.remove_suffix(std::min<std::size_t>(row.size(), 2));
    text.append(row);
    afterCr = afterCr && row.empty();
    if (breaks) {
      LineEnd style = format.Break;
      if (format.MixedBreaks) style = lines.LoadedBreak(i).value_or(format.Break);
      // An empty line's LF after a lone CR would read back as one CR LF with it.
      if (style == LineEnd::Lf && afterCr) style = LineEnd::Cr;
      if (mixed && style != format.Break) *mixed = true;
      text.append(LineEndBytes(style));
      afterCr = style == LineEnd::Cr;
      lineStart = text.size();
    }
    if (text.size() < kEncodeBlock) continue;
    // Up to the last line end, or within a long line up to its last whole character.
    const std::size_t n = lineStart > 0 ? lineStart : LastCharStart(text, 0);
    if (auto bad = flush(n)) return bad;
  }
  if (auto bad = flush(text.size())) return bad;
  bytes.clear();
  encoder.Finish(bytes);
  sink(std::string_view(bytes));
  return std::nullopt;
}

}  // namespace

namespace {

// A decoder as the line store's reader uses it: one per part of the file.
class DecoderFilter : public BlockFilter {
 public:
  DecoderFilter(FileDecoder& decoder, int unitBytes) : decoder_(decoder), unit_(unitBytes) {}
  void Feed(const char* data, std::size_t size, std::string& out) override {
    decoder_.Feed(std::string_view(data, size), out);
  }
  void Finish(std::string& out) override { decoder_.Finish(out); }
  std::size_t CountRows(const char* data, std::size_t size, bool& afterCr) override {
    if (unit_ == 1) return RowSplitter::CountRows(data, size, afterCr);
    // UTF-16: each unit CR, LF or zero as that byte, any other as a letter (parts of a file
    // that is not split start at even offsets).
    std::string bytes;
    bytes.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
      const char a = data[i], b = data[i + 1];
      const char c = a == '\0' ? b : b == '\0' ? a : 'x';
      bytes.push_back(c == '\r' || c == '\n' || c == '\0' ? c : 'x');
    }
    return RowSplitter::CountRows(bytes.data(), bytes.size(), afterCr);
  }

 private:
  FileDecoder& decoder_;
  int unit_;
};

// The result of a file read in two parts at once, as one reading from its start would give.
EncodedLoad Merge(Encoding e, const FileDecoder& a, const FileDecoder& b) {
  const std::uint64_t offset = a.Tally().Breaks();  // lines of the first part
  auto shifted = [&](DecodeProblem p) {
    p.Line += offset;
    return p;
  };
  DecodeProblem p = a.Problem();
  if (b.Problem().Unreadable() && !p.Unreadable()) {
    p = shifted(b.Problem());  // bytes that do not read outweigh anything that does
  } else if (p.What == DecodeProblem::Kind::None) {
    if (b.Problem().What != DecodeProblem::Kind::None) p = shifted(b.Problem());
    // A symbol pair the second part first shows in the other form than the first part.
    const Codec932::SymbolPair* pairs = Codec932::Instance().SymbolPairs();
    for (int k = 0; k < Codec932::kSymbolPairs; ++k) {
      const std::uint8_t bit = static_cast<std::uint8_t>(1u << k);
      if (!(a.PairsSeen() & b.PairsSeen() & bit) || ((a.PairsJis() ^ b.PairsJis()) & bit) == 0) continue;
      const std::uint64_t line = offset + b.PairFirstLine(k);
      // The second part's own complaint about this pair comes after its first sight of it.
      const bool samePair =
          p.What == DecodeProblem::Kind::NotKept && (p.Char == pairs[k].Jis || p.Char == pairs[k].Decoded);
      if (p.What == DecodeProblem::Kind::None || line < p.Line || (line == p.Line && samePair))
        p = {DecodeProblem::Kind::NotKept, line, (b.PairsJis() & bit) ? pairs[k].Jis : pairs[k].Decoded, {}};
    }
  }
  TextFormat f = a.Format();
  if (!a.Tally().First()) f.Break = b.Tally().First().value_or(LineEnd::CrLf);
  const std::uint8_t seen = a.Tally().Seen() | b.Tally().Seen();
  f.MixedBreaks = (seen & (seen - 1)) != 0;
  const std::uint8_t known = a.PairsSeen() | b.PairsSeen();
  const std::uint8_t jis = (a.PairsJis() & a.PairsSeen()) | (b.PairsJis() & b.PairsSeen() & ~a.PairsSeen());
  f.JisForms = static_cast<std::uint8_t>(jis | (FileEncoder::DefaultJisForms(e) & ~known));
  return {f, p};
}

}  // namespace

TextFilter DecodingFilter(Encoding e, std::unique_ptr<FileDecoder> (&parts)[2], std::uint64_t twoPartBytes) {
  const int unit = e == Encoding::Utf16Le || e == Encoding::Utf16Be ? 2 : 1;
  TextFilter filter;
  // Only where a line feed byte is always a line feed and nothing carries past it.
  filter.Splittable = e == Encoding::Utf8 || e == Encoding::EucJp;
  filter.TwoPartBytes = twoPartBytes;
  filter.Make = [e, unit, &parts](int part) -> std::unique_ptr<BlockFilter> {
    parts[part] = std::make_unique<FileDecoder>(e, part == 0);
    return std::make_unique<DecoderFilter>(*parts[part], unit);
  };
  return filter;
}

EncodedLoad LoadEncodedFile(TLumoStrings& lines, const std::string& fileName, Encoding e,
                            const TLumoStrings::LoadProgress& progress, std::uint64_t twoPartBytes) {
  std::unique_ptr<FileDecoder> parts[2];
  const TextFilter filter = DecodingFilter(e, parts, twoPartBytes);
  lines.LoadFromFile(fileName, progress, &filter);
  if (parts[1]) return Merge(e, *parts[0], *parts[1]);
  return {parts[0]->Format(), parts[0]->Problem()};
}

TextFormat ShiftJisFileFormat(const std::string& fileName) {
  RowFileReader reader(fileName);
  LineEndTally tally;
  reader.ReadBlocks([&](const char* data, std::size_t size) { tally.Feed(data, size); });
  tally.Finish();
  TextFormat f;
  f.Break = tally.First().value_or(LineEnd::CrLf);
  f.MixedBreaks = tally.Mixed();
  return f;
}

std::optional<UnwritableChar> FindUnwritable(const TLumoStrings& lines, const TextFormat& format) {
  if (format.Enc == Encoding::ShiftJis) return std::nullopt;  // the rows' bytes are written as they are
  return EncodeRows(lines, format, [](std::string_view) {});
}

bool WriteRowsInFormat(const std::string& fileName, const TLumoStrings& lines, const TextFormat& format) {
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EFileError(fileName, errno);
  std::optional<UnwritableChar> bad;
  bool mixed = false;
  try {
    bad = EncodeRows(
        lines, format,
        [&](std::string_view bytes) {
          while (!bytes.empty()) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n < 0) {
              if (errno == EINTR) continue;
              throw EFileError(fileName, errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
          }
        },
        &mixed);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) throw EFileError(fileName, errno);
  if (bad)
    throw std::runtime_error(fileName + ": " + std::to_string(bad->Line) + " 行目に " +
                             EncodingName(format.Enc) + " で書けない文字があります。");
  return mixed;
}

}  // namespace quiret
