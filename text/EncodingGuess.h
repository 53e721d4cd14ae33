// A guess, from a file's first bytes, that a file is probably not Shift-JIS text, and what it
// probably is instead. Only looks: the bytes are never changed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quiret {

enum class GuessedEncoding {
  None,  // Shift-JIS or plain ASCII as far as the bytes tell
  Utf8Bom,
  Utf8,
  Utf16Le,
  Utf16Be,
  EucJp,
  Iso2022Jp,
  Binary,
};

// `head` is the start of a file; `whole` says it is the whole file (a zero run at its end
// then counts as padding, and a character cut at its end as a fault).
GuessedEncoding GuessEncoding(std::string_view head, bool whole);

// The same for a file on disk, from at most its first kGuessSampleBytes: fast on any size.
// A file that cannot be read gives None.
inline constexpr std::size_t kGuessSampleBytes = 256 * 1024;
GuessedEncoding GuessFileEncoding(const std::string& path);

}  // namespace quiret
