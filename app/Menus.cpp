// The menus' items and the actions they show.
#include "app/Menus.h"

namespace quiret {

namespace {
TMenuItem Act(const char* name, const char* action) { return {name, action, "", {}}; }
TMenuItem Sep() { return {"-", "", "", {}}; }
TMenuItem Sub(const char* name, const char* caption, std::vector<TMenuItem> items) {
  return {name, "", caption, std::move(items)};
}
}  // namespace

std::vector<TMenuItem> MainMenuItems() {
  return {
      Sub("MmFile", "ファイル(&F)",
          {Act("MmNew", "FileNew"), Act("MmNewFromClip", "FileNewFromClip"), Act("MmOpen", "FileOpen"), Sep(),
           Act("MmSaveAs", "FileSaveAs"), Act("MmSave", "FileSave"), Sep(),
           Act("MmPrintSetup", "FilePrintSetup"), Act("MmPrint", "FilePrint"), Sep(),
           Act("MmClose", "FileClose"), Sep(), Act("MmExit", "FileExit")}),
      Sub("MmMove", "移動(&M)", {Act("MmLeft", "MoveLeftTab"), Act("MmRight", "MoveRightTab")}),
      Sub("MmEtc", "その他(&H)", {Act("MmReadMeOpen", "ReadMeOpen")}),
  };
}

TMenuItem TabMenuItems() {
  return Sub("TabMenu", "",
             {Act("TmClose", "FileClose"), Sep(), Act("TmSaveAs", "FileSaveAs"), Act("TmSave", "FileSave")});
}

}  // namespace quiret
