// A printer page as the print stream sees it: a job, a page size, the printer's font, text.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace quiret {

// All text is code page 932 bytes; coordinates are device pixels from the top-left corner of
// the printable area. Calls come in this order: BeginDoc, then any of the others, then EndDoc.
class PrintPage {
 public:
  virtual ~PrintPage() = default;

  // Starts the print job named `title` (UTF-8); the first page is open afterwards. Returns
  // false when the printer cannot be started (nothing else may be called then).
  virtual bool BeginDoc(const std::string& title) = 0;
  // Ends the job and hands it to the printer.
  virtual void EndDoc() = 0;

  // Size of the printable area in device pixels.
  virtual int PageWidth() = 0;
  virtual int PageHeight() = 0;

  // Selects the printer's own current font for the job and returns its metrics
  // (AveCharWidth, Height = cell height).
  virtual TFontMetrics SelectPrinterFont() = 0;
  // Pixel width of the text in the selected font.
  virtual int TextWidth(std::string_view text) = 0;
  // Draws text with its cell's top-left at (x, y), transparently.
  virtual void TextOut(int x, int y, std::string_view text) = 0;

  // Ends the current page and opens the next one.
  virtual void NewPage() = 0;
};

}  // namespace quiret
