// A printer page for tests: fixed metrics and a record of every call, drawn text included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/PrintPage.h"

namespace quiret {

// Widths are exact and additive: a single-byte character is `AveWidth` pixels, a double-byte
// character (code page 932 lead byte + next byte) twice that.
class TestPrintPage : public PrintPage {
 public:
  struct Drawn {
    int page = 0;  // 0-based page index
    int x = 0;
    int y = 0;
    std::string text;
  };

  int Width = 800;
  int Height = 1000;
  int AveWidth = 10;
  int FontHeight = 16;
  bool FailToStart = false;

  std::string Title;
  bool Began = false;
  bool Ended = false;
  bool FontSelected = false;
  int Pages = 0;  // pages of the job, the first one included
  std::vector<Drawn> Texts;
  std::vector<std::string> Calls;  // call names in order, for ordering checks
  long long MeasuredBytes = 0;     // bytes passed to TextWidth, all calls together

  bool BeginDoc(const std::string& title) override;
  void EndDoc() override;
  int PageWidth() override;
  int PageHeight() override;
  TFontMetrics SelectPrinterFont() override;
  int TextWidth(std::string_view text) override;
  void TextOut(int x, int y, std::string_view text) override;
  void NewPage() override;

  // The drawn texts of one page, in drawing order.
  std::vector<Drawn> OnPage(int page) const;
  // Every drawn text concatenated, in drawing order.
  std::string AllText() const;
};

}  // namespace quiret
