// Find and replace end, in time linear in the text, whatever the pattern: each case runs in
// a child process with a deadline, so a search that never ends fails the test instead of
// hanging it; what the control reported and the text afterwards are compared.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <optional>
#include <sstream>

#include "tests/editor/EditorFixture.h"

namespace quiret {
namespace {

// Rows made from `text` by the same rules as a file load.
void LoadFileText(TLumoEdit& edit, const std::string& text) {
  std::istringstream file(text);
  auto rows = std::make_unique<TLumoStrings>();
  rows->LoadFromStream(file);
  edit.LoadRows(std::move(rows));
}

// Runs `body` in a child process; its result, or nullopt when it did not end in time.
std::optional<std::string> RunBounded(int seconds, const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string out = body();
    for (std::size_t done = 0; done < out.size();) {
      const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  bool ended = false;
  for (int waited = 0; waited < seconds * 10 && !ended;) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) == 0) {
      ++waited;
      continue;
    }
    char buf[4096];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) ended = true;
    if (n > 0) out.append(buf, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  if (!ended) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!ended || !WIFEXITED(status)) return std::nullopt;
  return out;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  out.reserve(s.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

enum class Op { Next, Prev, All };

struct Case {
  const char* what;
  std::string text;  // loaded as a file
  std::string findchr, changechr;
  bool regex;
  Op op;
  const char* events;  // what the control reports
  std::string after;   // the text afterwards ("" for unchanged)
};

// One case on a fresh control: the events it fired and the text it left.
std::string RunCase(const Case& c) {
  TestEditorWindow win;
  TestClipboard clip;
  TLumoEdit edit{win, &clip};
  TFont f;
  f.Name = "ＭＳ ゴシック";
  f.SetSize(12);
  edit.SetFont(f);
  edit.UndoBuf = 64 << 20;
  LoadFileText(edit, c.text);
  edit.ApplySettings();
  if (c.op == Op::Prev) edit.MoveToTextEnd();
  std::string events;
  edit.OnFindHit = [&](TLumoEdit*, const std::string&, int x, int y, int len, int) {
    events += "hit " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(len) + ";";
  };
  edit.OnFindNoHit = [&](TLumoEdit* e, const std::string&) {
    events += e->FindError.empty() ? "nohit;" : "error;";
  };
  edit.OnFindStop = [&](TLumoEdit*, const std::string&, TFindStop why, int line) {
    events += (why == TFindStop::fsLimit ? "limit " : "cancel ") + std::to_string(line) + ";";
  };
  edit.OnFindChangeEnd = [&](TLumoEdit*, const std::string&, const std::string&, int count) {
    events += "end " + std::to_string(count) + ";";
  };
  const TFindOptions o{true, c.regex};
  if (c.op == Op::All)
    edit.ReplaceAll(c.findchr, c.changechr, o, false);
  else
    edit.FindText(c.findchr, o, c.op == Op::Prev);
  const std::string text = edit.Lines->GetText();
  std::string out = events + "|" + (text == c.text ? std::string() : text);
  if (c.op == Op::All && text != c.text) {
    edit.Undo();  // replace all is one step: the undo gives back every byte
    if (edit.Lines->GetText() != c.text) out += "|undo differs";
  }
  return out;
}

TEST(FindBounds, EveryFindAndReplaceEndsAndSaysWhy) {
  const std::string wide = "\x82\xA0";  // one double-byte character
  const std::string aaaa = Repeat("a", 40) + "Xb";
  const std::vector<Case> cases = {
      // \C could split a character: refused as a faulty pattern, never an empty hit or a
      // replace all that never ends.
      {"\\C find", wide + "a", "\\C", "", true, Op::Next, "error;", ""},
      {"\\C replace all", wide + "a\r\n" + wide, "\\C", "x", true, Op::All, "error;", ""},
      {"\\C inside a group", wide, "(?:a|\\C)+", "x", true, Op::All, "error;", ""},
      // No match is ever empty, and a pattern that can match empty moves on after it.
      {"x* finds the x's", "axxb", "x*", "", true, Op::Next, "hit 1 0 2;", ""},
      {"only empty matches", "abc\r\ndef", "^|\\b|(?=c)", "x", true, Op::All, "nohit;end 0;", ""},
      {"a* replaces the a's only", "baab\r\n" + wide + "a", "a*", "-", true, Op::All, "end 2;",
       "b-b\r\n" + wide + "-"},
      {"nested quantifiers", Repeat("ab", 50) + "c", "((a*)*b*)+c", "-", true, Op::All, "end 1;", "-"},
      {"\\K replaces after it", "ab ab", "a\\Kb", "X", true, Op::All, "end 2;", "aX aX"},
      {"an empty alternative then a repeat", "aaa", "(?:aaa|)x*.$", "", true, Op::Next, "hit 2 0 1;", ""},
      // Many matches in one line: each costs what it replaces, not what the line holds.
      {"a regular expression over a 100 KB line", Repeat("ab ", 34000), "a(b)", "[$1]", true, Op::All,
       "end 34000;", Repeat("[b] ", 34000)},
      {"100,000 matches in a line of double-byte text", Repeat(wide + "ab", 100000), "a(b)", "$1", true,
       Op::All, "end 100000;", Repeat(wide + "b", 100000)},
      // The engine's limits stop the search there, with a report; nothing is replaced.
      {"limit, forward", "z\r\n" + aaaa, "^(a|aa)+$|b", "", true, Op::Next, "limit 1;", ""},
      {"limit, backward", aaaa + "\r\nz", "^(a|aa)+$|b", "", true, Op::Prev, "limit 0;", ""},
      {"limit, replace all", "b\r\n" + aaaa + "\r\nb", "^(a|aa)+$|b", "c", true, Op::All, "limit 1;", ""},
      {"backtracking deeper than the engine's stack", Repeat("ab", 1000000) + "xc", "(?:a|b)*c", "", true,
       Op::Next, "limit 0;", ""},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> got = RunBounded(30, [&c] { return RunCase(c); });
    ASSERT_TRUE(got.has_value()) << c.what << ": did not end within 30 s";
    const std::string expected = std::string(c.events) + "|" + c.after;
    // Only the start of a long text is worth reading.
    EXPECT_TRUE(*got == expected) << c.what << "\n  got " << got->substr(0, 200) << "\n  not "
                                  << expected.substr(0, 200);
  }
}

// The window may repaint and change its size while a long search reports progress: the
// search goes on over the rows it began with, and the new size is laid out after it.
TEST(FindBounds, ASizeChangeWhileSearchingWaitsForTheEnd) {
  TestEditorWindow win;
  TLumoEdit edit{win};
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "abc def ghi jkl mno " + std::to_string(i % 7) + "\r\n";
  LoadFileText(edit, text);
  win.Resize(600, 400);
  edit.AutoWrap = true;  // at the window's width
  edit.SetWordWrap(true);
  const std::int32_t rows = edit.Lines->Count();
  int calls = 0;
  edit.OnFindProgress = [&](TLumoEdit*, std::int64_t, std::int64_t, bool&) {
    if (++calls == 2) win.Resize(100, 400);  // narrower: every line needs more rows
    win.Paint();
  };
  EXPECT_EQ(edit.ReplaceAll("[0-9]", "x", TFindOptions{true, true}, false), 20000);
  EXPECT_GT(calls, 2);
  EXPECT_GT(edit.Lines->Count(), rows);
  EXPECT_EQ(edit.Lines->CheckInvariant(), "");
}

// What replace all works through: one line of n matches, plain or a regular expression
// (with double-byte characters to convert), or n wrapped lines that each need fewer rows.
enum class Shape { Line, RegexLine, WrappedLines };

// The processor time of replace all alone; negative when it miscounted.
double ReplaceAllSeconds(int n, Shape shape) {
  TestEditorWindow win;
  TLumoEdit edit{win};
  std::string text;
  if (shape == Shape::WrappedLines) {
    for (int i = 0; i < n; ++i) text += "abc defghijkl " + std::to_string(i % 7) + "\r\n";
  } else {
    text = Repeat(shape == Shape::RegexLine ? "\x82\xA0"
                                              "ab "
                                            : "ab ",
                  n);
  }
  LoadFileText(edit, text);
  edit.AutoWrap = false;
  edit.SetColumn(8);
  edit.SetWordWrap(shape == Shape::WrappedLines);
  const bool regex = shape == Shape::RegexLine;
  const std::clock_t start = std::clock();
  const std::int32_t count =
      shape == Shape::WrappedLines
          ? edit.ReplaceAll("defghijkl", "d", TFindOptions{true, false}, false)
          : edit.ReplaceAll(regex ? "a(b)" : "ab", regex ? "$1" : "x", TFindOptions{true, regex}, false);
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  return count == n ? seconds : -1;
}

// Four times the matches take about four times as long (the quadratic way took sixteen);
// the best of three runs rules out a busy moment. Sizes that leave the processor's caches
// at both; smaller ones in a build that is not optimized (the sanitizers' build), where
// each match costs far more.
TEST(FindBounds, ReplaceAllIsLinear) {
#ifdef __OPTIMIZE__
  constexpr int kMatches = 250000;
#else
  constexpr int kMatches = 25000;
#endif
  for (const Shape shape : {Shape::Line, Shape::RegexLine, Shape::WrappedLines}) {
    const char* what = shape == Shape::Line        ? "one line"
                       : shape == Shape::RegexLine ? "one line, regex"
                                                   : "lines";
    const std::optional<std::string> got = RunBounded(120, [shape] {
      double t[2] = {1e9, 1e9};
      for (int round = 0; round < 3; ++round)
        for (int k = 0; k < 2; ++k)
          t[k] = std::min(t[k], ReplaceAllSeconds(k == 0 ? kMatches : 4 * kMatches, shape));
      return t[0] <= 0 || t[1] < 0 ? std::string("0 miscounted")
                                   : std::to_string(t[1] / t[0]) + " (" + std::to_string(t[0]) + " s, " +
                                         std::to_string(t[1]) + " s)";
    });
    ASSERT_TRUE(got.has_value()) << what << ": did not end within 120 s";
    EXPECT_LT(std::stod(*got), 10.0) << what << ": time ratio " << *got;
  }
}

}  // namespace
}  // namespace quiret
