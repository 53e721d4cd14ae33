// The clipboard viewer and the version window: what F9, F5 and F12 show and clear, the viewer's
// editor settings, and the modal runs.
#include <gtest/gtest.h>

#include "tests/support/TestShell.h"

namespace quiret {
namespace {

struct Viewer : ::testing::Test {
  TestShell s;
  TFormBase* f = nullptr;
  TLumoEdit* ed = nullptr;
  void SetUp() override {
    f = &s.Start();
    ed = &f->FormClip->SEditC();
  }
  std::string Shown() const { return ed->Lines->GetText(); }
};

TEST_F(Viewer, F9ShowsTheClipboardReadOnlyWithTheMainSettingsAndNeverWraps) {
  f->FontName = "IPAGothic";
  f->FontSize = 14;
  f->FontColor = 0x00102030;
  f->BGColor = 0x00405060;
  f->MKColor = 0x00708090;
  f->SLColor = 0x00A0B0C0;
  f->LinkColor = 0x00D0E0F0;
  ASSERT_TRUE(f->Checked("MmScroll"));
  const std::string longLine = std::string(300, 'v') + "\r\n";
  s.clipboard.PutFromOutside(longLine + "two");
  std::string during;
  s.clipViewer.modal.whileShown = [&] {
    during = Shown();
    ed->WmChar('x');              // typing is refused: the viewer is read-only
    ed->WmKeyDown(VK_DELETE, 0);  // Delete
  };
  // The design values hold until the first showing.
  EXPECT_EQ(
      std::make_tuple(ed->Color, ed->CREOFcolor, ed->TabCount, ed->Column, ed->Inyostr, ed->GetFont().Height),
      std::make_tuple(0xFFFFFFu, 0x808000u, 6, 72, std::string(">"), -13));
  EXPECT_TRUE(f->Execute("ViewClipBoard"));
  EXPECT_EQ(s.clipViewer.modal.shows, 1);
  EXPECT_EQ(during, longLine + "two");
  EXPECT_EQ(Shown(), longLine + "two");
  EXPECT_TRUE(ed->ReadOnly);
  EXPECT_EQ(ed->Lines->Count(), 2);  // the long line stays one row
  EXPECT_FALSE(ed->WordWrap);
  EXPECT_FALSE(ed->AutoWrap);
  EXPECT_TRUE(ed->HorzScrollBar);
  EXPECT_FALSE(ed->WantTabs);
  EXPECT_EQ(ed->GetFont().Name, "IPAGothic");
  EXPECT_EQ(ed->GetFont().Size(), 14);
  EXPECT_EQ(ed->GetFont().Color, 0x00102030u);
  const TColor colours[] = {ed->Color,    ed->CREOFcolor, ed->SelColor,
                            ed->URLColor, ed->InyoColor,  ed->UlineColor};
  EXPECT_EQ(std::vector<TColor>(std::begin(colours), std::end(colours)),
            (std::vector<TColor>{0x00405060, 0x00708090, 0x00A0B0C0, 0x00D0E0F0, 0x00102030, 0x00102030}));
  EXPECT_EQ(ed->Inyostr, "");
  EXPECT_EQ(ed->TabCount, 4);
  EXPECT_EQ(ed->Column, ed->NoWrapColumns);
  // Selecting and copying still work.
  s.clipboard.Clear();
  ed->SelectAll();
  ed->CopyToClipboard();
  EXPECT_EQ(s.clipboard.GetText(), longLine + "two");
}

TEST_F(Viewer, F5ShowsTheNewTextF12EmptiesClipboardAndViewerF9Closes) {
  s.clipboard.PutFromOutside("first");
  std::vector<std::string> steps;
  s.clipViewer.modal.whileShown = [&] {
    s.clipboard.PutFromOutside("second\r\nlines");
    f->FormClip->RefreshClick();  // F5
    steps.push_back(Shown());
    EXPECT_TRUE(ed->ReadOnly);
    EXPECT_TRUE(f->Execute("ClearClipBoard"));  // F12, the main window's command
    steps.push_back(Shown());
    EXPECT_FALSE(s.clipboard.HasText());
    EXPECT_FALSE(f->Actions.IsEnabled("ViewClipBoard"));
    EXPECT_FALSE(f->Actions.IsEnabled("ClearClipBoard"));
    EXPECT_FALSE(f->Execute("ClearClipBoard"));
    EXPECT_TRUE(f->FormClip->MenuClick("Refresh"));  // nothing on the clipboard: stays empty
    steps.push_back(Shown());
    EXPECT_TRUE(f->FormClip->MenuClick("Close"));  // F9 in the viewer
  };
  EXPECT_TRUE(f->Execute("ViewClipBoard"));
  EXPECT_EQ(steps, (std::vector<std::string>{"second\r\nlines", "", ""}));
  EXPECT_FALSE(s.clipViewer.IsVisible());
  EXPECT_EQ(s.clipViewer.modal.closes, 1);
  EXPECT_TRUE(ed->ReadOnly);
}

TEST_F(Viewer, F9TwiceOpensAndClosesEveryShowingReplacesTheTextAndAHiddenViewerKeepsIt) {
  s.clipboard.PutFromOutside("one");
  s.clipViewer.modal.whileShown = [&] { f->FormClip->CloseClick(); };
  EXPECT_TRUE(f->Execute("ViewClipBoard"));
  EXPECT_FALSE(s.clipViewer.IsVisible());
  EXPECT_EQ(Shown(), "one");  // kept while hidden
  s.clipboard.PutFromOutside("two");
  EXPECT_TRUE(f->Execute("ViewClipBoard"));
  EXPECT_EQ(s.clipViewer.modal.shows, 2);
  EXPECT_EQ(s.clipViewer.modal.closes, 2);
  EXPECT_EQ(Shown(), "two");
  EXPECT_TRUE(f->Execute("ClearClipBoard"));  // F12 with the viewer hidden
  EXPECT_FALSE(s.clipboard.HasText());
  EXPECT_EQ(Shown(), "two");
}

TEST(VersionWindow, ShownModallyFromTheMenuAndClosedByOK) {
  TestShell s;
  TFormBase& f = s.Start();
  s.about.whileShown = [&] { f.FormAbout->OKClick(); };
  EXPECT_TRUE(f.MenuClick("MmAbout"));
  EXPECT_EQ(s.about.shows, 1);
  EXPECT_FALSE(s.about.visible);
}

}  // namespace
}  // namespace quiret
