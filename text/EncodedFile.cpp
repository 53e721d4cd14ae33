// Loading through FileDecoder into the line store's splitter, and saving rows through
// FileEncoder in blocks.
#include "text/EncodedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LeadByte.h"
#include "text/FileEncoder.h"
#include "text/LineEndTally.h"
#include "text/RowFile.h"

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

// The rows as the file's text, in blocks with line ends in the format's style, through the
// format's encoder to `sink`; the first character it cannot write, or nothing.
template <typename Sink>
std::optional<UnwritableChar> EncodeRows(const TLumoStrings& lines, const TextFormat& format, Sink sink) {
  FileEncoder encoder(format.Enc, format.JisForms);
  const std::string_view lineEnd = LineEndBytes(format.Break);
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
    if (breaks) {
      text.append(lineEnd);
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

EncodedLoad LoadEncodedFile(TLumoStrings& lines, const std::string& fileName, Encoding e,
                            const TLumoStrings::LoadProgress& progress) {
  RowFileReader reader(fileName);  // opens first: a missing file leaves the rows alone
  FileDecoder decoder(e);
  std::string text;
  lines.LoadFromBlocks(fileName, [&](const TLumoStrings::BlockFeed& feed) {
    reader.ReadBlocks(
        [&](const char* data, std::size_t size) {
          text.clear();
          decoder.Feed(std::string_view(data, size), text);
          feed(text.data(), text.size());
        },
        progress);
    text.clear();
    decoder.Finish(text);
    feed(text.data(), text.size());
  });
  return {decoder.Format(), decoder.Problem()};
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

void WriteRowsInFormat(const std::string& fileName, const TLumoStrings& lines, const TextFormat& format) {
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EFileError(fileName, errno);
  std::optional<UnwritableChar> bad;
  try {
    bad = EncodeRows(lines, format, [&](std::string_view bytes) {
      while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
          if (errno == EINTR) continue;
          throw EFileError(fileName, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
      }
    });
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) throw EFileError(fileName, errno);
  if (bad)
    throw std::runtime_error(fileName + ": " + std::to_string(bad->Line) + " 行目に " +
                             EncodingName(format.Enc) + " で書けない文字があります。");
}

}  // namespace quiret
