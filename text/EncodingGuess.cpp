// Telling other encodings from Shift-JIS by counting: byte-order marks, where zero bytes sit,
// how many high bytes form UTF-8 or EUC-JP characters that code page 932 does not read, and
// the escape sequences of ISO-2022-JP.
#include "text/EncodingGuess.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/Codec932.h"
#include "platform/Files.h"

namespace quiret {

namespace {

bool In(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// Length of the well-formed multi-byte UTF-8 sequence at i (no overlong forms, no
// surrogates); 0 when there is none, -1 when the text ends inside one.
int Utf8SeqAt(std::string_view s, std::size_t i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  int len;
  unsigned lo = 0x80, hi = 0xBF;  // range of the second byte
  if (In(b, 0xC2, 0xDF)) {
    len = 2;
  } else if (In(b, 0xE0, 0xEF)) {
    len = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;
  } else if (In(b, 0xF0, 0xF4)) {
    len = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (int k = 1; k < len; ++k) {
    if (i + static_cast<std::size_t>(k) >= s.size()) return -1;
    const unsigned char c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if (k == 1 ? !In(c, lo, hi) : !In(c, 0x80, 0xBF)) return 0;
  }
  return len;
}

// The byte pairs as UTF-16 units of one byte order: how many are kana or the CJK symbols
// (U+3000 to U+30FF, the full- and half-width forms), kanji, or ASCII text, and how many no
// text holds (controls, broken surrogates, noncharacters).
struct Utf16Units {
  std::size_t kana = 0, kanji = 0, ascii = 0, bad = 0;
};

Utf16Units CountUtf16Units(std::string_view s, bool bigEndian, bool whole) {
  Utf16Units n;
  const std::size_t units = s.size() / 2;
  auto unitAt = [&](std::size_t u) {
    const unsigned a = static_cast<unsigned char>(s[2 * u]), b = static_cast<unsigned char>(s[2 * u + 1]);
    return bigEndian ? a << 8 | b : b << 8 | a;
  };
  for (std::size_t u = 0; u < units; ++u) {
    const unsigned c = unitAt(u);
    if (c >= 0xD800 && c <= 0xDBFF) {
      // A high surrogate takes the next unit with it; one cut by the sample's end is no fault.
      if (u + 1 < units ? !(unitAt(u + 1) >= 0xDC00 && unitAt(u + 1) <= 0xDFFF) : whole) ++n.bad;
      ++u;
    } else if (c < 0x20) {
      ++(c == '\t' || c == '\n' || c == '\r' || c == '\f' ? n.ascii : n.bad);
    } else if (c < 0x7F) {
      ++n.ascii;
    } else if ((c >= 0x7F && c < 0xA0) || (c >= 0xDC00 && c <= 0xDFFF) || c >= 0xFFFE) {
      ++n.bad;
    } else if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF01 && c <= 0xFF9F)) {
      ++n.kana;
    } else if (c >= 0x3400 && c <= 0x9FFF) {
      ++n.kanji;
    }
  }
  return n;
}

// Japanese text in UTF-16 has zero bytes on both sides of its pairs (ASCII and line ends on
// one, U+3000 and kanji such as U+4E00 on the other), so the zero bytes alone do not tell
// it from binary data. Read in its own byte order it is nothing but valid units, nearly all
// of them Japanese or ASCII, with many kana (particles, kana words, punctuation); read in
// the other order kana are rare, whatever else the pairs happen to look like.
GuessedEncoding JapaneseUtf16(std::string_view s, bool whole) {
  if (whole) {
    while (s.size() >= 2 && s.ends_with(std::string_view("\0\0", 2))) s.remove_suffix(2);  // padding
  }
  const std::size_t units = s.size() / 2;
  if (units == 0 || (whole && s.size() % 2 != 0)) return GuessedEncoding::None;
  const Utf16Units le = CountUtf16Units(s, false, whole), be = CountUtf16Units(s, true, whole);
  auto japanese = [units](const Utf16Units& n, const Utf16Units& other) {
    return n.bad == 0 && (n.kana + n.kanji + n.ascii) * 10 >= units * 9 && n.kana * 10 >= units &&
           n.kana > 2 * other.kana;
  };
  if (japanese(le, be)) return GuessedEncoding::Utf16Le;
  if (japanese(be, le)) return GuessedEncoding::Utf16Be;
  return GuessedEncoding::None;
}

// ISO-2022-JP: seven-bit bytes without zeros, and escape sequences, each one of the four the
// encoding has (ESC ( B, ESC ( J, ESC $ @, ESC $ B), at least one to the double-byte set.
bool LooksIso2022Jp(std::string_view s, bool whole) {
  bool doubleByte = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80 || c == 0) return false;
    if (c != 0x1B) continue;
    if (i + 2 >= s.size()) return !whole && doubleByte;  // a sequence cut by the sample's end
    const std::string_view seq = s.substr(i + 1, 2);
    if (seq == "$B" || seq == "$@")
      doubleByte = true;
    else if (seq != "(B" && seq != "(J")
      return false;
    i += 2;
  }
  return doubleByte;
}

