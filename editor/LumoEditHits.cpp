// TLumoEdit: every hit of the search text in view drawn marked, and selecting a range found
// elsewhere (incremental search going back to where it began).
#include <algorithm>

#include "editor/HitMarks.h"
#include "editor/LumoEdit.h"
#include "editor/LumoEditSub.h"

namespace quiret {

void TLumoEdit::SetHitMarks(std::string_view pattern, const TFindOptions& options) {
  if (!hitMarks_) hitMarks_ = std::make_shared<HitMarks>();
  HitMarks& marks = *hitMarks_;
  const bool was = marks.Active();
  if (pattern.empty())
    marks.Clear();
  else if (was && marks.Pattern() == pattern && marks.Options() == options)
    return;
  else
    marks.Set(pattern, options);
  if ((was || marks.Active()) && WindowCreated) RedrawAll();
}

void TLumoEdit::DrawHits(std::int32_t row, const TRect& clip) {
  if (!hitMarks_ || !hitMarks_->Active() || LineHeight <= 0) return;
  const auto& spans = hitMarks_->SpansOf(*Lines, TopRow, VisibleRows + 1, row);
  if (spans.empty()) return;
  const std::string_view rowText = Lines->Get(row);
  Surface& canvas = window_.Canvas();
  const int y = RowTop(row);
  const TColor fore = RowTextColor(rowText);
  const bool tabs = rowText.find('\t') != std::string_view::npos;
  // Measured from the last span on, so that a long row with many hits costs its length once.
  std::size_t pos = 0;
  int x = TextLeft - HorzOffset;
  for (const auto& span : spans) {
    const auto from = static_cast<std::size_t>(span.from), to = static_cast<std::size_t>(span.to);
    std::string seg;
    if (tabs) {
      // Tab stops count from the row's start.
      const std::string pre = ExpandTabs(rowText.substr(0, from));
      const std::string upTo = ExpandTabs(rowText.substr(0, to));
      x = TextLeft - HorzOffset + TextWidth(pre);
      seg = upTo.substr(pre.size());
    } else {
      x += TextWidth(rowText.substr(pos, from - pos));
      seg.assign(rowText.substr(from, to - from));
    }
    if (x > clip.right) break;
    const int xe = x + TextWidth(seg);
    const TRect r{std::max(clip.left, x), std::max(clip.top, y), std::min(clip.right, xe),
                  std::min(clip.bottom, y + LineHeight)};
    if (!r.IsEmpty()) canvas.TextOut(x, y, r, seg, fore, HitColor);
    x = xe;
    pos = to;
  }
}

void TLumoEdit::SelectLines(LinePos from, LinePos to) {
  ShowCaretAt(from);
  if (to == from) return;
  const RowPos a{CaretCol, CaretRow};
  const RowPos b = ToRow(to);
  SelectRange(a, b);
}

}  // namespace quiret
