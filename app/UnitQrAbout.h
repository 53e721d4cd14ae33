// TFormAbout: the version window, created hidden at start and shown modally.
#pragma once

#include "platform/ShellUi.h"

namespace quiret {

class TFormAbout {
 public:
  static constexpr const char* kCaption = "Quiret - Version";
  static constexpr const char* kProductName = "Quiret";
  static constexpr const char* kVersion = "Ver. 0. 7. 0";
  static constexpr const char* kDate = "2003/03/11";
  static constexpr const char* kAuthor = "作者：Quiret 開発チーム";
  static constexpr const char* kCredit1 = "謝辞：Qt 6 (The Qt Company)";
  static constexpr const char* kCredit2 = "謝辞：IPA フォント (IPA)";
  static constexpr const char* kOkCaption = "OK";
  static constexpr const char* kOkHint = "バージョン情報を閉じる";
  static constexpr int kClientWidth = 256;
  static constexpr int kClientHeight = 195;

  explicit TFormAbout(ModalWindowUi& ui) : ui_(ui) {}
  bool Visible() { return ui_.IsVisible(); }
  // Nothing follows the window's closing.
  void ShowModal() { ui_.ShowModal(); }
  void OKClick() { ui_.CloseModal(); }

 private:
  ModalWindowUi& ui_;
};

}  // namespace quiret
