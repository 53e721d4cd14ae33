// TFormBase: telling the user when text from elsewhere held characters code page 932 cannot.
#include "app/UnitQrBase.h"

namespace quiret {

void TFormBase::ReportReplacedCharacters(int count) {
  if (count <= 0) return;
  // A beep alone says nothing about how much of a paste changed.
  ui_.Status.SetPanelText(
      kFindPanel, "Shift-JISで表せない文字を「?」に置き換えました（" + std::to_string(count) + "文字）");
}

}  // namespace quiret
