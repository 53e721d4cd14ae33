// TFormBase option menu (font, colours, wrap, tab strip look, switches), its enabling rule,
// and the clipboard viewer and version windows.
#include <algorithm>
#include <map>

#include "app/UnitQrBase.h"

namespace quiret {

namespace {

struct ColorItem {
  const char* item;
  TColor TFormBase::*setting;
  void (TLumoEdit::*apply)(TColor);
};

const ColorItem kColorItems[] = {
    {"MmColorBack", &TFormBase::BGColor, &TLumoEdit::SetColor},
    {"MmColorMark", &TFormBase::MKColor, &TLumoEdit::SetCREOFcolor},
    {"MmColorSelect", &TFormBase::SLColor, &TLumoEdit::SetSelColor},
    {"MmColorLink", &TFormBase::LinkColor, &TLumoEdit::SetURLColor},
};

const std::map<std::string, int> kTabWidths = {
    {"MmTabFit", 0}, {"MmTab60", 60}, {"MmTab80", 80}, {"MmTab100", 100}, {"MmTab120", 120}};
const std::map<std::string, int> kTabStyles = {{"MmStyleTab", 0}, {"MmStyleButton", 1}, {"MmStyleFlat", 2}};
const std::map<std::string, int> kTabPositions = {{"MmTabTop", 0}, {"MmTabBottom", 1}};

bool IsSwitch(const std::string& item) {
  return item == "MmCloseOpt" || item == "MmCloseAsk" || item == "MmFileMemory" || item == "MmAutoClipOpen" ||
         item == "MmAutoEncoding" || item == "MmKeepLineEnds";
}

}  // namespace

bool TFormBase::ItemEnabled(const std::string& item) const {
  auto it = itemDisabled_.find(item);
  return it == itemDisabled_.end() || !it->second;
}

void TFormBase::MenuPopup(const std::string& menu) {
  if (menu == "MmRecent") itemDisabled_["MmRecentClear"] = RecentFiles().empty();
  if (menu == "MmFile" || menu == "MmReopen") {
    // The reopen items need a file, and mark the encoding it is read in.
    const int a = ActiveIndex();
    const TTabSheet* tab = a >= 0 && a < TabCount() ? tabs_[a].get() : nullptr;
    for (const auto& [item, e] : ReopenItems()) {
      itemDisabled_[item] = !tab || tab->Hint == kNewFileHint;
      checks_[item] = tab && tab->Format.Enc == e;
    }
    return;
  }
  if (menu != "MmOption") return;
  // Buttons exist only on top, and only normal tabs may go to the bottom.
  itemDisabled_["MmStyleButton"] = !Checked("MmTabTop");
  itemDisabled_["MmStyleFlat"] = !Checked("MmTabTop");
  itemDisabled_["MmTabBottom"] = !Checked("MmStyleTab");
}

bool TFormBase::MenuClick(const std::string& item) {
  if (!ItemEnabled(item)) return false;
  bool known = true;
  Guarded([&] {
    if (item == "MmFont") {
      MmFontClick();
    } else if (item.rfind("MmColor", 0) == 0 && item != "MmColor") {
      MmColorClick(item);
    } else if (item == "MmScroll") {
      MmScrollClick();
    } else if (auto w = kTabWidths.find(item); w != kTabWidths.end()) {
      TabWidthClick(w->second);
    } else if (auto st = kTabStyles.find(item); st != kTabStyles.end()) {
      TabStyleClick(st->second);
    } else if (auto p = kTabPositions.find(item); p != kTabPositions.end()) {
      TabPosClick(p->second);
    } else if (auto r = std::find_if(ReopenItems().begin(), ReopenItems().end(),
                                     [&](const auto& entry) { return entry.first == item; });
               r != ReopenItems().end()) {
      ReopenInEncoding(r->second);
    } else if (IsSwitch(item)) {
      checks_[item] = !Checked(item);  // read where it matters: closing, exit, start
    } else if (item == "MmReadMeOpen") {
      ReadMeOpenExecute();
    } else if (item == "MmAbout") {
      MmAboutClick();
    } else if (RecentClick(item)) {
      // a recent file opened, or the list cleared
    } else {
      known = false;
    }
  });
  return known;
}

void TFormBase::MmFontClick() {
  TFontChoice choice{FontName, FontSize, FontColor, 128};
  if (!ui_.Dialogs.ExecFontDialog(choice)) return;
  FontName = choice.Name;
  FontSize = std::clamp(choice.Size, kMinFontSize, kMaxFontSize);
  FontColor = choice.Color;
  ApplyFontToTabs();
}

void TFormBase::ApplyFontToTabs() {
  // Quoted-line and underline colours of open editors keep the colour they were made with.
  for (const auto& tab : tabs_) {
    TLumoEdit& ed = *tab->Editor;
    TFont font = ed.GetFont();
    font.Name = FontName;
    font.SetSize(FontSize);
    font.Color = FontColor;
    ed.SetFont(font);
    ed.SetColumn(ed.NoWrapColumns);
    ApplyKeepingColumn(ed);
  }
}

void TFormBase::MmColorClick(const std::string& item) {
  for (const ColorItem& c : kColorItems) {
    if (item != c.item) continue;
    TColor color = this->*c.setting;
    if (!ui_.Dialogs.ExecColorDialog(color)) return;
    this->*c.setting = color;
    for (const auto& tab : tabs_) {
      (tab->Editor.get()->*c.apply)(color);
      tab->Editor->ApplySettings();
    }
    return;
  }
}

void TFormBase::MmScrollClick() {
  const bool wrap = !Checked("MmScroll");
  checks_["MmScroll"] = wrap;
  for (const auto& tab : tabs_) {
    TLumoEdit& ed = *tab->Editor;
    ed.SetHorzScrollBar(!wrap);
    ed.SetWordWrap(wrap);
    ed.ApplySettings();
  }
}

void TFormBase::TabWidthClick(int width) {
  ui_.Strip.SetTabWidth(width);
  ApplyTabWidthChecks(width);
}

void TFormBase::TabStyleClick(int style) {
  ui_.Strip.SetTabStyle(style);
  ApplyTabStyleChecks(style);
  // A button style puts the strip on top; the position items follow what the strip did.
  checks_["MmTabTop"] = ui_.Strip.TabPosition() == 0;
  checks_["MmTabBottom"] = !checks_["MmTabTop"];
}

void TFormBase::TabPosClick(int position) {
  ui_.Strip.SetTabPosition(position);
  checks_["MmTabTop"] = ui_.Strip.TabPosition() == 0;
  checks_["MmTabBottom"] = !checks_["MmTabTop"];
}

void TFormBase::MmAboutClick() { FormAbout->ShowModal(); }

void TFormBase::ViewClipBoardExecute() {
  TLumoEdit& ed = FormClip->SEditC();
  ed.ReadOnly = false;
  // As for a new tab, except wrapping and the scroll bars: the viewer never wraps.
  ApplyEditorLook(ed);
  ed.ScrollStep = 2;
  ed.SetColumn(ed.NoWrapColumns);
  ed.SetTabCount(4);
  ed.ClearText();
  ApplyKeepingColumn(ed);
  ed.PasteFromClipboard();
  ed.ReadOnly = true;
  FormClip->ShowModal();
}

void TFormBase::ClearClipBoardExecute() {
  ui_.Clip.Clear();
  if (FormClip->Visible()) FormClip->ClearView();
}

}  // namespace quiret
