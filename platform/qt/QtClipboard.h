// The system clipboard on Qt, in code page 932 bytes with CR LF line ends.
#pragma once

#include "platform/Clipboard.h"

namespace quiret {

// Needs a QGuiApplication (or derived) to exist.
class QtClipboard : public Clipboard {
 public:
  bool HasText() override;
  std::string GetText() override;
  void SetText(const std::string& cp932) override;
  void Clear() override;
};

}  // namespace quiret
