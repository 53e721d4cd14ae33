// RegexLiteral: a run of ASCII characters that every match of a regular expression holds,
// so that a search can skip the lines without it and leave only the others to the engine.
#pragma once

#include <string>
#include <string_view>

namespace quiret {

// The longest such run of a PCRE2 pattern (UTF-8, compiled without extended syntax), or ""
// when none can be told for certain: an alternative at the top level, inline options, verbs,
// quoting and escapes that take more than one character make it give up rather than guess.
std::string RequiredLiteral(std::string_view pattern);

}  // namespace quiret
