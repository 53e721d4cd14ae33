// The line ends a load notes with the rows, and the first zero byte it leaves out: against a
// plain model for any cut of the bytes and for two halves, and kept by the lines nobody
// changed through edits, wraps and freed blocks of a large store.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "tests/text/LineStoreTestUtil.h"
#include "text/EncodedFile.h"
#include "text/RowFile.h"
#include "text/RowSplitter.h"

namespace quiret::test {
namespace {

using Breaks = std::vector<std::optional<LineEnd>>;

// Each row's break as the file had it (the last row has none), and the line of the first
// zero byte: zero bytes count as nothing, then CR LF, LF and CR each end a line.
struct Model {
  Breaks breaks;
  std::uint64_t zeroLine = 0;
};

Model Expected(const std::string& bytes) {
  Model m;
  bool afterCr = false;
  for (const char c : bytes) {
    if (c == '\0') {
      if (m.zeroLine == 0) m.zeroLine = m.breaks.size() + 1;
      continue;
    }
    if (afterCr && c == '\n') {
      m.breaks.back() = LineEnd::CrLf;
      afterCr = false;
      continue;
    }
    afterCr = c == '\r';
    if (c == '\r' || c == '\n') m.breaks.emplace_back(c == '\r' ? LineEnd::Cr : LineEnd::Lf);
  }
  m.breaks.emplace_back();  // the end marker's row
  return m;
}

Breaks BreaksOf(const RowSlots& slots) {
  Breaks b;
  for (std::size_t i = 0; i < slots.Size(); ++i) b.push_back(slots.LoadedBreak(i));
  return b;
}

std::string Show(const std::string& bytes) { return testing::PrintToString(bytes); }

TEST(LoadedBreaks, EveryCutAndBothHalvesAgreeWithTheModel) {
  ScratchDir dir;
  std::mt19937 rng(31);
  const char alphabet[] = {'\r', '\n', '\r', '\n', '\0', 'a', '\x82', '\xa0'};
  for (int round = 0; round < 300; ++round) {
    std::string in;
    for (std::size_t n = rng() % 60; n > 0; --n) in += alphabet[rng() % (round % 3 ? 8 : 4)];
    const Model m = Expected(in);
    for (std::size_t block = 1; block <= in.size() + 1; ++block) {
      RowSlots slots;
      std::uint64_t zero;
      {
        RowSplitter splitter(slots);
        for (std::size_t at = 0; at < in.size(); at += block)
          splitter.Feed(in.data() + at, std::min(block, in.size() - at));
        splitter.Finish();
        zero = splitter.ZeroLine();
      }
      ASSERT_EQ(BreaksOf(slots), m.breaks) << Show(in) << " / " << block;
      ASSERT_EQ(zero, m.zeroLine) << Show(in) << " / " << block;
    }
    RowSlots slots;
    RowFileReader reader(dir.Write("f", in));
    reader.ReadInto(slots, SIZE_MAX, {}, 1 + rng() % 7, 1);  // two halves whenever there is an LF
    ASSERT_EQ(BreaksOf(slots), m.breaks) << Show(in);
    ASSERT_EQ(reader.ZeroLine(), m.zeroLine) << Show(in);
  }
}

// Any file without zero bytes, read as Shift-JIS or UTF-8 and written back unedited with its
// own line ends, is its bytes again.
TEST(LoadedBreaks, FilesOfAnyLineEndsWriteBackAsTheirBytes) {
  ScratchDir dir;
  std::mt19937 rng(4);
  const char* const pieces[] = {"\r", "\n", "\r\n", "a", "\xE3\x81\x82"};
  for (int round = 0; round < 400; ++round) {
    std::string in;
    for (std::size_t n = rng() % 40; n > 0; --n) in += pieces[rng() % std::size(pieces)];
    const std::string path = dir.Write("f", in);
    TLumoStrings lines;
    TextFormat format = ShiftJisFileFormat(path);
    if (round % 2) {
      format = LoadEncodedFile(lines, path, Encoding::Utf8).Format;
    } else {
      lines.LoadFromFile(path);
    }
    WriteRowsInFormat(dir.File("out"), lines, format);
    ASSERT_EQ(ScratchDir::Read(dir.File("out")), in) << Show(in);
  }
}

// A store of many blocks: a line keeps its break until its row is changed, through row
// edits, deletions that free whole blocks, and cuts of the text into short rows and back.
TEST(LoadedBreaks, UntouchedLinesKeepTheirBreakThroughEditsAndCuts) {
  ScratchDir dir;
  std::mt19937 rng(8);
  std::string file;
  std::vector<LineEnd> styles;
  while (file.size() < (6u << 20)) {
    const LineEnd e = rng() % 5 == 0 ? static_cast<LineEnd>(rng() % 3) : LineEnd::Lf;
    file += std::string(1 + rng() % 40, 'x') + std::to_string(styles.size()) + std::string(LineEndBytes(e));
    styles.push_back(e);
  }
  TLumoStrings store;
  store.LoadFromFile(dir.Write("big.txt", file));
  ASSERT_EQ(store.DroppedZeroLine(), 0u);
  // Which original line each row ends, or -1 for a row made by an edit.
  std::vector<std::int64_t> origin(styles.size());
  for (std::size_t i = 0; i < origin.size(); ++i) origin[i] = static_cast<std::int64_t>(i);
  auto check = [&](const char* when) {
    std::size_t line = 0;
    for (std::int32_t r = 0; r + 1 < store.Count(); ++r) {
      if (!EndsWithLf(store.Get(r))) continue;
      const std::int64_t o = origin.at(line++);
      const std::optional<LineEnd> b = store.LoadedBreak(r);
      if (o < 0)
        ASSERT_EQ(b, std::nullopt) << when << " row " << r;
      else
        ASSERT_EQ(b, styles[static_cast<std::size_t>(o)]) << when << " row " << r;
    }
    EXPECT_SOUND(store);
  };
  check("loaded");
  // Deleting the first third frees the blocks that held it.
  const std::int32_t third = store.Count() / 3;
  store.DeleteRange(0, third);
  origin.erase(origin.begin(), origin.begin() + third);
  for (int k = 0; k < 300; ++k) {
    const std::int32_t r = static_cast<std::int32_t>(rng() % static_cast<unsigned>(store.Count() - 1));
    const std::size_t line = static_cast<std::size_t>(store.LfRowsBefore(r));
    if (rng() % 2) {
      store.Put(r, "edited" + std::string(store.Get(r)));
      origin[line] = -1;
    } else {
      store.Insert(r, "new\r\n");
      origin.insert(origin.begin() + static_cast<std::ptrdiff_t>(line), -1);
    }
  }
  check("edited");
  // A wrap into rows of at most 8 bytes (a line's CR LF never split), then the unwrap.
  std::vector<std::uint32_t> wrapped, whole;
  for (std::int32_t r = 0; r < store.Count(); ++r) {
    std::size_t n = store.Get(r).size();
    whole.push_back(static_cast<std::uint32_t>(n));
    while (n > 10) wrapped.push_back(8), n -= 8;
    wrapped.push_back(static_cast<std::uint32_t>(n));
  }
  store.Recut(wrapped);
  check("wrapped");
  store.Recut(whole);
  check("unwrapped");
  store.SetText("a\r\nb\r\n");
  EXPECT_EQ(store.LoadedBreak(0), std::nullopt);
}

}  // namespace
}  // namespace quiret::test
