// A reference for regular-expression find on ASCII lines: patterns drawn from a small
// grammar (literals, '.', classes, groups, alternatives, anchors, \b, greedy and lazy
// quantifiers, nested ones included), and for each start the set of every end a match can
// reach. Priorities are left out on purpose: a search must pick the leftmost start where a
// non-empty match exists, and end at one of that start's ends; which one is PCRE2's choice.
#pragma once

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quiret::testref {

struct Re {
  enum Kind { Lit, Any, Class, Cat, Alt, Repeat, Bol, Eol, WordEdge } kind = Cat;
  char c = 0;           // Lit
  std::string members;  // Class
  bool negated = false;
  int min = 0, max = -1;  // Repeat; -1 for no upper bound
  std::vector<Re> kids;
};

inline Re Draw(const std::function<int(int, int)>& pick, std::string& text, bool* splits, int depth);

// One atom: a literal, '.', a class, an anchor or \b, or a group of alternatives (some
// maybe empty).
inline Re DrawAtom(const std::function<int(int, int)>& pick, std::string& text, bool* splits, int depth) {
  static const char kLits[] = "abAB ";
  Re atom;
  switch (pick(0, depth < 2 ? 9 : 5)) {
    case 0:
    case 1:
    case 2:
      atom.kind = Re::Lit;
      atom.c = kLits[pick(0, 4)];
      text += atom.c;
      break;
    case 3:
      atom.kind = Re::Any;
      text += '.';
      break;
    case 4:
      atom.kind = Re::Class;
      atom.negated = pick(0, 1) == 1;
      atom.members = pick(0, 1) ? "ab" : "a";
      text += std::string("[") + (atom.negated ? "^" : "") + atom.members + "]";
      break;
    case 5:
      atom.kind = pick(0, 2) == 0 ? Re::WordEdge : pick(0, 1) ? Re::Bol : Re::Eol;
      text += atom.kind == Re::WordEdge ? "\\b" : atom.kind == Re::Bol ? "^" : "$";
      break;
    default:
      atom.kind = Re::Alt;
      text += pick(0, 1) ? "(" : "(?:";
      for (int k = pick(1, 3); k > 0; --k) {
        atom.kids.push_back(pick(0, 5) == 0 ? Re{} : Draw(pick, text, splits, depth + 1));
        if (k > 1) text += '|';
      }
      text += ')';
      break;
  }
  return atom;
}

// Draws a pattern; `pick(lo, hi)` chooses a number in [lo, hi]. Returns its text and tree.
// With `splits`, now and then an atom is \C (which could split a character), and *splits
// tells whether one was drawn: the tree then means nothing, the pattern must be refused.
inline Re Draw(const std::function<int(int, int)>& pick, std::string& text, bool* splits = nullptr,
               int depth = 0) {
  Re cat;
  for (int n = pick(1, depth == 0 ? 4 : 3); n > 0; --n) {
    Re atom;
    if (splits && pick(0, 24) == 0) {
      text += "\\C";
      *splits = true;
      atom.kind = Re::Any;
    } else {
      atom = DrawAtom(pick, text, splits, depth);
    }
    if (atom.kind != Re::Bol && atom.kind != Re::Eol && atom.kind != Re::WordEdge && pick(0, 2) == 0) {
      static const int kQ[][2] = {{0, -1}, {1, -1}, {0, 1}, {2, 2}, {0, 2}, {1, 3}};
      static const char* const kText[] = {"*", "+", "?", "{2}", "{0,2}", "{1,3}"};
      const int q = pick(0, 5);
      text += kText[q];
      if (pick(0, 3) == 0) text += '?';  // lazy: the same ends, another order
      Re rep;
      rep.kind = Re::Repeat;
      rep.min = kQ[q][0];
      rep.max = kQ[q][1];
      rep.kids.push_back(std::move(atom));
      atom = std::move(rep);
    }
    cat.kids.push_back(std::move(atom));
  }
  return cat;
}

inline bool SameChar(char a, char b, bool caseless) {
  return a == b || (caseless && std::tolower(static_cast<unsigned char>(a)) ==
                                    std::tolower(static_cast<unsigned char>(b)));
}

inline bool IsWord(const std::string& s, std::size_t i) {
  return i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_');
}

// The ends reachable from the positions marked in `from` (one flag per offset 0..size).
inline std::vector<bool> Ends(const Re& re, const std::string& s, const std::vector<bool>& from,
                              bool caseless) {
  const std::size_t n = s.size();
  std::vector<bool> out(n + 1, false);
  switch (re.kind) {
    case Re::Lit:
    case Re::Any:
    case Re::Class:
      for (std::size_t i = 0; i < n; ++i) {
        if (!from[i]) continue;
        bool ok = re.kind == Re::Any;
        if (re.kind == Re::Lit) ok = SameChar(s[i], re.c, caseless);
        if (re.kind == Re::Class) {
          for (char m : re.members) ok = ok || SameChar(s[i], m, caseless);
          ok = ok != re.negated;
        }
        if (ok) out[i + 1] = true;
      }
      return out;
    case Re::Bol:
      out[0] = from[0];
      return out;
    case Re::Eol:
      out[n] = from[n];
      return out;
    case Re::WordEdge:
      for (std::size_t i = 0; i <= n; ++i) out[i] = from[i] && (i > 0 && IsWord(s, i - 1)) != IsWord(s, i);
      return out;
    case Re::Cat: {
      std::vector<bool> at = from;
      for (const Re& k : re.kids) at = Ends(k, s, at, caseless);
      return at;
    }
    case Re::Alt:
      for (const Re& k : re.kids) {
        const std::vector<bool> e = Ends(k, s, from, caseless);
        for (std::size_t i = 0; i <= n; ++i) out[i] = out[i] || e[i];
      }
      return out;
    case Re::Repeat: {
      std::vector<bool> at = from;
      for (int k = 0; k < re.min; ++k) at = Ends(re.kids[0], s, at, caseless);
      out = at;
      // Up to max - min more rounds, or until nothing new is reached.
      for (int k = re.min; re.max < 0 || k < re.max; ++k) {
        at = Ends(re.kids[0], s, at, caseless);
        bool grew = false;
        for (std::size_t i = 0; i <= n; ++i)
          if (at[i] && !out[i]) grew = out[i] = true;
        if (!grew && re.max < 0) break;
      }
      return out;
    }
  }
  return out;
}

}  // namespace quiret::testref
