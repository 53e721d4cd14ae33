// The system clipboard on Qt: CP932 <-> Unicode through the codec, LF <-> CR LF at the edge.
#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/Codec932.h"

namespace quiret {

// Only real plain text counts: QMimeData::hasText() also says yes for a list of copied files,
// which a desktop's plain-text format would not offer. Some programs offer their text only as
// UTF-8 plain text by its full type name, which Qt reads as text too.
bool QtClipboard::HasText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && (data->hasFormat(QStringLiteral("text/plain")) ||
                  data->hasFormat(QStringLiteral("text/plain;charset=utf-8")));
}

std::string QtClipboard::GetText() {
  if (!HasText()) return "";
  const QString text = QGuiApplication::clipboard()->text();
  std::u16string crlf;
  crlf.reserve(static_cast<size_t>(text.size()) + 16);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c == u'\0') break;  // plain clipboard text ends at its first zero
    if (c == u'\r' || c == u'\n') {
      // Lone LF (this platform's line end) and lone CR both become CR LF, so every line
      // arrives as a row.
      crlf += u"\r\n";
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      crlf += c;
    }
  }
  return Codec932::Instance().FromUtf16(crlf, '?');
}

void QtClipboard::SetText(const std::string& cp932) {
  // Text past a zero byte (the row end marker) is not part of the plain text.
  std::string_view bytes(cp932);
  bytes = bytes.substr(0, bytes.find('\0'));
  std::string lf;
  lf.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    // CR and LF never occur inside a double-byte character, so bytes can be tested directly.
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    lf += bytes[i];
  }
  const std::u16string u = Codec932::Instance().ToUtf16(lf);
  QGuiApplication::clipboard()->setText(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
}

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

}  // namespace quiret
