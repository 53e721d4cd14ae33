// The in-memory clipboard the editor's and the shell's tests rely on.
#include <gtest/gtest.h>

#include "tests/support/TestClipboard.h"

namespace quiret {
namespace {

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
