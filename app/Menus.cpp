// The menus' items, the actions they show and the key hints of the editor's own keys.
#include "app/Menus.h"

namespace quiret {

namespace {
TMenuItem Item(const char* name, const char* action, const char* caption) {
  TMenuItem item;
  item.Name = name;
  item.Action = action;
  item.Caption = caption;
  return item;
}
TMenuItem Act(const char* name, const char* action, const char* keyHint = "") {
  TMenuItem item = Item(name, action, "");
  item.KeyHint = keyHint;
  return item;
}
TMenuItem Sep() { return Item("-", "", ""); }
TMenuItem Sub(const char* name, const char* caption, std::vector<TMenuItem> items) {
  TMenuItem item = Item(name, "", caption);
  item.Items = std::move(items);
  return item;
}
TMenuItem Plain(const char* name, const char* caption, const char* shortcut = "") {
  TMenuItem item = Item(name, "", caption);
  item.Shortcut = shortcut;
  return item;
}
TMenuItem Toggle(const char* name, const char* caption) {
  TMenuItem item = Plain(name, caption);
  item.Checkable = true;
  return item;
}
TMenuItem Radio(int group, const char* name, const char* caption) {
  TMenuItem item = Toggle(name, caption);
  item.RadioGroup = group;
  return item;
}

// The editor's keys, shown beside the same commands in the main menu and the pop-up menu.
constexpr const char* kUndoKeys = "Ctrl+Z";
constexpr const char* kRedoKeys = "Ctrl+Y";
constexpr const char* kCopyKeys = "Ctrl+C | Ctrl+Ins";
constexpr const char* kCutKeys = "Ctrl+X | Shift+Del";
constexpr const char* kPasteKeys = "Ctrl+V | Shift+Ins";
constexpr const char* kSelectAllKeys = "Ctrl+A";
constexpr const char* kHomeKeys = "Ctrl+Home";
constexpr const char* kEndKeys = "Ctrl+End";
}  // namespace

std::vector<TMenuItem> MainMenuItems() {
  return {
      Sub("MmFile", "ファイル(&F)",
          {Act("MmNew", "FileNew"), Act("MmNewFromClip", "FileNewFromClip"), Act("MmOpen", "FileOpen"),
           // The files themselves are put in front of the clear item as the menu opens.
           Sub("MmRecent", "最近使ったファイル(&R)", {Plain("MmRecentClear", "一覧をクリア(&C)")}),
           Sub("MmReopen", "文字コードを指定して開き直す(&K)",
               {Radio(4, "MmReopenShiftJis", "Shift-JIS(&S)"), Radio(4, "MmReopenUtf8", "UTF-8(&U)"),
                Radio(4, "MmReopenUtf16Le", "UTF-16LE(&L)"), Radio(4, "MmReopenUtf16Be", "UTF-16BE(&B)"),
                Radio(4, "MmReopenEucJp", "EUC-JP(&E)"), Radio(4, "MmReopenIso2022Jp", "ISO-2022-JP(&J)")}),
           Sep(), Act("MmSaveAs", "FileSaveAs"), Act("MmSave", "FileSave"), Sep(),
           Act("MmPrintSetup", "FilePrintSetup"), Act("MmPrint", "FilePrint"), Sep(),
           Act("MmClose", "FileClose"), Sep(), Act("MmExit", "FileExit")}),
      Sub("MmEdit", "編集(&E)",
          {Act("MmUndo", "EditUndo", kUndoKeys), Act("MmRedo", "EditRedo", kRedoKeys), Sep(),
           Act("MmCopy", "EditCopy", kCopyKeys), Act("MmCut", "EditCut", kCutKeys),
           Act("MmPaste", "EditPaste", kPasteKeys), Sep(),
           Act("MmSelectAll", "EditSelectAll", kSelectAllKeys), Sep(),
           Sub("MmClip", "クリップボード(&B)",
               {Act("MmClipView", "ViewClipBoard"), Act("MmClipClear", "ClearClipBoard")}),
           Sep(), Act("MmFind", "EditFind"), Act("MmFindNext", "EditFindNext"),
           Act("MmFindPrev", "EditFindPrev"), Act("MmReplace", "EditReplace"), Sep(),
           Act("MmGoToLine", "EditGoToLine")}),
      Sub("MmMove", "移動(&M)",
          {Act("MmHome", "MoveTop", kHomeKeys), Act("MmEnd", "MoveBottom", kEndKeys), Sep(),
           Act("MmLeft", "MoveLeftTab"), Act("MmRight", "MoveRightTab")}),
      Sub("MmOption", "設定(&O)",
          {Plain("MmFont", "フォントと色(&F)"),
           Sub("MmZoom", "文字の大きさ(&Z)",
               {Act("MmZoomIn", "ViewZoomIn"), Act("MmZoomOut", "ViewZoomOut"),
                Act("MmZoomReset", "ViewZoomReset")}),
           Sub("MmColor", "その他の色(&C)",
               {Plain("MmColorBack", "背景色(&B)"), Plain("MmColorMark", "改行、全角空白、EOFマークの色(&M)"),
                Plain("MmColorSelect", "選択背景色(&S)"), Plain("MmColorLink", "URLの色(&U)")}),
           Toggle("MmScroll", "右端の折り返し(&W)"), Sep(),
           Sub("MmTab", "タブ(&T)",
               {Sub("MmTabWidth", "タブの幅(&L)",
                    {Radio(1, "MmTabFit", "ファイル名にあわせる(&F)"), Radio(1, "MmTab60", "60ドット(&6)"),
                     Radio(1, "MmTab80", "80ドット(&8)"), Radio(1, "MmTab100", "100ドット(&1)"),
                     Radio(1, "MmTab120", "120ドット(&2)")}),
                Sub("MmTabStyle", "タブの形状(&S)",
                    {Radio(2, "MmStyleTab", "通常タブ型(&T)"), Radio(2, "MmStyleButton", "ボタン型(&B)"),
                     Radio(2, "MmStyleFlat", "フラットボタン型(&F)")}),
                Sub("MmTabPos", "タブの位置(&P)",
                    {Radio(3, "MmTabTop", "上(&T)"), Radio(3, "MmTabBottom", "下(&B)")})}),
           Sep(),
           Sub("MmOptEtc", "その他(&E)",
               {Toggle("MmCloseOpt", "クリックで「閉じる」のはアクティブなタブのみ(&T)"),
                Toggle("MmCloseAsk", "未保存ファイルを閉じる時に確認(&D)"),
                Toggle("MmFileMemory", "終了時に開いていたファイルを次回起動時に開く(&R)"),
                Toggle("MmAutoClipOpen", "ファイルを渡さず起動する時はクリップボードから自動作成(&C)"),
                Toggle("MmAutoEncoding", "UTF-8 などの文字コードを判別して開く(&U)"),
                Toggle("MmKeepLineEnds", "Shift-JIS のファイルの改行コードを保つ(&L)")})}),
      Sub("MmEtc", "その他(&H)",
          {Plain("MmReadMeOpen", "Read Me を開く(&R)"), Plain("MmAbout", "バージョン情報(&V)")}),
  };
}

TMenuItem PopupMenuItems() {
  return Sub(
      "PopupMenu", "",
      {Act("PmCopy", "EditCopy", kCopyKeys), Act("PmCut", "EditCut", kCutKeys),
       Act("PmPaste", "EditPaste", kPasteKeys), Sep(), Act("PmSelectAll", "EditSelectAll", kSelectAllKeys),
       Sep(), Act("PmHome", "MoveTop", kHomeKeys), Act("PmEnd", "MoveBottom", kEndKeys), Sep(),
       Act("PmUndo", "EditUndo", kUndoKeys), Act("PmRedo", "EditRedo", kRedoKeys)});
}

TMenuItem TabMenuItems() {
  return Sub("TabMenu", "",
             {Act("TmClose", "FileClose"), Sep(), Act("TmSaveAs", "FileSaveAs"), Act("TmSave", "FileSave")});
}

std::vector<TMenuItem> ClipViewerMenuItems() {
  return {
      Sub("MmWindow", "ウィンドウ(&W)", {Plain("Close", "閉じる(&Q)", "F9")}),
      Sub("MmView", "表示(&V)", {Plain("Refresh", "更新(&R)", "F5")}),
      // The main window's own command, so its enabling rule and F12 are the same here.
      Sub("MmClipEdit", "編集(&E)", {Act("Clear", "ClearClipBoard")}),
  };
}

const TMenuItem* FindMenuItem(const std::vector<TMenuItem>& items, const std::string& name) {
  for (const TMenuItem& item : items) {
    if (item.Name == name) return &item;
    if (const TMenuItem* found = FindMenuItem(item.Items, name)) return found;
  }
  return nullptr;
}

}  // namespace quiret
