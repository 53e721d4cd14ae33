// FindMatcher: regular expressions. PCRE2 matches one logical line at a time,
// converted to UTF-8; a literal every match must hold is looked for first, so only the
// lines holding it reach the engine. The engine's limits are bounded and reported, never
// taken for "no match".
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "editor/FindMatcher.h"
#include "editor/LumoEditSub.h"
#include "editor/RegexLiteral.h"
#include "editor/ReplaceTemplate.h"

namespace quiret {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
// The engine's limits, fixed here so that every build gives up at the same point: the
// library's usual match and depth limits (a fraction of a second at most), 64 MiB of heap for
// the interpreter's backtracking and up to 8 MiB of stack for the JIT's.
constexpr std::uint32_t kMatchLimit = 10000000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;
constexpr std::size_t kJitStackMax = std::size_t{8} << 20;

bool IsUtfError(int rc) { return rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21; }

// The JIT of PCRE2 before 10.43 misses matches of some patterns (an empty alternative
// followed by a repeat: "(?:aaa|)x*.$" finds nothing in "aaa"); the interpreter is used
// with those versions. It costs little here: the search's own work per line dominates.
bool JitIsSound() {
  static const bool sound = [] {
    char version[64] = {};
    if (pcre2_config(PCRE2_CONFIG_VERSION, version) < 0) return false;
    unsigned major = 0, minor = 0;
    return std::sscanf(version, "%u.%u", &major, &minor) == 2 && (major > 10 || (major == 10 && minor >= 43));
  }();
  return sound;
}

}  // namespace

struct FindMatcher::Regex {
  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
  pcre2_match_context* context = nullptr;
  pcre2_jit_stack* jitStack = nullptr;
  std::string literal;       // ASCII text every match holds, or ""
  TwoFormText literalForms;  // the same in both cases, when the case is ignored
  // The line the engine looks at: where it is in the chunk, and its text as UTF-8.
  bool loaded = false;
  std::size_t lineStart = 0, lineEnd = 0;
  Utf8Line line;
  std::string_view subject;
  bool checked = false;           // the engine found the subject valid UTF-8
  std::size_t matchedAt = kNone;  // where the match that `match` holds starts (UTF-8 offset)
  std::string replacementUtf8;    // the replacement template, converted

  ~Regex() {
    if (match) pcre2_match_data_free(match);
    if (context) pcre2_match_context_free(context);
    if (jitStack) pcre2_jit_stack_free(jitStack);
    if (code) pcre2_code_free(code);
  }
  void LoadLine(std::string_view text, std::size_t ls, std::size_t le) {
    if (loaded && ls == lineStart) return;
    loaded = true;
    lineStart = ls;
    lineEnd = le;
    line.Assign(text.substr(ls, le - ls));
    subject = line.Text();
    checked = false;
    matchedAt = kNone;
  }
  std::size_t ToCp(std::size_t u) const { return line.ToCp(u); }
  std::size_t ToUtf(std::size_t cp) const { return line.ToUtf(cp); }
  std::size_t NextCharStart(std::size_t u) const {
    ++u;
    while (u < subject.size() && (static_cast<unsigned char>(subject[u]) & 0xC0) == 0x80) ++u;
    return u;
  }
  // The first non-empty match at or after UTF-8 offset `from`: 1 and its bounds, 0 when
  // there is none, -1 when the engine gave up.
  int Match(std::size_t from, std::size_t& b, std::size_t& e) {
    matchedAt = kNone;
    while (from <= subject.size()) {
      const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), from,
                                 PCRE2_NOTEMPTY | (checked ? PCRE2_NO_UTF_CHECK : 0), match, context);
      checked = checked || !IsUtfError(rc);
      if (rc == PCRE2_ERROR_NOMATCH) return 0;
      if (rc < 0) return -1;
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(match);
      b = ov[0];
      e = ov[1];
      if (e > b) {
        matchedAt = b;
        return 1;
      }
      // Still empty (\K can leave a match so): never selected; the search goes on after it.
      from = NextCharStart(std::max<std::size_t>(b, from));
    }
    return 0;
  }
};

FindMatcher::FindMatcher() = default;
FindMatcher::~FindMatcher() = default;

void FindMatcher::DropRegex() { regex_.reset(); }

