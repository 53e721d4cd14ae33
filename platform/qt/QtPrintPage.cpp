// A printer page on Qt's printer: QPainter on a QPrinter, text converted from code page 932.
#include "platform/qt/QtPrintPage.h"

#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "platform/Codec932.h"
#include "platform/qt/QtFontResolver.h"

namespace quiret {

namespace {

constexpr int kPrinterFontPoints = 10;

}  // namespace

QtPrintPage::QtPrintPage(QPrinter& printer) : printer_(&printer) {}

QtPrintPage::QtPrintPage(std::shared_ptr<QPrinter> printer)
    : owned_(std::move(printer)), printer_(owned_.get()) {}

std::unique_ptr<QtPrintPage> QtPrintPage::ForPdf(const QString& fileName) {
  auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(fileName);
  return std::make_unique<QtPrintPage>(std::move(printer));
}

QtPrintPage::~QtPrintPage() {
  if (painter_.isActive()) painter_.end();
}

QFont QtPrintPage::PrinterFont(int dotsPerInch) {
  QFont font(QtFontResolver::FallbackFamily());
  font.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
  font.setKerning(false);  // widths must add up, or the page-edge breaking would drift
  // A size whose half-width advance is a whole number of device pixels, so that columns
  // and tab stops (whole multiples of the average width) stay on the same grid.
  const int target = std::max(1, static_cast<int>(std::lround(kPrinterFontPoints * dotsPerInch / 72.0)));
  for (int px = target; px > 0 && px > target - 8; --px) {
    font.setPixelSize(px);
    const qreal advance = QFontMetricsF(font).horizontalAdvance(QLatin1Char('x'));
    if (std::abs(advance - std::round(advance)) < 0.01) return font;
  }
  font.setPixelSize(target);
  return font;
}

bool QtPrintPage::BeginDoc(const std::string& title) {
  printer_->setDocName(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
  if (!painter_.begin(printer_)) return false;
  painter_.setPen(Qt::black);
  return true;
}

void QtPrintPage::EndDoc() {
  if (painter_.isActive()) painter_.end();
  metrics_.reset();
}

int QtPrintPage::PageWidth() { return printer_->width(); }
int QtPrintPage::PageHeight() { return printer_->height(); }

TFontMetrics QtPrintPage::SelectPrinterFont() {
  const QFont font = PrinterFont(printer_->resolution());
  if (painter_.isActive()) painter_.setFont(font);
  metrics_.emplace(font, printer_);
  TFontMetrics m;
  ascent_ = static_cast<int>(std::lround(metrics_->ascent()));
  m.Ascent = ascent_;
  m.Height = static_cast<int>(std::lround(metrics_->ascent() + metrics_->descent()));
  // The width of "x" is what a printer driver reports as the average character width.
  m.AveCharWidth = static_cast<int>(std::lround(metrics_->horizontalAdvance(QLatin1Char('x'))));
  return m;
}

int QtPrintPage::TextWidth(std::string_view text) {
  if (!metrics_) SelectPrinterFont();
  return static_cast<int>(std::lround(metrics_->horizontalAdvance(ToQString(text))));
}

void QtPrintPage::TextOut(int x, int y, std::string_view text) {
  if (!metrics_) SelectPrinterFont();
  painter_.drawText(QPointF(x, y + ascent_), ToQString(text));
}

void QtPrintPage::NewPage() { printer_->newPage(); }

QString QtPrintPage::ToQString(std::string_view cp932) {
  return QString::fromStdU16String(Codec932::Instance().ToUtf16(cp932));
}

}  // namespace quiret
