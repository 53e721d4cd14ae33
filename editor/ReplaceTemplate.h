// The replacement template of a regular expression search: $1…$99, ${name} and \1…\9 name
// groups ($0 and \0 the whole match), $$ and \\ stand for $ and \, \n for a line break
// (CR LF) and \t for a tab. Read into the form the engine's substitution takes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quiret {

struct ReplaceTemplate {
  // A group referred to: by number, or (number -1) by name; `written` as the template has it.
  struct Ref {
    int number = -1;
    std::string name;
    std::string written;
  };
  std::string engine;  // code page 932 bytes, in the engine's own syntax
  std::vector<Ref> refs;
  std::string error;  // UTF-8: why the template cannot be used, or ""
};

// `text` is code page 932: a double-byte character whose second byte is '\' is a character,
// not an escape.
ReplaceTemplate ParseReplaceTemplate(std::string_view text);

}  // namespace quiret
