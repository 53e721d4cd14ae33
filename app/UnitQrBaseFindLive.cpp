// TFormBase: find as the user types. Every hit in view is marked while the find bar is
// open, the hits of the whole document are counted in posted slices (the document is only
// read, a bounded chunk at a time, and a change of it ends the count), and typing in the
// bar searches from where the search began.
#include <chrono>

#include "app/UnitQrBase.h"
#include "editor/HitCounter.h"
#include "platform/Codec932.h"

namespace quiret {

namespace {
// 1234567 -> "1,234,567"
std::string Grouped(std::size_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}
}  // namespace

void TFormBase::ShowHitMarks(bool on) {
  hitMarksOn_ = on;
  incStart_ = IncrementalStart{};  // the bar opened or closed: typing starts a new search
  ApplyHitMarks();
}

void TFormBase::ApplyHitMarks() {
  for (auto& tab : tabs_) tab->Editor->SetHitMarks(hitMarksOn_ ? FindStr : std::string(), FindOptions);
}

void TFormBase::CountHits() {
  TLumoEdit* ed = ActiveEditor();
  if (!ed || FindStr.empty()) {
    StopHitCount();
    ui_.Status.SetPanelText(kHitCountPanel, "");
    return;
  }
  if (!hitCounter_) hitCounter_ = std::make_shared<HitCounter>();
  HitCounter& c = *hitCounter_;
  const bool reusable = countEditor_ == ed && !countTextChanged_ && c.CountsFor(FindStr, FindOptions) &&
                        c.GetState() != HitCounter::State::Stopped &&
                        c.GetState() != HitCounter::State::Changed;
  if (!reusable) {
    ++countGeneration_;
    countEditor_ = ed;
    countTextChanged_ = false;
    if (!c.Start(*ed->Lines, FindStr, FindOptions)) {
      countEditor_ = nullptr;
      ui_.Status.SetPanelText(kHitCountPanel, "");
      return;
    }
    const std::uint64_t generation = countGeneration_;
    ui_.Window.Post([this, generation] { HitCountSlice(generation); });
  }
  ShowHitCount();
}

void TFormBase::HitCountSlice(std::uint64_t generation) {
  if (generation != countGeneration_ || !hitCounter_) return;
  TLumoEdit* ed = ActiveEditor();
  HitCounter& c = *hitCounter_;
  if (ed != countEditor_ || !ed) {
    c.Stop();  // another document came forward (or this one went)
    return;
  }
  const std::size_t bytes = FindOptions.Regex ? HitCountSliceBytes / 8 : HitCountSliceBytes;
  if (countTextChanged_) {
    ShowHitCount();
    return;
  }
  // The rows were cut anew (a new width, a long line's rest cut when idle) but the text is
  // the same: the count starts over on the rows as they are.
  if (!c.Fresh(*ed->Lines) && !c.Start(*ed->Lines, FindStr, FindOptions)) return;
  const auto start = std::chrono::steady_clock::now();
  HitCounter::State state;
  do state = c.Step(std::max<std::size_t>(1, bytes));
  while (state == HitCounter::State::Running &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(HitCountSliceMs));
  ShowHitCount();
  if (state == HitCounter::State::Running) ui_.Window.Post([this, generation] { HitCountSlice(generation); });
}

bool TFormBase::StopHitCount() {
  if (!hitCounter_ || hitCounter_->GetState() != HitCounter::State::Running) return false;
  hitCounter_->Stop();
  ++countGeneration_;
  ShowHitCount();
  return true;
}

void TFormBase::ShowHitCount() {
  TLumoEdit* ed = ActiveEditor();
  if (!hitCounter_ || !ed || ed != countEditor_) return;
  const HitCounter& c = *hitCounter_;
  if (countTextChanged_) {
    // The document changed since: the next command counts again.
    hitCounter_->Stop();
    countEditor_ = nullptr;
    ui_.Status.SetPanelText(kHitCountPanel, "");
    return;
  }
  using State = HitCounter::State;
  std::size_t m = 0;
  if (ed->SelActive) {
    RowPos lo, hi;
    ed->GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
    m = c.IndexOf(ed->ToLine(lo));
  }
  const bool atLeast = c.GetState() != State::Done;
  std::string text = (m > 0 ? Grouped(m) + " / " : "") + Grouped(c.Count()) + (atLeast ? "+" : "") + " 件";
  if (c.GetState() == State::Stopped) text += "（中止）";
  if (c.GetState() == State::Partial) text += "（途中まで）";
  ui_.Status.SetPanelText(kHitCountPanel, text);
}

bool TFormBase::SelectionRange(TLumoEdit& ed, std::pair<LinePos, LinePos>& range) {
  if (!ed.SelActive) return false;
  RowPos lo, hi;
  if (!ed.GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row)) return false;
  range = {ed.ToLine(lo), ed.ToLine(hi)};
  return true;
}

