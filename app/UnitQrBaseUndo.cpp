// TFormBase: each document's undo history sized from the document and the machine, the
// question before a change that could not be undone, and the note when old steps are dropped.
#include "app/UndoRoom.h"
#include "app/UnitQrBase.h"

namespace quiret {

namespace {
constexpr const char* kNoUndoQuestion = "この操作は元に戻せません。続けますか？";
constexpr const char* kTrimNote = "元に戻す履歴が一杯になり、古い操作は元に戻せなくなりました";
}  // namespace

void TFormBase::FitUndoRoom(TLumoEdit& ed, std::int64_t extra) {
  const std::int64_t bytes = ed.Lines->BytesInRows(0, ed.Lines->Count());
  ed.UndoBuf =
      UndoRoomFor(static_cast<std::uint64_t>(bytes + std::max<std::int64_t>(extra, 0)), PhysicalMemory);
}

void TFormBase::HookUndoEvents(TTabSheet& tab) {
  TLumoEdit& ed = *tab.Editor;
  FitUndoRoom(ed);
  ed.OnUndoWontFit = [this](TLumoEdit* sender, std::int64_t bytes, bool& proceed) {
    // The document may have grown since the room was measured, and the change may grow it:
    // measured again with the change in, it may fit after all.
    FitUndoRoom(*sender, bytes);
    if (bytes <= sender->UndoBuf) return;
    proceed = ui_.Boxes.AskYesNoDefaultNo(kNoUndoQuestion, "Quiret") == YesNoAnswer::Yes;
  };
  TTabSheet* sheet = &tab;
  ed.OnUndoTrim = [this, sheet](TLumoEdit*) {
    if (sheet->ToldUndoTrim) return;
    sheet->ToldUndoTrim = true;
    ui_.Status.SetPanelText(kNoticePanel, kTrimNote);
  };
}

}  // namespace quiret
