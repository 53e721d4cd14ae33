// Double click selects the word under the pointer: one run of one character class (kanji,
// hiragana, katakana, letters and digits), installed through the editor's OnDblClick hook.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

namespace quiret {

class TLumoEdit;

enum class WordClass { Other, Kanji, Hiragana, Katakana, LetterOrDigit };
WordClass ClassOfChar(char32_t c);

// The byte range [first, second) that a double click on the character starting at byte
// `at` of a code page 932 line selects: the run of characters of its class around it, or
// the character alone when it belongs to none. Empty at or past the line's end.
std::pair<std::size_t, std::size_t> WordSpanAt(std::string_view line, std::size_t at);

// Hooks the editor's pointer press and double click; replaces any OnDblClick before it.
void InstallDoubleClickWord(TLumoEdit& ed);

}  // namespace quiret
