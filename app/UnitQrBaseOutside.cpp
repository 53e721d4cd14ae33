// TFormBase: files that other programs changed while they were open, and files this user
// may not write.
#include <algorithm>

#include "app/UnitQrBase.h"
#include "platform/Files.h"

namespace quiret {

namespace {
const char kCaption[] = "Quiret";
const char kReloadQuestion[] =
    "\r\n は他のプログラムによって変更されました。\r\n"
    "再読み込みしますか？（元に戻す操作の履歴は消去されます）";
const char kOverwriteQuestion[] =
    "\r\n は他のプログラムによって変更されています。\r\n"
    "上書き保存すると、その変更は失われます。上書きしますか？";
}  // namespace

void TFormBase::WindowActivated() { CheckOutsideChange(ActiveIndex()); }

void TFormBase::CheckOutsideChange(int index) {
  // A question's own box gives the activation back when it closes.
  if (checkingOutside_ || loading_ || index < 0 || index >= TabCount()) return;
  TTabSheet& tab = *tabs_[index];
  if (tab.Hint == kNewFileHint) return;
  const FileIdentity now = IdentityOf(tab.Hint);
  if (!(now == tab.Disk) && tab.Editor->GetModified() && tab.Journal) tab.Journal->FileChangedElsewhere();
  // A removed file is the next save's business (it asks for a name); a changed file under a
  // modified text is asked about when that text would be saved over it.
  if (!now.Exists || now == tab.Disk || now == tab.AskedAbout || tab.Editor->GetModified()) return;
  tab.AskedAbout = now;
  checkingOutside_ = true;
  const YesNoAnswer answer = ui_.Boxes.AskYesNo(tab.Hint + kReloadQuestion, kCaption);
  checkingOutside_ = false;
  if (answer == YesNoAnswer::Yes) Guarded([&] { ReloadTab(index); });
}

void TFormBase::ReloadTab(int index) {
  TTabSheet& tab = *tabs_[index];
  TLumoEdit& ed = *tab.Editor;
  const std::int32_t line = ed.ToLine(RowPos{ed.CaretCol, ed.CaretRow}).Line;
  // Taken before reading: a change made while the file is read is seen as one next time.
  const FileIdentity read = IdentityOf(tab.Hint);
  LoadIntoTab(tab, tab.Hint);  // a file that cannot be read leaves the text as it was
  tab.Disk = read;
  tab.AskedAbout = {};
  SettleTabText(tab);
  const std::int32_t lastLine = ed.ToLine(RowPos{0, ed.Lines->Count() - 1}).Line;
  const RowPos at = ed.ToRow(LinePos{0, std::min(line, lastLine)});
  ed.ShowPosition(at.Col, at.Row, ScrollKind::Follow, true);
  ed.SetModified(false);
  if (index == ActiveIndex()) UpdateStatusBar();
  if (shown_) ShowEncodingMessages();
}

bool TFormBase::MayOverwrite(int index, const std::string& path) {
  // Replacing the file would take it over from its owner; writing it is not the user's to do.
  if (!MayWriteFile(path)) {
    ui_.Boxes.ShowInformation("書き込みが許可されていないファイルへの上書き保存はできません。");
    return false;
  }
  const TTabSheet& tab = *tabs_[index];
  const FileIdentity now = IdentityOf(path);
  // Only the file this text was read from (or last saved to) can hold a change it lacks.
  if ((path != tab.Hint && !now.SameFile(tab.Disk)) || now == tab.Disk) return true;
  if (tab.Journal) tab.Journal->FileChangedElsewhere();  // the changes must not hang on that file
  return ui_.Boxes.AskYesNoDefaultNo(path + kOverwriteQuestion, kCaption) == YesNoAnswer::Yes;
}

}  // namespace quiret
