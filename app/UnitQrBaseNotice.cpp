// TFormBase: the notice for an opened file that is probably not Shift-JIS. It only tells;
// the text is read and kept as it is, and the user decides what to do with it.
#include "app/UnitQrBase.h"
#include "text/EncodingGuess.h"

namespace quiret {

namespace {

struct NoticeText {
  const char* Status;  // the status line
  const char* Name;    // in the message: "<path> は <Name> の可能性があります。"
};

NoticeText TextFor(GuessedEncoding e) {
  switch (e) {
    case GuessedEncoding::Utf8Bom:
      return {"UTF-8 (BOM 付き) の可能性", "UTF-8 (BOM 付き) "};
    case GuessedEncoding::Utf8:
      return {"UTF-8 の可能性", "UTF-8 "};
    case GuessedEncoding::Utf16Le:
      return {"UTF-16LE の可能性", "UTF-16LE "};
    case GuessedEncoding::Utf16Be:
      return {"UTF-16BE の可能性", "UTF-16BE "};
    case GuessedEncoding::EucJp:
      return {"EUC-JP の可能性", "EUC-JP "};
    case GuessedEncoding::Binary:
      return {"バイナリファイルの可能性", "バイナリファイル"};
    case GuessedEncoding::None:
      break;
  }
  return {"", ""};
}

}  // namespace

void TFormBase::CheckEncoding(TTabSheet& tab) {
  const GuessedEncoding guess = GuessFileEncoding(tab.Hint);
  if (guess == GuessedEncoding::None) return;
  const NoticeText text = TextFor(guess);
  tab.EncodingNote = text.Status;
  tab.EncodingMessage = tab.Hint + "\r\n は " + text.Name + "の可能性があります。\r\nShift-JIS として開きました。";
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