bool TFormBase::ReplaceOneInSelection() {
  TLumoEdit* ed = ActiveEditor();
  if (!ed) return false;
  ReplaceSeries& series = replaceSeries_;
  auto lineLength = [ed](std::int32_t line) {
    std::int32_t last = 0;
    return static_cast<std::int32_t>(ed->JoinRows(ed->ToRow(LinePos{0, line}).Row, last).size());
  };
  auto within = [ed, &series] {
    std::pair<LinePos, LinePos> hit;
    return SelectionRange(*ed, hit) && hit.first >= series.range.first && hit.second <= series.range.second;
  };
  auto leave = [&] {
    series.changes = ed->Lines->Changes();
    if (ed->SelActive && !within()) {
      ed->ShowCaretAt(series.range.second);
      ui_.Status.SetPanelText(kFindPanel, "選択範囲内にはもう見つかりません");
    }
  };
  const bool going = series.editor == ed && series.changes == ed->Lines->Changes();
  if (!going) {
    std::pair<LinePos, LinePos> range;
    if (!SelectionRange(*ed, range)) return false;
    series = ReplaceSeries{ed, 0, range};
    RunFind(false, [&](TLumoEdit& e) {
      e.ShowCaretAt(range.first);
      e.FindText(FindStr, FindOptions, false);
      leave();
    });
    return true;
  }
  if (!within()) return true;
  // The range's end moves with what replacing changes in its line.
  const std::int32_t endLine = series.range.second.Line;
  const std::int32_t before = lineLength(endLine);
  RunFind(false, [&](TLumoEdit& e) {
    e.ReplaceText(FindStr, ChangeStr, FindOptions);
    series.range.second.Offset += lineLength(endLine) - before;
    leave();
  });
  return true;
}

void TFormBase::HookHitCount(TLumoEdit& ed) {
  ed.OnTextChange = [this, before = std::move(ed.OnTextChange)](
                        TLumoEdit* sender, LinePos at, std::string_view removed, std::string_view inserted) {
    if (before) before(sender, at, removed, inserted);
    if (sender == countEditor_) countTextChanged_ = true;
  };
  // Esc in the text stops a count of hits that runs.
  ed.OnKeyDown = [this](TLumoEdit*, int vk, int) {
    if (vk == VK_ESCAPE) StopHitCount();
  };
}

void TFormBase::ForgetFindEditor(const TLumoEdit* ed) {
  if (countEditor_ == ed) {
    if (hitCounter_) hitCounter_->Stop();
    ++countGeneration_;  // a slice already posted does nothing
    countEditor_ = nullptr;
  }
  if (incStart_.editor == ed) incStart_ = IncrementalStart{};
  if (replaceSeries_.editor == ed) replaceSeries_ = ReplaceSeries{};
}

void TFormBase::FindCommandDone(bool replaced) {
  if (!incrementalRun_) {
    incStart_ = IncrementalStart{};
    const Codec932& codec = Codec932::Instance();
    FindHistory.AddFind(codec.ToUtf8(FindStr));
    if (replaced) FindHistory.AddReplacement(codec.ToUtf8(ChangeStr));
  }
  ApplyHitMarks();
  CountHits();
}

void TFormBase::IncrementalFind() {
  TLumoEdit* ed = ActiveEditor();
  if (!ed) return;
  if (incStart_.editor != ed) {
    RowPos lo, hi;
    ed->GetSelBounds(lo.Col, lo.Row, hi.Col, hi.Row);
    incStart_ = IncrementalStart{ed, ed->ToLine(lo), ed->ToLine(hi)};
  }
  const IncrementalStart start = incStart_;
  ApplyHitMarks();
  if (FindStr.empty()) {
    ed->SelectLines(start.from, start.to);
    ui_.Status.SetPanelText(kFindPanel, "");
    CountHits();
    return;
  }
  incrementalRun_ = true;
  findStopped_ = false;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{incrementalRun_};
  findBackward_ = false;
  RunFind(false, [this, &start](TLumoEdit& e) {
    e.ShowCaretAt(start.from);
    // Not found after the start: once more from the text's top (the miss just noted lets
    // the next search in the same direction start over there).
    if (!e.FindText(FindStr, FindOptions, false) && !findStopped_ && !e.FindText(FindStr, FindOptions, false))
      e.SelectLines(start.from, start.to);
  });
}

bool TFormBase::CancelIncrementalFind() {
  TLumoEdit* ed = ActiveEditor();
  const IncrementalStart start = incStart_;
  incStart_ = IncrementalStart{};
  if (!ed || start.editor != ed) return false;
  ed->SelectLines(start.from, start.to);
  ui_.Status.SetPanelText(kFindPanel, "");
  return true;
}

}  // namespace quiret