// Zero bytes sitting on one side of every byte pair, and the pairs read as plausible text
// units (no other controls, no broken surrogates): UTF-16. Other zero bytes: binary.
GuessedEncoding ZeroBytes(std::string_view s) {
  std::size_t zeros[2] = {0, 0};
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] == '\0') ++zeros[i % 2];
  const std::size_t total = zeros[0] + zeros[1];
  if (total == 0) return GuessedEncoding::None;
  const int side = zeros[1] >= zeros[0] ? 1 : 0;  // zeros at odd offsets: little-endian
  const std::size_t units = s.size() / 2;
  if (zeros[side] * 10 < total * 9 || zeros[side] < 4 || zeros[side] * 20 < units)
    return GuessedEncoding::Binary;
  std::size_t bad = 0;
  for (std::size_t u = 0; u < units; ++u) {
    const unsigned char a = static_cast<unsigned char>(s[2 * u]),
                        b = static_cast<unsigned char>(s[2 * u + 1]);
    const std::uint16_t unit =
        side == 1 ? static_cast<std::uint16_t>(a | b << 8) : static_cast<std::uint16_t>(a << 8 | b);
    const bool control = unit < 0x20 && unit != '\t' && unit != '\n' && unit != '\r' && unit != '\f';
    if (control || (unit >= 0xDC00 && unit <= 0xDFFF) || unit >= 0xFFFE) ++bad;
    if (unit >= 0xD800 && unit <= 0xDBFF) ++u;  // a high surrogate takes the next unit with it
  }
  if (bad * 50 > units) return GuessedEncoding::Binary;
  return side == 1 ? GuessedEncoding::Utf16Le : GuessedEncoding::Utf16Be;
}

// Nearly every high byte in a well-formed UTF-8 sequence, and either some of them not
// readable as code page 932 or a sequence of three bytes or more (kana and kanji). Shift-JIS
// text is valid UTF-8 only by chance in a few bytes, mostly half-width katakana pairs such as
// "ﾃｽ" (0xC3 0xBD), which the benefit of the doubt leaves to Shift-JIS.
bool LooksUtf8(std::string_view s, bool whole, std::size_t high) {
  std::size_t inUtf8 = 0, longSeqs = 0;
  std::vector<bool> utf8Byte(s.size(), false);
  for (std::size_t i = 0; i < s.size();) {
    int len = Utf8SeqAt(s, i);
    if (len < 0) {
      if (whole) break;  // a sequence cut by the file's end is a fault, by the sample's end is not
      len = static_cast<int>(s.size() - i);
    }
    if (len == 0) {
      ++i;
      continue;
    }
    for (int k = 0; k < len; ++k) utf8Byte[i + static_cast<std::size_t>(k)] = true;
    inUtf8 += static_cast<std::size_t>(len);
    longSeqs += len >= 3;
    i += static_cast<std::size_t>(len);
  }
  if (inUtf8 == 0 || inUtf8 * 100 < high * 99) return false;
  if (longSeqs > 0) return true;
  const Codec932& codec = Codec932::Instance();
  for (std::size_t i = 0; i < s.size();) {
    int len = 1;
    const bool ok = static_cast<unsigned char>(s[i]) < 0x80 || codec.DecodeAt(s, i, len) != 0 ||
                    (!whole && i + 1 == s.size());
    if (!ok && utf8Byte[i]) return true;
    i += static_cast<std::size_t>(len);
  }
  return false;
}