bool FindMatcher::CompileRegex(std::string_view pattern) {
  auto re = std::make_unique<Regex>();
  std::string utf8;
  std::vector<std::size_t> map;
  ToUtf8Mapped(pattern, utf8, map);
  int code = 0;
  PCRE2_SIZE offset = 0;
  // \C would match half a character: refused, as a fault of the pattern.
  re->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(),
                           PCRE2_UTF | PCRE2_NEVER_BACKSLASH_C | (options_.MatchCase ? 0 : PCRE2_CASELESS),
                           &code, &offset, nullptr);
  if (!re->code) {
    PCRE2_UCHAR buf[256];
    pcre2_get_error_message(code, buf, sizeof buf);
    error_ = reinterpret_cast<const char*>(buf);
    return false;
  }
  if (JitIsSound()) pcre2_jit_compile(re->code, PCRE2_JIT_COMPLETE);  // else, or when absent: the interpreter
  re->match = pcre2_match_data_create_from_pattern(re->code, nullptr);
  re->context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(re->context, kMatchLimit);
  pcre2_set_depth_limit(re->context, kMatchLimit);
  pcre2_set_heap_limit(re->context, kHeapLimitKiB);
  re->jitStack = pcre2_jit_stack_create(32 * 1024, kJitStackMax, nullptr);
  if (re->jitStack) pcre2_jit_stack_assign(re->context, nullptr, re->jitStack);
  // ASCII characters stand for the same single bytes in the code page and in UTF-8, so
  // their bytes can be looked for in the text as it is.
  re->literal = RequiredLiteral(utf8);
  if (!options_.MatchCase) re->literalForms = TwoFormText::AsciiCaseless(re->literal);
  regex_ = std::move(re);
  return true;
}

void FindMatcher::Load(const FindChunk&) {
  knownBoundary_ = 0;
  if (regex_) regex_->loaded = false;
}

std::size_t FindMatcher::NextCandidateLine(std::string_view text, std::size_t from, std::size_t end) {
  const Regex& re = *regex_;
  if (re.literal.empty() || from >= end) return from;
  const std::size_t m = re.literal.size();
  for (std::size_t at = from;;) {
    const std::size_t stop = std::min(end, at + kPollWork + m - 1);
    std::size_t pos = kNone;
    if (options_.MatchCase) {
      if (const void* p = memmem(text.data() + at, stop - at, re.literal.data(), m))
        pos = static_cast<std::size_t>(static_cast<const char*>(p) - text.data());
    } else {
      pos = FindTwoForm(text.substr(0, stop), at, re.literalForms);
    }
    if (!Tick((pos == kNone ? stop : pos) - at, at)) return end;
    if (pos != kNone) {
      // `from` starts a line; the line holding pos starts after the last LF between them.
      const void* nl = memrchr(text.data() + from, '\n', pos - from);
      return nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text.data()) + 1 : from;
    }
    if (stop == end || stop < m) return end;
    at = stop - (m - 1);
  }
}

bool FindMatcher::FirstRegex(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len) {
  Regex& re = *regex_;
  const std::string_view text = chunk.text;
  // Within the line the engine already has, nothing needs to be looked for again: replacing
  // all in a long line stays linear.
  bool known = re.loaded && from >= re.lineStart && from <= re.lineEnd;
  std::size_t ls = known ? re.lineStart : LineStartBefore(text, from);
  while (ls < text.size()) {
    if (!known) {
      ls = NextCandidateLine(text, ls, text.size());
      if (stop_ != TFindStop::fsNone || ls >= text.size()) return false;
    }
    known = false;
    const std::size_t le = re.loaded && re.lineStart == ls ? re.lineEnd : LineEndAfter(text, ls);
    if (!Tick(le - ls + kEngineCallWork, ls)) return false;
    re.LoadLine(text, ls, le);
    std::size_t b = 0, e = 0;
    const int rc = re.Match(from > ls ? re.ToUtf(from - ls) : 0, b, e);
    if (rc < 0) {
      Stop(TFindStop::fsLimit, ls);
      return false;
    }
    if (rc > 0) {
      at = ls + re.ToCp(b);
      len = re.ToCp(e) - re.ToCp(b);
      return true;
    }
    ls = le + 2;
  }
  return false;
}

bool FindMatcher::LastRegex(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len) {
  Regex& re = *regex_;
  const std::string_view text = chunk.text;
  // The lines that may hold a match starting before the limit, found forwards (the text
  // they need may lie after the limit, in the limit's own line).
  std::vector<std::size_t> lines;
  for (std::size_t ls = 0; ls < limit;) {
    ls = NextCandidateLine(text, ls, text.size());
    if (stop_ != TFindStop::fsNone) return false;
    if (ls >= limit) break;
    lines.push_back(ls);
    ls = LineEndAfter(text, ls) + 2;
  }
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    const std::size_t ls = *it;
    const std::size_t le = LineEndAfter(text, ls);
    re.LoadLine(text, ls, le);
    // Every start where a match begins, in turn; the last one before the limit wins.
    bool found = false;
    std::size_t b = 0, e = 0;
    for (std::size_t from = 0;;) {
      if (!Tick(kEngineCallWork, ls)) return false;
      const int rc = re.Match(from, b, e);
      if (rc < 0) {
        Stop(TFindStop::fsLimit, ls);
        return false;
      }
      if (rc == 0 || ls + re.ToCp(b) >= limit) break;
      at = ls + re.ToCp(b);
      len = re.ToCp(e) - re.ToCp(b);
      found = true;
      from = re.NextCharStart(b);
    }
    if (found) return true;
  }
  return false;
}

