// The Qt clipboard under the offscreen platform: code page conversion and line ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>

#include "platform/qt/QtClipboard.h"
#include "tests/qt/QtTestApp.h"

namespace quiret {
namespace {

QApplication* EnsureApplication() { return testqt::EnsureQtApp(); }

// "日本語" and "ア" in code page 932.
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kA = "\x83\x41";

class QtClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    system()->clear();
  }
  static QClipboard* system() { return QGuiApplication::clipboard(); }
  QtClipboard clip;
};

TEST_F(QtClipboardTest, SetTextPutsUnicodeWithLfLineEnds) {
  clip.SetText(kNihongo + "\r\n" + kA + "B\r\n");
  EXPECT_EQ(system()->text(), QStringLiteral("日本語\nアB\n"));
  EXPECT_TRUE(clip.HasText());
  // A lone CR or LF in the bytes is left alone; only the CR LF pair is the line end.
  clip.SetText("a\rb\nc");
  EXPECT_EQ(system()->text(), QStringLiteral("a\rb\nc"));
}

TEST_F(QtClipboardTest, SetTextStopsAtTheFirstZeroByte) {
  clip.SetText(std::string("row\r\n\0\0", 7));
  EXPECT_EQ(system()->text(), QStringLiteral("row\n"));
}

TEST_F(QtClipboardTest, InvalidBytesArriveAsReplacementCharacters) {
  clip.SetText(
      "a\x80"
      "b\x81");
  EXPECT_EQ(system()->text(), QString::fromUtf16(u"a\uFFFDb\uFFFD"));
}

TEST_F(QtClipboardTest, GetTextGivesCrLfForEveryKindOfLineEnd) {
  system()->setText(QStringLiteral("one\ntwo\rthree\r\nfour\n\n"));
  EXPECT_EQ(clip.GetText(), "one\r\ntwo\r\nthree\r\nfour\r\n\r\n");
  system()->setText(QStringLiteral("\r\r\n\n"));
  EXPECT_EQ(clip.GetText(), "\r\n\r\n\r\n");
}

TEST_F(QtClipboardTest, GetTextConvertsToCodePage932) {
  system()->setText(QStringLiteral("日本語 ｱ ア\\~"));
  EXPECT_EQ(clip.GetText(), kNihongo + " \xB1 " + kA + "\\~");
  // What the code page cannot hold becomes "?", one per character.
  system()->setText(QString::fromUtf8("é😀x"));
  EXPECT_EQ(clip.GetText(), "??x");
  system()->setText(QString::fromUtf16(u"ab\0cd", 5));
  EXPECT_EQ(clip.GetText(), "ab");
}

TEST_F(QtClipboardTest, RoundTripKeepsCrLfText) {
  const std::string text = "line 1\r\n" + kNihongo + "\r\n\tend";
  clip.SetText(text);
  EXPECT_EQ(clip.GetText(), text);
}

// Bytes the code page does not define survive a copy and paste inside the program, as do
// lone line-end bytes inside a row; once another program owns the clipboard (or changes
// the text) its text is converted as usual.
TEST_F(QtClipboardTest, OwnCopiesComeBackAsTheExactBytes) {
  const std::string cases[] = {
      "\x81",
      "a\x80"
      "b",
      "\xA0\xFD\xFE\xFF",
      "x\ny\rz\r\n\x82",
      kNihongo + "\x81\x20\x85\x40",
      "\t\r\n",
  };
  int told = 0;
  clip.OnReplaced = [&](int) { ++told; };
  for (const std::string& bytes : cases) {
    clip.SetText(bytes + std::string("\0\0", 2));  // the end marker is not copied
    EXPECT_EQ(clip.GetText(), bytes);
  }
  EXPECT_EQ(told, 0);
  system()->setText(QStringLiteral("other"));
  EXPECT_EQ(clip.GetText(), "other");
  // Our type kept beside a text that is no longer ours: the text wins.
  auto* stale = new QMimeData;
  stale->setText(QStringLiteral("new"));
  stale->setData("application/x-quiret-cp932", "\x80old");
  system()->setMimeData(stale);
  EXPECT_EQ(clip.GetText(), "new");
}

TEST_F(QtClipboardTest, ReplacedCharactersAreToldOncePerPaste) {
  std::vector<int> told;
  clip.OnReplaced = [&](int n) { told.push_back(n); };
  system()->setText(QString::fromUtf8("〜‖−—¢£¬ 😀é𠮷"));
  EXPECT_EQ(clip.GetText(), "\x81\x60\x81\x61\x81\x7C\x81\x5C\x81\x91\x81\x92\x81\xCA ???");
  system()->setText(QStringLiteral("plain"));
  clip.GetText();
  EXPECT_EQ(told, std::vector<int>{3});
}

TEST_F(QtClipboardTest, HasTextAndClear) {
  EXPECT_FALSE(clip.HasText());
  EXPECT_EQ(clip.GetText(), "");
  auto* image = new QMimeData;
  image->setData("application/octet-stream", "xyz");
  system()->setMimeData(image);
  EXPECT_FALSE(clip.HasText()) << "data without a text form is not text";
  auto* files = new QMimeData;
  files->setUrls({QUrl::fromLocalFile("/tmp/a.txt")});
  system()->setMimeData(files);
  EXPECT_FALSE(clip.HasText()) << "copied files are not text";
  EXPECT_EQ(clip.GetText(), "");
  auto utf8 = new QMimeData;  // offered only under the full UTF-8 type name
  utf8->setData("text/plain;charset=utf-8", QStringLiteral("型\nb").toUtf8());
  system()->setMimeData(utf8);
  EXPECT_EQ(clip.GetText(), "\x8C\x5E\r\nb");
  clip.SetText("x");
  EXPECT_TRUE(clip.HasText());
  clip.Clear();
  EXPECT_FALSE(clip.HasText());
  EXPECT_TRUE(system()->text().isEmpty());
}

}  // namespace
}  // namespace quiret
