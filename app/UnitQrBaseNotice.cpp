// TFormBase: the notice for an opened file that is probably not Shift-JIS. It only tells;
// the text is read and kept as it is, and the user decides what to do with it.
#include "app/UnitQrBase.h"
#include "text/EncodingGuess.h"

namespace quiret {

namespace {

// The probable encoding as the notice names it: "<name>の可能性" in the status line,
// "<path> は <name>の可能性があります。" in the message.
const char* NameOf(GuessedEncoding e) {
  switch (e) {
    case GuessedEncoding::Utf8Bom:
      return "UTF-8 (BOM 付き) ";
    case GuessedEncoding::Utf8:
      return "UTF-8 ";
    case GuessedEncoding::Utf16Le:
      return "UTF-16LE ";
    case GuessedEncoding::Utf16Be:
      return "UTF-16BE ";
    case GuessedEncoding::EucJp:
      return "EUC-JP ";
    case GuessedEncoding::Iso2022Jp:
      return "ISO-2022-JP ";
    case GuessedEncoding::Binary:
      return "バイナリファイル";
    case GuessedEncoding::None:
      break;
  }
  return "";
}

}  // namespace

void TFormBase::CheckEncoding(TTabSheet& tab) {
  const GuessedEncoding guess = GuessFileEncoding(tab.Hint);
  if (guess == GuessedEncoding::None) return;
  const std::string name = NameOf(guess);
  tab.EncodingNote = name + "の可能性";
  tab.EncodingMessage = tab.Hint + "\r\n は " + name + "の可能性があります。\r\nShift-JIS として開きました。";
}

void TFormBase::ShowEncodingMessages() {
  // Taken before the box shows: a file opened while it is up gets its own message.
  for (int i = 0; i < TabCount(); ++i) {
    const std::string message = std::move(tabs_[i]->EncodingMessage);
    tabs_[i]->EncodingMessage.clear();
    if (!message.empty()) ui_.Boxes.ShowInformation(message);
  }
}

}  // namespace quiret
