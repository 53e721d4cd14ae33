// The plain-text print stream: lines, tabs, breaking and paging of text sent to a printer.
#include "app/PrintStream.h"

#include <algorithm>
#include <climits>

#include "editor/LumoEditSub.h"

namespace quiret {

namespace {

constexpr int kTabStopChars = 8;
constexpr int kLineGap = 2;  // pixels added below a line that holds text

}  // namespace

PrintStream::PrintStream(PrintPage& page) : page_(page) {}

PrintStream::~PrintStream() {
  if (open_) Close();
}

bool PrintStream::Open(const std::string& title) {
  if (open_) return true;
  if (!page_.BeginDoc(title)) return false;
  open_ = true;
  font_ = page_.SelectPrinterFont();
  pageWidth_ = page_.PageWidth();
  pageHeight_ = page_.PageHeight();
  x_ = y_ = 0;
  lineHasText_ = false;
  pendingPages_ = 0;
  pending_.clear();
  return true;
}

int PrintStream::LineHeight() const { return lineHasText_ ? font_.Height + kLineGap : font_.Height; }

void PrintStream::Write(std::string_view text) {
  if (!open_) return;
  for (char c : text) {
    switch (c) {
      case '\n':
        Flush();
        LineFeed();
        break;
      case '\r':
        Flush();
        break;
      case '\f':
        Flush();
        FormFeed();
        break;
      case '\t':
        Flush();
        Tab();
        break;
      case '\0':
        break;  // has no glyph, and would end the text for many printer drivers
      default:
        pending_.push_back(c);
    }
  }
}

void PrintStream::Close() {
  if (!open_) return;
  Flush();
  // Page breaks still pending are dropped here: they would only add empty sheets.
  page_.EndDoc();
  open_ = false;
}

void PrintStream::Flush() {
  const std::string text = std::move(pending_);
  pending_.clear();
  std::string_view rest = text;
  while (!rest.empty()) {
    size_t fit = FittingBytes(rest);
    if (fit == 0) {
      if (x_ > 0) {
        LineFeed();
        continue;
      }
      fit =
          static_cast<size_t>(CharLenFrom(rest, 0));  // a character wider than the whole page goes out alone
    }
    Draw(rest.substr(0, fit));
    rest.remove_prefix(fit);
    if (!rest.empty()) LineFeed();
  }
}

size_t PrintStream::FittingBytes(std::string_view text) {
  auto fits = [&](size_t bytes) {
    return static_cast<long long>(x_) + page_.TextWidth(text.substr(0, bytes)) <= pageWidth_;
  };
  // Character ends, found only as far as the search reaches: a line of a megabyte is broken
  // thousands of times, and measuring all of its rest each time would take minutes.
  std::vector<size_t> ends;
  size_t scanned = 0;
  auto scanTo = [&](size_t count) {
    while (ends.size() < count && scanned < text.size()) {
      scanned += static_cast<size_t>(CharLenFrom(text, scanned));
      ends.push_back(scanned);
    }
  };
  size_t lo = 0;  // this many characters are known to fit
  size_t hi = 0;  // this many are known not to fit
  for (size_t probe = 64;; probe *= 2) {
    scanTo(probe);
    if (ends.empty()) return 0;
    if (!fits(ends.back())) {
      hi = ends.size();
      break;
    }
    lo = ends.size();
    if (scanned >= text.size()) return text.size();
  }
  // Widths grow with the prefix, so the last fitting character end lies between.
  while (hi - lo > 1) {
    const size_t mid = lo + (hi - lo) / 2;
    if (fits(ends[mid - 1]))
      lo = mid;
    else
      hi = mid;
  }
  return lo == 0 ? 0 : ends[lo - 1];
}

void PrintStream::Draw(std::string_view text) {
  for (; pendingPages_ > 0; --pendingPages_) page_.NewPage();
  page_.TextOut(x_, y_, text);
  x_ += page_.TextWidth(text);
  lineHasText_ = true;
}

void PrintStream::LineFeed() {
  const int height = LineHeight();
  x_ = 0;
  y_ += height;
  lineHasText_ = false;
  if (y_ > pageHeight_ - 2 * height) {
    ++pendingPages_;
    y_ = 0;
  }
}

void PrintStream::FormFeed() {
  x_ = 0;
  y_ = 0;
  lineHasText_ = false;
  ++pendingPages_;
}

void PrintStream::Tab() {
  const long long stop = std::max(1LL, static_cast<long long>(kTabStopChars) * font_.AveCharWidth);
  // Past the page's edge the exact position no longer matters: the next text starts a new
  // line. Capping it keeps a line of millions of tabs inside the int range.
  const long long next = (x_ / stop + 1) * stop;
  const long long cap =
      std::min<long long>(INT_MAX, std::max<long long>(x_, static_cast<long long>(pageWidth_) + stop));
  x_ = static_cast<int>(std::min(next, cap));
}

std::vector<std::string> LogicalLines(std::int32_t rowCount,
                                      const std::function<std::string_view(std::int32_t)>& rowAt) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has been started and not yet ended
  for (std::int32_t i = 0; i < rowCount; ++i) {
    std::string_view row = rowAt(i);
    open = true;
    if (row.ends_with("\r\n")) {
      line.append(row.substr(0, row.size() - 2));
      lines.push_back(std::move(line));
      line.clear();
      open = false;
    } else if (row.ends_with(TLumoStrings::kEndMarker)) {
      line.append(row.substr(0, row.size() - TLumoStrings::kEndMarker.size()));
      lines.push_back(std::move(line));
      line.clear();
      open = false;
    } else {
      line.append(row);  // word wrap continues this line in the next row
    }
  }
  if (open) lines.push_back(std::move(line));
  return lines;
}

bool PrintLines(const std::vector<std::string>& lines, PrintPage& page, const std::string& title) {
  PrintStream stream(page);
  if (!stream.Open(title)) return false;
  for (size_t i = 0; i < lines.size(); ++i) {
    stream.Write(lines[i]);
    if (i + 1 < lines.size()) stream.Write("\n");
  }
  stream.Close();
  return true;
}

}  // namespace quiret
