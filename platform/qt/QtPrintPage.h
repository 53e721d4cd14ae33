// A printer page on Qt's printer: QPainter on a QPrinter, text converted from code page 932.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <memory>
#include <optional>

#include "platform/PrintPage.h"

class QPrinter;

namespace quiret {

class QtPrintPage : public PrintPage {
 public:
  // Prints on a printer the caller keeps (the one the print dialogs configured).
  explicit QtPrintPage(QPrinter& printer);
  // Prints on a shared printer (kept alive while the page prints).
  explicit QtPrintPage(std::shared_ptr<QPrinter> printer);
  // A high-resolution printer writing a PDF file.
  static std::unique_ptr<QtPrintPage> ForPdf(const QString& fileName);
  ~QtPrintPage() override;
  QtPrintPage(const QtPrintPage&) = delete;
  QtPrintPage& operator=(const QtPrintPage&) = delete;

  // The font used as "the printer's current font": the fixed-pitch Japanese family the
  // editor falls back to, at about 10 points on a printer of that resolution.
  static QFont PrinterFont(int dotsPerInch);

  bool BeginDoc(const std::string& title) override;
  void EndDoc() override;
  int PageWidth() override;
  int PageHeight() override;
  TFontMetrics SelectPrinterFont() override;
  int TextWidth(std::string_view text) override;
  void TextOut(int x, int y, std::string_view text) override;
  void NewPage() override;

  QPrinter& Printer() { return *printer_; }

 private:
  static QString ToQString(std::string_view cp932);

  std::shared_ptr<QPrinter> owned_;
  QPrinter* printer_;
  QPainter painter_;
  std::optional<QFontMetricsF> metrics_;
  int ascent_ = 0;
};

}  // namespace quiret