bool FindMatcher::First(const FindChunk& chunk, std::size_t from, std::size_t& at, std::size_t& len) {
  stop_ = TFindStop::fsNone;
  if (regex_) return FirstRegex(chunk, from, at, len);
  len = needle_.size();
  return FirstPlain(chunk, from, at);
}

bool FindMatcher::Last(const FindChunk& chunk, std::size_t limit, std::size_t& at, std::size_t& len) {
  stop_ = TFindStop::fsNone;
  if (regex_) return LastRegex(chunk, limit, at, len);
  // Forward through the chunk: the scan is fast, and the last match before the limit wins.
  bool found = false;
  std::size_t from = 0, pos = 0;
  while (from < limit && FirstPlain(chunk, from, pos) && pos < limit) {
    at = pos;
    found = true;
    from = pos + 1;
  }
  len = needle_.size();
  return found && stop_ == TFindStop::fsNone;
}

bool FindMatcher::SetReplacement(std::string_view replacement) {
  error_.clear();
  if (!regex_) {
    replacement_.assign(replacement);
    return true;
  }
  const ReplaceTemplate t = ParseReplaceTemplate(replacement);
  if (!t.error.empty()) {
    error_ = t.error;
    return false;
  }
  std::uint32_t groups = 0;
  pcre2_pattern_info(regex_->code, PCRE2_INFO_CAPTURECOUNT, &groups);
  for (const ReplaceTemplate::Ref& ref : t.refs) {
    bool known = ref.number >= 0 && static_cast<std::uint32_t>(ref.number) <= groups;
    if (ref.number < 0) {
      std::string name;
      std::vector<std::size_t> map;
      ToUtf8Mapped(ref.name, name, map);
      known = pcre2_substring_number_from_name(regex_->code, reinterpret_cast<PCRE2_SPTR>(name.c_str())) >= 0;
    }
    if (!known) {
      std::string written;
      std::vector<std::size_t> map;
      ToUtf8Mapped(ref.written, written, map);
      error_ = "置換文字列の「" + written + "」に当たるグループが正規表現にありません。";
      return false;
    }
  }
  replacement_ = t.engine;
  std::vector<std::size_t> map;
  ToUtf8Mapped(replacement_, regex_->replacementUtf8, map);
  return true;
}

std::string FindMatcher::Substitute(const FindChunk& chunk, std::size_t lineStart, std::size_t lineEnd,
                                    std::size_t at) {
  stop_ = TFindStop::fsNone;
  if (!regex_) return replacement_;
  Regex& re = *regex_;
  re.LoadLine(chunk.text, lineStart, lineEnd);
  const std::size_t u = re.ToUtf(at - lineStart);
  // The match just found is used as it is; a hit the host moved is matched again there.
  std::uint32_t options = PCRE2_SUBSTITUTE_REPLACEMENT_ONLY | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH |
                          PCRE2_SUBSTITUTE_UNSET_EMPTY | (re.checked ? PCRE2_NO_UTF_CHECK : 0);
  options |= re.matchedAt == u ? PCRE2_SUBSTITUTE_MATCHED : PCRE2_ANCHORED | PCRE2_NOTEMPTY;
  std::string out(re.replacementUtf8.size() + 256, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    PCRE2_SIZE outLen = out.size();
    const int rc = pcre2_substitute(
        re.code, reinterpret_cast<PCRE2_SPTR>(re.subject.data()), re.subject.size(), u, options, re.match,
        re.context, reinterpret_cast<PCRE2_SPTR>(re.replacementUtf8.data()), re.replacementUtf8.size(),
        reinterpret_cast<PCRE2_UCHAR*>(out.data()), &outLen);
    if (rc == PCRE2_ERROR_NOMEMORY && outLen > out.size()) {
      out.resize(outLen);
      continue;
    }
    if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
        rc == PCRE2_ERROR_JIT_STACKLIMIT || rc == PCRE2_ERROR_NOMEMORY) {
      Stop(TFindStop::fsLimit, lineStart);
      return FromUtf8Mapped(re.replacementUtf8);
    }
    if (rc < 1) return FromUtf8Mapped(re.replacementUtf8);
    out.resize(outLen);
    return FromUtf8Mapped(out);
  }
  return FromUtf8Mapped(re.replacementUtf8);
}

}  // namespace quiret
