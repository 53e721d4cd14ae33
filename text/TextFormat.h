// What a text file is written in: its encoding, byte-order mark and line-end style, and
// the names these go by in menus, the status bar, the settings and on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quiret {

enum class Encoding : std::uint8_t {
  ShiftJis,  // code page 932: the document's own bytes, written as they are
  Utf8,
  Utf16Le,
  Utf16Be,
  EucJp,
  Iso2022Jp,
  // Only asked for, never what a file is: UTF-16 whose byte-order mark says which of the
  // two it is (big-endian without one, as iconv reads it).
  Utf16,
};

enum class LineEnd : std::uint8_t { CrLf, Lf, Cr };

struct TextFormat {
  Encoding Enc = Encoding::ShiftJis;
  bool Bom = false;  // UTF-8 and UTF-16 only
  LineEnd Break = LineEnd::CrLf;
  // The file's line breaks were not all of one style; Break is the first one's.
  bool MixedBreaks = false;
  // One bit per code page 932 symbol pair (Codec932::SymbolPairs): the JIS form is written.
  std::uint8_t JisForms = 0;
  friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

// "Shift-JIS", "UTF-8", "UTF-16LE", "UTF-16BE", "EUC-JP", "ISO-2022-JP", "UTF-16".
const char* EncodingName(Encoding e);
// The name iconv knows it by ("CP932" for Shift-JIS), as the settings keep it.
const char* EncodingIconvName(Encoding e);
// An encoding by any of the names iconv gives it, letter case ignored: "utf8", "SJIS",
// "eucJP", "CP932", ... Nothing for a name of an encoding this program does not read.
std::optional<Encoding> EncodingFromName(std::string_view name);
// The names EncodingFromName takes first, for messages: "CP932, UTF-8, ...".
std::string KnownEncodingNames();

const char* LineEndName(LineEnd e);  // "CRLF", "LF", "CR"
std::string_view LineEndBytes(LineEnd e);

// "UTF-8 BOM · LF", with a note when the breaks were mixed.
std::string FormatStatusText(const TextFormat& f);
// Whether the encoding can carry a byte-order mark (UTF-8, UTF-16).
bool HasBomForm(Encoding e);
// The byte-order mark of the encoding, empty for those without one.
std::string_view BomBytes(Encoding e);

}  // namespace quiret
