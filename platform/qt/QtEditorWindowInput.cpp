// The editor's window on Qt, its text input: typed characters and the input method's
// composition (preedit drawn over the text, candidate window placed at the caret).
#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QPainter>
#include <QPalette>
#include <QTextCharFormat>
#include <QTextLayout>
#include <algorithm>

#include "platform/Codec932.h"
#include "platform/LeadByte.h"
#include "platform/qt/QtEditorWindow.h"
#include "platform/qt/QtFontResolver.h"

namespace quiret {

void QtEditorWindow::LayoutPreedit(QTextLayout& layout) const {
  layout.setFont(compFont_);
  layout.setText(preedit_);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAnywhere);
  layout.setTextOption(option);
  // The whole preedit is underlined, whatever the input method asks for, so that it never
  // looks like entered text; the input method's own formats (the segment being converted)
  // go on top.
  QTextLayout::FormatRange all;
  all.start = 0;
  all.length = static_cast<int>(preedit_.size());
  all.format.setFontUnderline(true);
  layout.setFormats(QList<QTextLayout::FormatRange>{all} + preeditFormats_);
  const qreal right = viewport()->width();
  qreal x = compPos_.x();
  qreal y = compPos_.y();
  // Whole-pixel rows, as tall as the composition box the input method was told about.
  const qreal rowHeight = compHeight_;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(std::max<qreal>(1, right - x));
    // No room left on the caret's row for even the first character: start on the next one.
    if (x > 0 && line.naturalTextWidth() > right - x) {
      x = 0;
      y += rowHeight;
      line.setLineWidth(std::max<qreal>(1, right));
    }
    line.setPosition(QPointF(x, y));
    x = 0;
    y += rowHeight;
  }
  layout.endLayout();
}

void QtEditorWindow::PaintPreedit(QPainter& p) {
  QTextLayout layout;
  LayoutPreedit(layout);
  // Opaque, so the text under the composition does not show through it.
  for (int i = 0; i < layout.lineCount(); ++i) {
    const QTextLine line = layout.lineAt(i);
    p.fillRect(QRectF(line.position(), QSizeF(line.naturalTextWidth(), compHeight_)),
               palette().color(QPalette::Base));
  }
  p.setPen(palette().color(QPalette::Text));
  layout.draw(&p, QPointF(0, 0));
  if (preeditCursor_ >= 0 && caretBlinkOn_ && hasFocus()) {
    const QTextLine line = layout.lineForTextPosition(preeditCursor_);
    if (line.isValid()) {
      const qreal x = line.cursorToX(preeditCursor_);
      p.fillRect(QRectF(x, line.y(), std::max(1, caretSize_.width()), compHeight_),
                 palette().color(QPalette::Text));
    }
  }
}

void QtEditorWindow::TypeText(const QString& text) {
  if (!client_ || text.isEmpty()) return;
  std::string bytes = InputToCp932(text);
  for (size_t i = 0; i < bytes.size();) {
    // Double-byte text comes in as an input-method result, never as two characters.
    size_t j = i;
    while (j + 1 < bytes.size() && IsLeadByte(static_cast<unsigned char>(bytes[j]))) j += 2;
    if (j > i) {
      client_->WmImeResult(std::string_view(bytes).substr(i, j - i));
      i = j;
      continue;
    }
    // Delete gives 0x7F on some systems; it is a key, not a character.
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b != 0x7F) client_->WmChar(b);
    ++i;
  }
}

std::string QtEditorWindow::InputToCp932(const QString& text) {
  int replaced = 0;
  std::string bytes = Codec932::Instance().FromUtf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())),
      '?', &replaced);
  // The text still goes in, with "?" in place, but the user hears that something changed
  // and is told how much.
  if (replaced > 0) {
    if (beepHandler) {
      beepHandler();
    } else {
      QApplication::beep();
    }
    emit charactersReplaced(replaced);
  }
  return bytes;
}

void QtEditorWindow::inputMethodEvent(QInputMethodEvent* e) {
  e->accept();
  const QString commit = e->commitString();
  const QString pre = e->preeditString();
  if (!composing_ && (!pre.isEmpty() || !commit.isEmpty())) {
    composing_ = true;
    if (client_) client_->WmImeStartComposition();
  }
  if (!commit.isEmpty() && client_) {
    client_->WmImeResult(InputToCp932(commit));
  }
  QList<QTextLayout::FormatRange> formats;
  int cursor = -1;
  for (const QInputMethodEvent::Attribute& a : e->attributes()) {
    if (a.type == QInputMethodEvent::Cursor) {
      cursor = a.length > 0 ? std::clamp(a.start, 0, static_cast<int>(pre.size())) : -1;
    } else if (a.type == QInputMethodEvent::TextFormat) {
      QTextCharFormat f = a.value.value<QTextFormat>().toCharFormat();
      if (f.isValid() && a.length > 0) formats.append({a.start, a.length, f});
    }
  }
  if (pre.isEmpty()) cursor = -1;
  preedit_ = pre;
  preeditFormats_ = formats;
  preeditCursor_ = cursor;
  viewport()->update();
  // The candidate list follows the cursor inside the preedit.
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  if (composing_ && pre.isEmpty()) {
    composing_ = false;
    if (client_) client_->WmImeEndComposition();
  }
}

QVariant QtEditorWindow::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImCursorRectangle:
    case Qt::ImAnchorRectangle: {
      // Where the control placed its composition window, in this widget's coordinates, so
      // candidate lists open at the caret; while composing, at the cursor inside the
      // preedit, which sits on the segment being converted.
      QRect r(compPos_, QSize(1, compHeight_));
      if (!preedit_.isEmpty() && preeditCursor_ >= 0) {
        QTextLayout layout;
        LayoutPreedit(layout);
        const QTextLine line = layout.lineForTextPosition(preeditCursor_);
        if (line.isValid())
          r = QRect(QPoint(qRound(line.cursorToX(preeditCursor_)), qRound(line.y())), QSize(1, compHeight_));
      }
      return r.translated(viewport()->geometry().topLeft());
    }
    case Qt::ImFont:
      return compFont_;
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
      return 0;
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection:
      return QString();
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

void QtEditorWindow::SetCompositionWindow(int x, int y, const TLogFont& font) {
  compPos_ = QPoint(x, y);
  if (compLogFont_ != font) {
    compLogFont_ = font;
    compFont_ = QtFontResolver::MakeFont(font);
    QFontMetrics fm(compFont_);
    compHeight_ = fm.ascent() + fm.descent();
  }
  if (hasFocus())
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImAnchorRectangle | Qt::ImFont);
  if (!preedit_.isEmpty()) viewport()->update();
}

}  // namespace quiret
