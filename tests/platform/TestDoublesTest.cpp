// The scripted message boxes and the in-memory clipboard that the shell's tests rely on.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "tests/support/TestClipboard.h"
#include "tests/support/TestMessageBoxes.h"

namespace quiret {
namespace {

TEST(TestMessageBoxesTest, RecordsBoxesAndAnswersInOrder) {
  TestMessageBoxes boxes;
  boxes.QueueAnswers({YesNoAnswer::Closed, YesNoAnswer::Yes});
  boxes.ShowStop("すでに起動しています。");
  EXPECT_EQ(boxes.AskYesNo("q1", "c"), YesNoAnswer::Closed);
  boxes.ShowPlain("/a.txt\r\n が見つかりません。");
  EXPECT_EQ(boxes.AskYesNo("q2", ""), YesNoAnswer::Yes);
  boxes.ShowError("e");
  boxes.ShowInformation("i");
  EXPECT_EQ(boxes.PendingAnswers(), 0u);
  const std::vector<ShownBox> expected = {{BoxKind::Stop, "すでに起動しています。", ""},
                                          {BoxKind::YesNo, "q1", "c"},
                                          {BoxKind::Plain, "/a.txt\r\n が見つかりません。", ""},
                                          {BoxKind::YesNo, "q2", ""},
                                          {BoxKind::Error, "e", ""},
                                          {BoxKind::Information, "i", ""}};
  EXPECT_EQ(boxes.Shown(), expected);
  EXPECT_EQ(boxes.Texts(BoxKind::YesNo), (std::vector<std::string>{"q1", "q2"}));
  EXPECT_EQ(boxes.Count(BoxKind::Stop), 1);
  boxes.ClearShown();
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(TestMessageBoxesTest, UnscriptedQuestionFailsTheTestAndAnswersNo) {
  TestMessageBoxes boxes;
  YesNoAnswer answer = YesNoAnswer::Yes;
  EXPECT_NONFATAL_FAILURE(answer = boxes.AskYesNo("forgotten", ""), "forgotten");
  EXPECT_EQ(answer, YesNoAnswer::No);
  boxes.SetFallbackAnswer(YesNoAnswer::Closed);
  EXPECT_EQ(boxes.AskYesNo("any", ""), YesNoAnswer::Closed);
}

TEST(TestClipboardTest, BehavesLikeTheDesktopClipboard) {
  TestClipboard clip;
  EXPECT_FALSE(clip.HasText());
  EXPECT_EQ(clip.GetText(), "");
  clip.SetText(std::string("a\r\n\x83\x41\r\nb\0\0", 11));
  EXPECT_TRUE(clip.HasText());
  EXPECT_EQ(clip.SystemText(), "a\n\x83\x41\nb");
  EXPECT_EQ(clip.GetText(), "a\r\n\x83\x41\r\nb");
  clip.PutFromOutside("x\ny\rz\r\n");
  EXPECT_EQ(clip.GetText(), "x\r\ny\r\nz\r\n");
  clip.SetText("");
  EXPECT_TRUE(clip.HasText()) << "empty text is still text";
  clip.Clear();
  EXPECT_FALSE(clip.HasText());
  EXPECT_EQ(clip.SetCount(), 2);
  EXPECT_EQ(clip.ClearCount(), 1);
}

}  // namespace
}  // namespace quiret
