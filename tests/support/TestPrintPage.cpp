// A printer page for tests: fixed metrics and a record of every call, drawn text included.
#include "tests/support/TestPrintPage.h"

namespace quiret {

bool TestPrintPage::BeginDoc(const std::string& title) {
  Calls.push_back("BeginDoc");
  if (FailToStart) return false;
  Title = title;
  Began = true;
  Pages = 1;
  return true;
}

void TestPrintPage::EndDoc() {
  Calls.push_back("EndDoc");
  Ended = true;
}

int TestPrintPage::PageWidth() { return Width; }
int TestPrintPage::PageHeight() { return Height; }

TFontMetrics TestPrintPage::SelectPrinterFont() {
  Calls.push_back("SelectPrinterFont");
  FontSelected = true;
  TFontMetrics m;
  m.AveCharWidth = AveWidth;
  m.Height = FontHeight;
  m.Ascent = FontHeight * 3 / 4;
  return m;
}

int TestPrintPage::TextWidth(std::string_view text) {
  MeasuredBytes += static_cast<long long>(text.size());
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (lead && i + 1 < text.size()) {
      width += 2 * AveWidth;
      ++i;
    } else {
      width += AveWidth;
    }
  }
  return width;
}

void TestPrintPage::TextOut(int x, int y, std::string_view text) {
  Calls.push_back("TextOut");
  Texts.push_back({Pages - 1, x, y, std::string(text)});
}

void TestPrintPage::NewPage() {
  Calls.push_back("NewPage");
  ++Pages;
}

std::vector<TestPrintPage::Drawn> TestPrintPage::OnPage(int page) const {
  std::vector<Drawn> out;
  for (const auto& d : Texts)
    if (d.page == page) out.push_back(d);
  return out;
}

std::string TestPrintPage::AllText() const {
  std::string all;
  for (const auto& d : Texts) all += d.text;
  return all;
}

}  // namespace quiret
