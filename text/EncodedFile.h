// Files in any text format: reading one in another encoding into code page 932 rows, the
// line breaks of a Shift-JIS file, and writing rows in an encoding, BOM and line end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "text/FileDecoder.h"
#include "text/LumoStrings.h"
#include "text/TextFilter.h"
#include "text/TextFormat.h"

namespace quiret {

struct EncodedLoad {
  TextFormat Format;
  DecodeProblem Problem;  // What is None when the rows write back as the file's bytes
};

// Reads the file in encoding `e` (neither ShiftJis nor Utf16) into `lines`, converting
// block by block, a file of twoPartBytes or more in UTF-8 or EUC-JP in two halves at
// once; progress hears the bytes read. When the bytes do not read as `e`
// (Problem().Unreadable()), `lines` holds what did. Throws what reading the file throws
// (EFileError, ETextTooLarge), leaving `lines` as LoadFromFile would.
EncodedLoad LoadEncodedFile(TLumoStrings& lines, const std::string& fileName, Encoding e,
                            const TLumoStrings::LoadProgress& progress = {},
                            std::uint64_t twoPartBytes = std::uint64_t{32} << 20);

// The line store reader's filter for a file in encoding `e`: a decoder per part, made into
// `parts` (the second only when the file is read in two halves).
TextFilter DecodingFilter(Encoding e, std::unique_ptr<FileDecoder> (&parts)[2], std::uint64_t twoPartBytes);

// The line breaks of a file read as Shift-JIS: the first one's style and whether others
// differ (Enc ShiftJis, no BOM).
TextFormat ShiftJisFileFormat(const std::string& fileName);

// A character the rows hold that a format cannot write.
struct UnwritableChar {
  std::uint64_t Line = 0;  // from 1
  std::string Cp932;       // its bytes in the rows (one byte when they are no character)
};
std::optional<UnwritableChar> FindUnwritable(const TLumoStrings& lines, const TextFormat& format);

// Writes the rows in `format`: the byte-order mark when it has one, the text in its
// encoding (ShiftJis: the rows' bytes), every line end in its style or, when the format's
// breaks are mixed, each loaded line's own (TLumoStrings::LoadedBreak); wrapped rows join and
// the end marker is left out, as SaveToFile does. Returns whether the file got line ends of
// more than one style. Throws EFileError, or std::runtime_error naming the first character
// the format cannot write (see FindUnwritable, which a caller asks first).
bool WriteRowsInFormat(const std::string& fileName, const TLumoStrings& lines, const TextFormat& format);

}  // namespace quiret
