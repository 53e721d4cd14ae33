// TLumoEdit URL colouring: "http://", "https:/", "mailto:", "mail:" and "tag:" items,
// carried over the wrapped rows of a logical line.
#include <algorithm>
#include <string>
#include <vector>

#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"
#include "platform/Codec932.h"

namespace quiret {

namespace {

// What a row leaves running into the next row of the same logical line.
struct UrlCarry {
  bool inUrl = false;     // a URL ran to the end of a continuation row
  bool inTag = false;     // a "tag:" item whose "." has not been seen yet
  bool afterTag = false;  // a "tag:" item after its "." is still running
};

// A coloured part of a row: bytes [from, to) of its text.
struct UrlSpan {
  size_t from;
  size_t to;
};

// Finds the coloured parts of one row. `text` is the row without its terminator; `next`
// is the start of the following row, so that a prefix cut in two by a wrap is still found.
class UrlRowScanner {
 public:
  UrlRowScanner(std::string_view text, bool hasTerm, std::string_view next, UrlCarry& carry)
      : text_(text), len_(text.size()), hasTerm_(hasTerm), carry_(carry) {
    hay_ = Codec932::LowerCase(text);
    if (!hasTerm) hay_ += Codec932::LowerCase(next);
  }

  std::vector<UrlSpan> Scan() {
    size_t p = 0;
    if (carry_.inUrl) {
      const size_t stop = RunToStop(0);
      Colour(0, stop);
      if (stop >= len_ && !hasTerm_) return spans_;
      carry_.inUrl = false;
      p = stop;
    } else if (carry_.inTag) {
      const size_t dot = text_.find('.');
      if (dot == std::string_view::npos) {
        Colour(0, len_);
        if (hasTerm_) carry_.inTag = false;
        return spans_;
      }
      Colour(0, dot + 1);
      carry_.inTag = false;
      carry_.afterTag = true;
      p = dot + 1;
    }
    if (carry_.afterTag) {
      const size_t end = TagRun(p);
      Colour(p, end);
      carry_.afterTag = end >= len_ && !hasTerm_;
      if (carry_.afterTag) return spans_;
      p = end;
    }
    while (p < len_) {
      if (CharLen(p) == 2) {
        p += 2;
        continue;
      }
      size_t q = p;
      if (At(p, "http://") || At(p, "https:/") || At(p, "mailto:") || At(p, "mail:")) {
        const size_t stop = std::min(RunToStop(std::min(p + 5, len_)), len_);
        Colour(p, stop);
        if (stop >= len_ && !hasTerm_) carry_.inUrl = true;
        q = stop;
      }
      if (q < len_ && At(q, "tag:")) {
        const size_t dot = q + 4 < len_ ? text_.find('.', q + 4) : std::string_view::npos;
        if (dot == std::string_view::npos) {
          Colour(q, len_);
          if (!hasTerm_) carry_.inTag = true;
          return spans_;
        }
        const size_t end = TagRun(dot + 1);
        Colour(q, end);
        if (end >= len_ && !hasTerm_) carry_.afterTag = true;
        q = end;
      }
      p = q < len_ ? q + CharLen(q) : q + 1;
    }
    return spans_;
  }

 private:
  // Positions scanned are always character starts.
  int CharLen(size_t i) const { return CharLenFrom(text_, i); }

  bool At(size_t i, std::string_view prefix) const { return hay_.compare(i, prefix.size(), prefix) == 0; }

  bool IsStop(size_t i, int n) const {
    if (n == 2) return text_[i] == '\x81' && text_[i + 1] == '\x40';
    const char c = text_[i];
    return c == ' ' || c == '|' || c == '\t';
  }

  // From i to the first stop character or the row end.
  size_t RunToStop(size_t i) const {
    while (i < len_) {
      const int n = CharLen(i);
      if (IsStop(i, n)) break;
      i += static_cast<size_t>(n);
    }
    return i;
  }

  // Over single-byte characters other than tab, blank, "," and ":".
  size_t TagRun(size_t i) const {
    while (i < len_) {
      const char c = text_[i];
      if (CharLen(i) != 1 || c == '\t' || c == ' ' || c == ',' || c == ':') break;
      ++i;
    }
    return i;
  }

  void Colour(size_t from, size_t to) {
    if (to > from) spans_.push_back({from, to});
  }

