// The system clipboard on Qt: CP932 <-> Unicode through the codec, LF <-> CR LF at the edge,
// and the exact bytes of our own copies beside their text.
#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/Codec932.h"

namespace quiret {

namespace {

// Bytes that code page 932 does not define (a lone lead byte, 0x80, 0xA0, 0xFD-0xFF) have
// no Unicode form; our own copies carry the bytes themselves under this type, so that a
// paste gives them back unchanged.
const QString kRawType = QStringLiteral("application/x-quiret-cp932");

// The plain text the clipboard shows for code page 932 bytes: up to the first zero byte
// (the row end marker is not text), CR LF as LF.
QString PlainTextOf(std::string_view bytes, std::string* kept = nullptr) {
  bytes = bytes.substr(0, bytes.find('\0'));
  if (kept) kept->assign(bytes);
  std::string lf;
  lf.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    // CR and LF never occur inside a double-byte character, so bytes can be tested directly.
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    lf += bytes[i];
  }
  const std::u16string u = Codec932::Instance().ToUtf16(lf);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

}  // namespace

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
  // Our own copy, as long as the text beside the bytes is still the one we offered with
  // them (a program that kept our extra type but changed the text gets its text).
  if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(); data && data->hasFormat(kRawType)) {
    const QByteArray raw = data->data(kRawType);
    const std::string bytes(raw.constData(), static_cast<size_t>(raw.size()));
    if (PlainTextOf(bytes) == text) return bytes;
  }
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
  int replaced = 0;
  std::string bytes = Codec932::Instance().FromUtf16(crlf, '?', &replaced);
  if (replaced > 0 && OnReplaced) OnReplaced(replaced);
  return bytes;
}

void QtClipboard::SetText(const std::string& cp932) {
  std::string bytes;
  const QString text = PlainTextOf(cp932, &bytes);
  auto* data = new QMimeData;
  data->setText(text);
  data->setData(kRawType, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  QGuiApplication::clipboard()->setMimeData(data);  // the clipboard owns it from here
}

void QtClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

}  // namespace quiret
