// TFormBase: at start, what saves of a killed run left unfinished.
#include "app/UnitQrBase.h"
#include "platform/SaveNotes.h"

namespace quiret {

// Temporary files of killed saves and copies no longer needed go silently. A write in place
// that was killed may have left its file half written; its old bytes are in a copy, and the
// user decides: put them back, or keep the file as it is and the copy where it is. Closing
// the question leaves both for the next start. The copy is never removed unasked.
void TFormBase::RecoverInterruptedSaves() {
  for (InterruptedSave& save : ClearUpInterruptedSaves(SaveNotesFolderPath())) {
    const std::string where = "\r\n保存前の内容の控え：\r\n" + save.Copy();
    if (!save.TargetIsSameFile()) {
      ui_.Boxes.ShowInformation(save.Target() + "\r\n の上書き保存が中断されていました。" + where);
      save.KeepCopy();
      continue;
    }
    const YesNoAnswer answer = ui_.Boxes.AskYesNo(
        save.Target() +
            "\r\n の上書き保存が中断されていました（書きかけの可能性があります）。\r\n"
            "保存前の内容に戻しますか？「いいえ」のときは、ファイルはそのままで控えが残ります。" +
            where,
        "Quiret");
    if (answer == YesNoAnswer::Yes)
      Guarded([&] { save.Restore(); });
    else if (answer == YesNoAnswer::No)
      save.KeepCopy();
  }
}

}  // namespace quiret
