// An in-memory clipboard for tests that behaves like the desktop's: LF line ends inside,
// CR LF towards the program, plain text ending at its first zero byte.
#pragma once

#include <optional>
#include <string>

#include "platform/Clipboard.h"

namespace quiret {

class TestClipboard : public Clipboard {
 public:
  bool HasText() override { return system_.has_value(); }
  std::string GetText() override;
  void SetText(const std::string& cp932) override;
  void Clear() override;

  // What another program would have put there (CP932 bytes, any line ends).
  void PutFromOutside(const std::string& cp932) { system_ = cp932; }
  // The text as the desktop holds it, LF line ends; nullopt when there is no text.
  const std::optional<std::string>& SystemText() const { return system_; }
  int SetCount() const { return sets_; }
  // The next SetText fails as a clipboard held open by another program would.
  bool failNextSet = false;
  // Characters each GetText reports as turned into "?", as text from a UTF-8 program can have.
  int replaced = 0;
  int ClearCount() const { return clears_; }

 private:
  std::optional<std::string> system_;
  int sets_ = 0;
  int clears_ = 0;
};

}  // namespace quiret