// Nearly every high byte in an EUC-JP character, and characters Shift-JIS text does not
// make: a byte of 0xE0 or more (half-width katakana stop at 0xDF), or many pairs led by
// 0xA4 or 0xA5, the rows of hiragana and katakana, following one another as kana do in words
// (in Shift-JIS those bytes are the rare "､" and "･"). Half-width katakana alone pair up by
// chance only in short runs of even length.
bool LooksEucJp(std::string_view s, bool whole, std::size_t high) {
  std::size_t bad = 0, pairs = 0, upper = 0, kana = 0, kanaRuns = 0;
  unsigned char lastLead = 0;  // lead byte of the character just before, 0 after anything else
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      lastLead = 0;
      ++i;
      continue;
    }
    const std::size_t need = b == 0x8F ? 3 : 2;
    if (i + need > s.size()) {
      if (whole) bad += s.size() - i;
      break;
    }
    const unsigned char c = static_cast<unsigned char>(s[i + 1]);
    bool ok;
    if (b == 0x8E) {
      ok = In(c, 0xA1, 0xDF);
    } else if (b == 0x8F) {
      ok = In(c, 0xA1, 0xFE) && In(static_cast<unsigned char>(s[i + 2]), 0xA1, 0xFE);
    } else {
      ok = In(b, 0xA1, 0xFE) && In(c, 0xA1, 0xFE);
      if (ok) {
        ++pairs;
        if (b >= 0xE0 || c >= 0xE0) ++upper;
        if (b == 0xA4 || b == 0xA5) {
          ++kana;
          kanaRuns += b == lastLead;
        }
      }
    }
    lastLead = ok ? b : 0;
    if (!ok) {
      ++bad;
      ++i;
      continue;
    }
    i += need;
  }
  if (bad * 100 > high || pairs < 2) return false;
  return upper > 0 || (kanaRuns >= 3 && kana * 3 >= pairs);
}

}  // namespace

GuessedEncoding GuessEncoding(std::string_view head, bool whole) {
  if (head.starts_with("\xEF\xBB\xBF")) return GuessedEncoding::Utf8Bom;
  if (head.starts_with("\xFF\xFE")) return GuessedEncoding::Utf16Le;
  if (head.starts_with("\xFE\xFF")) return GuessedEncoding::Utf16Be;
  if (head.find('\0') != std::string_view::npos) {
    if (const GuessedEncoding j = JapaneseUtf16(head, whole); j != GuessedEncoding::None) return j;
  }
  std::string_view s = head;
  if (whole) {
    while (!s.empty() && s.back() == '\0') s.remove_suffix(1);  // padding at the file's end
  }
  if (const GuessedEncoding z = ZeroBytes(s); z != GuessedEncoding::None) return z;
  std::size_t high = 0;
  for (const char c : s) high += static_cast<unsigned char>(c) >= 0x80;
  if (high == 0) return LooksIso2022Jp(s, whole) ? GuessedEncoding::Iso2022Jp : GuessedEncoding::None;
  if (LooksUtf8(s, whole, high)) return GuessedEncoding::Utf8;
  if (LooksEucJp(s, whole, high)) return GuessedEncoding::EucJp;
  return GuessedEncoding::None;
}

GuessedEncoding GuessFileEncoding(const std::string& path) {
  // Never waits for a writer: a path replaced by a FIFO is no text to guess.
  const int fd = OpenRegularFile(path, O_RDONLY);
  if (fd < 0) return GuessedEncoding::None;
  std::string head(kGuessSampleBytes + 1, '\0');
  std::size_t got = 0;
  while (got < head.size()) {
    const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  head.resize(std::min(got, kGuessSampleBytes));
  return GuessEncoding(head, got <= kGuessSampleBytes);
}

}  // namespace quiret