  std::string_view text_;
  size_t len_;
  bool hasTerm_;
  UrlCarry& carry_;
  std::string hay_;
  std::vector<UrlSpan> spans_;
};

// Enough of the next row to finish any prefix begun at the end of this one.
constexpr size_t kNextBytes = 8;

}  // namespace

void TLumoEdit::DrawUrls(std::int32_t first, std::int32_t last, const TRect* clip) {
  if (!ColorPrintF || !WindowCreated) return;
  const std::int32_t count = Lines->Count();
  first = std::max(first, 0);
  last = std::min(last, count - 1);
  if (first > last) return;
  UrlCarry carry;
  std::int32_t start = first;
  UrlCarryCache& cache = urlCarryCache_;
  if (cache.on && cache.row >= 0 && cache.row <= first && first - cache.row <= VisibleRows + 1) {
    // Scanning on from a row whose carry is known gives the same result: a row that ends
    // a line always leaves every carry cleared.
    start = cache.row;
    carry = UrlCarry{cache.inUrl, cache.inTag, cache.afterTag};
  } else if (const UrlCarryCache& known = urlCarryKnown_;
             known.on && known.row <= first && first - known.row <= VisibleRows + 1) {
    start = known.row;
    carry = UrlCarry{known.inUrl, known.inTag, known.afterTag};
  } else {
    // A URL wrapped from an earlier row of the same line must be seen from its start.
    while (start > 0 && !HasLineEnd(Lines->Get(start - 1))) --start;
  }

  for (std::int32_t r = start; r <= last; ++r) {
    if (r == first) {
      const UrlCarryCache here{true, r, carry.inUrl, carry.inTag, carry.afterTag};
      // A known carry a little above stays: the redraw after an edit starts at the edited
      // row, and the next edit there would otherwise forget it and scan the line from its start.
      const UrlCarryCache& known = urlCarryKnown_;
      if (!(known.on && known.row < first && first - known.row <= VisibleRows + 1)) urlCarryKnown_ = here;
      if (cache.on) cache = here;
    }
    const std::string_view row = Lines->Get(r);
    if (row == "\r\n") {
      carry = UrlCarry{};
      continue;
    }
    const bool hasTerm = HasLineEnd(row);
    const std::string_view text = StripLineEnd(row);
    std::string_view next;
    if (r + 1 < count) next = Lines->Get(r + 1).substr(0, kNextBytes);
    // Every item starts with a prefix holding ":"; without one nothing starts or runs on.
    const bool carrying = carry.inUrl || carry.inTag || carry.afterTag;
    if (!carrying && text.find(':') == std::string_view::npos &&
        (hasTerm || next.find(':') == std::string_view::npos))
      continue;
    const std::vector<UrlSpan> spans = UrlRowScanner(text, hasTerm, next, carry).Scan();
    if (r < first) continue;
    for (const UrlSpan& s : spans)
      DrawUrlSpan(static_cast<std::int32_t>(s.from), static_cast<std::int32_t>(s.to), clip, r);
  }
}

// Colours bytes [from, to) of a row's text: the whole expanded row drawn underlined in
// URLColor, clipped to the part's cells (and to `clip` when given), so only the part changes.
void TLumoEdit::DrawUrlSpan(std::int32_t from, std::int32_t to, const TRect* clip, std::int32_t row) {
  if (!WindowCreated || row < 0 || row >= Lines->Count()) return;
  const std::string_view text = StripLineEnd(Lines->Get(row));
  const std::int32_t len = static_cast<std::int32_t>(text.size());
  from = std::clamp(from, 0, len);
  to = std::clamp(to, 0, len);
  if (from >= to) return;

  const std::string full = ExpandTabs(text);
  const size_t preLen = ExpandTabs(text.substr(0, static_cast<size_t>(from))).size();
  const size_t upToLen = ExpandTabs(text.substr(0, static_cast<size_t>(to))).size();
  const int origin = TextLeft - HorzOffset;
  const int top = RowTop(row);
  int x1 = std::max(TextLeft, origin + TextWidth(std::string_view(full).substr(0, preLen)));
  int x2 = std::min(TextLeft + TextAreaWidth, origin + TextWidth(std::string_view(full).substr(0, upToLen)));
  if (clip) {
    if (clip->top != top) return;
    x1 = std::max(x1, clip->left);
    x2 = std::min(x2, clip->right);
  }
  if (x2 <= x1) return;
  Surface& canvas = window_.Canvas();
  canvas.SetUnderline(true);
  canvas.TextOut(origin, top, TRect{x1, top, x2, top + LineHeight}, full, URLColor, Color);
  canvas.SetUnderline(false);
}

}  // namespace quiret
