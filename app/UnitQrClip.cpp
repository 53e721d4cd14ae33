// TFormClip: the viewer's editor with its design values, and its close, refresh and clear steps.
#include "app/UnitQrClip.h"

namespace quiret {

TFormClip::TFormClip(ClipViewerUi& ui, Clipboard& clipboard)
    : ui_(ui), clipboard_(clipboard), sEditC_(std::make_unique<TLumoEdit>(ui.EditorPage(), &clipboard)) {
  ui_.EditorPage().SetClient(sEditC_.get());
  ApplyDesign();
}

TFormClip::~TFormClip() { ui_.EditorPage().SetClient(nullptr); }

void TFormClip::ApplyDesign() {
  TLumoEdit& ed = *sEditC_;
  ed.SetTopMargin(4);
  ed.SetLeftMargin(10);
  ed.ScrollStep = 2;
  ed.SetCurSetMode(true);
  ed.SetSelColor(0x000000);
  ed.SetCREOFcolor(0x808000);  // teal
  ed.SetTabCount(6);
  ed.SetShowEOF(true);
  ed.SetShowCR(true);
  ed.SetShowDblSpace(true);
  ed.UndoBuf = 1015808;
  ed.SetLineSpace(0);
  ed.UlineF = false;
  ed.AutoIndent = false;
  ed.SetBorderStyle(TBorderStyle::bsNone);
  ed.SetColor(0xFFFFFF);
  TFont font = ed.GetFont();
  font.Name = "ＭＳ ゴシック";
  font.Height = -13;  // 13 pixels high
  font.Color = 0x000000;
  ed.SetFont(font);
  ed.ReadOnly = true;
  ed.SetHorzScrollBar(true);
  ed.SetVertScrollBar(true);
  ed.SetWordWrap(false);
  ed.AutoWrap = false;
  ed.WantTabs = false;
  ed.SetColumn(72);
  ed.Inyostr = ">";
  ed.ColorPrintF = true;
  ed.SetURLColor(0xFF0000);  // blue
  ed.SetInyoColor(0x000000);
  ed.SetUlineColor(0x000000);
  ed.Version = "TLumoEdit Ver1.05";
  ed.SetShowLineNumber(false);
  ed.SetLineNoColumn(5);
}

bool TFormClip::MenuClick(const std::string& item) {
  if (item == "Close")
    CloseClick();
  else if (item == "Refresh")
    RefreshClick();
  else
    return false;
  return true;
}

void TFormClip::CloseClick() { ui_.CloseModal(); }

void TFormClip::RefreshClick() {
  sEditC_->ShowReadOnlyText(clipboard_.HasText() ? clipboard_.GetText() : "");
}

void TFormClip::ClearView() { sEditC_->ShowReadOnlyText(""); }

}  // namespace quiret
