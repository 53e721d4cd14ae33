// Printing documents to PDF through Qt's printer: pages, text, breaking and start failures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/PrintStream.h"
#include "platform/qt/QtPrintPage.h"
#include "tests/qt/QtTestApp.h"

namespace quiret {
namespace {

QApplication* EnsureApplication() { return testqt::EnsureQtApp(); }

// "日本語" in code page 932.
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";

// Page objects of the file ("/Type /Page", not the "/Type /Pages" tree node).
int CountPages(const QString& pdf) {
  QFile file(pdf);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QString raw = QString::fromLatin1(file.readAll());
  return static_cast<int>(raw.count(QRegularExpression("/Type\\s*/Page(?![a-zA-Z])")));
}

// The text of the PDF as pdftotext reads it, or a null string when that tool is missing.
QString ExtractText(const QString& pdf) {
  const QString tool = QStandardPaths::findExecutable("pdftotext");
  if (tool.isEmpty()) return QString();
  QProcess proc;
  proc.start(tool, {"-layout", "-enc", "UTF-8", pdf, "-"});
  if (!proc.waitForFinished(30000)) return QString();
  return QString::fromUtf8(proc.readAllStandardOutput());
}

class QtPrintPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    ASSERT_TRUE(dir.isValid());
    pdf = dir.filePath("out.pdf");
  }

  bool Print(const std::vector<std::string>& lines) {
    auto page = QtPrintPage::ForPdf(pdf);
    return PrintLines(lines, *page, "test.txt");
  }

  // Printed lines per page by the paging rule, from the printer's own page and font.
  int LinesPerPage() {
    auto page = QtPrintPage::ForPdf(dir.filePath("probe.pdf"));
    const TFontMetrics m = page->SelectPrinterFont();
    const int h = m.Height + 2;
    return (page->PageHeight() - 2 * h) / h + 1;
  }

  QTemporaryDir dir;
  QString pdf;
};

TEST_F(QtPrintPageTest, PrinterFontHasDoubleWidthJapaneseAndSensibleMetrics) {
  auto page = QtPrintPage::ForPdf(pdf);
  const TFontMetrics m = page->SelectPrinterFont();
  EXPECT_GT(m.AveCharWidth, 0);
  EXPECT_GT(m.Height, m.AveCharWidth);
  EXPECT_GT(page->PageWidth(), 40 * m.AveCharWidth);
  EXPECT_GT(page->PageHeight(), 20 * m.Height);
  // Whole-pixel advances: eight characters end exactly on the first tab stop.
  EXPECT_EQ(page->TextWidth("12345678"), 8 * m.AveCharWidth);
  EXPECT_EQ(page->TextWidth(kNihongo), 6 * m.AveCharWidth);
}

TEST_F(QtPrintPageTest, ShortDocumentIsOnePageWithItsText) {
  ASSERT_TRUE(Print({"Hello print", kNihongo + "\tTab", ""}));
  ASSERT_TRUE(QFile::exists(pdf));
  EXPECT_EQ(CountPages(pdf), 1);
  const QString text = ExtractText(pdf);
  if (text.isNull()) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_TRUE(text.contains("Hello print")) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("日本語"))) << text.toStdString();
  EXPECT_TRUE(text.contains("Tab"));
}

TEST_F(QtPrintPageTest, LongDocumentRunsOverThePagesTheRuleGives) {
  const int perPage = LinesPerPage();
  ASSERT_GT(perPage, 10);
  std::vector<std::string> lines;
  for (int i = 0; i < 2 * perPage + 1; ++i) lines.push_back("line " + std::to_string(i));
  ASSERT_TRUE(Print(lines));
  EXPECT_EQ(CountPages(pdf), 3);

  lines.pop_back();  // exactly two full pages: no blank third sheet
  ASSERT_TRUE(Print(lines));
  EXPECT_EQ(CountPages(pdf), 2);
}

TEST_F(QtPrintPageTest, LineWiderThanThePageIsBrokenWithoutLosingCharacters) {
  std::string line;
  for (int i = 0; i < 60; ++i) line += kNihongo;  // 180 full-width characters
  ASSERT_TRUE(Print({line}));
  EXPECT_EQ(CountPages(pdf), 1);
  QString text = ExtractText(pdf);
  if (text.isNull()) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_GE(text.trimmed().count('\n'), 1) << "the line was not broken";
  text.remove(QRegularExpression("\\s"));
  EXPECT_EQ(text, QString::fromUtf8("日本語").repeated(60));
}

TEST_F(QtPrintPageTest, EmptyDocumentGivesOneEmptyPage) {
  ASSERT_TRUE(Print({""}));
  EXPECT_EQ(CountPages(pdf), 1);
  const QString text = ExtractText(pdf);
  if (text.isNull()) GTEST_SKIP() << "pdftotext is not installed";
  EXPECT_TRUE(text.trimmed().isEmpty());
}

TEST_F(QtPrintPageTest, UnwritableOutputFailsToStart) {
  auto page = QtPrintPage::ForPdf(dir.filePath("missing/folder/out.pdf"));
  EXPECT_FALSE(PrintLines({"abc"}, *page, "test.txt"));
  EXPECT_FALSE(QFile::exists(dir.filePath("missing/folder/out.pdf")));
}

}  // namespace
}  // namespace quiret
