// RegexLiteral: reads the top level of a pattern item by item. Groups and classes are
// skipped whole (what they hold may be optional or alternative); a literal character
// counts only when its quantifier asks for it at least once.
#include "editor/RegexLiteral.h"

#include <cstddef>
#include <optional>

namespace quiret {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Constructs whose effect reaches beyond the item they stand in: inline options (which may
// switch on extended syntax or change case), verbs, \Q...\E quoting and comments.
bool HasUnreadableParts(std::string_view p) {
  for (std::size_t i = 0; i + 1 < p.size(); ++i) {
    if (p[i] == '\\') {
      if (p[i + 1] == 'Q') return true;
      ++i;
      continue;
    }
    if (p[i] != '(') continue;
    if (p[i + 1] == '*') return true;
    if (p[i + 1] == '?' && i + 2 < p.size()) {
      const char c = p[i + 2];
      if (IsAlnum(c) ? !IsDigit(c) : (c == '-' || c == '^' || c == '#' || c == '\'')) return true;
    }
  }
  return false;
}

// The offset after the class that starts at `i` ('['), or kNone.
std::size_t SkipClass(std::string_view p, std::size_t i) {
  std::size_t j = i + 1;
  if (j < p.size() && p[j] == '^') ++j;
  if (j < p.size() && p[j] == ']') ++j;  // a ']' first is a member
  while (j < p.size()) {
    if (p[j] == '\\') {
      j += 2;
    } else if (p[j] == '[' && j + 1 < p.size() && p[j + 1] == ':') {
      const std::size_t end = p.find(":]", j + 2);
      if (end == kNone) return kNone;
      j = end + 2;
    } else if (p[j] == ']') {
      return j + 1;
    } else {
      ++j;
    }
  }
  return kNone;
}

// The offset after the group that starts at `i` ('('), or kNone.
std::size_t SkipGroup(std::string_view p, std::size_t i) {
  int depth = 0;
  for (std::size_t j = i; j < p.size();) {
    if (p[j] == '\\') {
      j += 2;
    } else if (p[j] == '[') {
      j = SkipClass(p, j);
      if (j == kNone) return kNone;
    } else {
      if (p[j] == '(') ++depth;
      if (p[j] == ')' && --depth == 0) return j + 1;
      ++j;
    }
  }
  return kNone;
}

struct Quantifier {
  std::size_t end;  // offset after it
  unsigned min, max;
};

constexpr unsigned kMany = ~0u;

// A quantifier at `i` ({n}, {n,}, {n,m}, ?, *, +, each maybe followed by ? or +); nullopt
// when there is none, and a zero `end` when a '{' there is not one (PCRE2 then takes it
// literally, which is not worth following).
std::optional<Quantifier> ReadQuantifier(std::string_view p, std::size_t i) {
  if (i >= p.size()) return std::nullopt;
  Quantifier q{i + 1, 0, kMany};
  if (p[i] == '+') {
    q.min = 1;
  } else if (p[i] == '?') {
    q.max = 1;
  } else if (p[i] == '{') {
    auto number = [&p](std::size_t& j, unsigned& v) {
      const std::size_t start = j;
      v = 0;
      while (j < p.size() && IsDigit(p[j]) && j - start < 6) v = v * 10 + static_cast<unsigned>(p[j++] - '0');
      return j > start;
    };
    std::size_t j = i + 1;
    if (!number(j, q.min)) return Quantifier{0, 0, 0};
    q.max = q.min;
    if (j < p.size() && p[j] == ',') {
      ++j;
      q.max = kMany;
      if (j < p.size() && IsDigit(p[j]) && !number(j, q.max)) return Quantifier{0, 0, 0};
    }
    if (j >= p.size() || p[j] != '}') return Quantifier{0, 0, 0};
    q.end = j + 1;
  } else if (p[i] != '*') {
    return std::nullopt;
  }
  if (q.end < p.size() && (p[q.end] == '?' || p[q.end] == '+')) ++q.end;
  return q;
}

}  // namespace

std::string RequiredLiteral(std::string_view p) {
  if (HasUnreadableParts(p)) return {};
  std::string best, run;
  auto close = [&] {
    if (run.size() > best.size()) best = run;
    run.clear();
  };
  for (std::size_t i = 0; i < p.size();) {
    const char c = p[i];
    std::optional<char> literal;
    std::size_t next = i + 1;
    if (c == '|' || c == ')' || c == '*' || c == '+' || c == '?' || c == '{') {
      return {};  // an alternative at the top, or something PCRE2 reads otherwise
    } else if (c == '(') {
      next = SkipGroup(p, i);
    } else if (c == '[') {
      next = SkipClass(p, i);
    } else if (c == '\\') {
      if (i + 1 >= p.size()) return {};
      const char e = p[i + 1];
      next = i + 2;
      if (static_cast<unsigned char>(e) >= 0x80) return {};
      if (!IsAlnum(e)) {
        if (e >= 0x20 && e < 0x7F) literal = e;  // an escaped sign stands for itself
      } else if (std::string_view("dDsSwWhHvVRXbBAzZGKE").find(e) == kNone) {
        return {};  // \x.., \p{..}, \g.., back references: more than one character
      }
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      while (next < p.size() && (static_cast<unsigned char>(p[next]) & 0xC0) == 0x80) ++next;
    } else if (c != '.' && c != '^' && c != '$' && c >= 0x20 && c < 0x7F) {
      literal = c;
    }
    if (next == kNone) return {};
    const std::optional<Quantifier> q = ReadQuantifier(p, next);
    if (q && q->end == 0) return {};
    if (literal && (!q || q->min > 0)) run += *literal;
    // A character that may repeat or be left out ends the run: what follows it in a match
    // need not follow the run directly.
    if (!literal || (q && (q->min == 0 || q->max != 1))) close();
    i = q ? q->end : next;
  }
  close();
  return best;
}

}  // namespace quiret
