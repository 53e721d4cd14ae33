// The in-memory clipboard: the same line-end and zero-byte rules as the real one.
#include "tests/support/TestClipboard.h"

#include <stdexcept>

namespace quiret {

std::string TestClipboard::GetText() {
  if (!system_) return "";
  if (replaced > 0 && OnReplaced) OnReplaced(replaced);
  const std::string& s = *system_;
  std::string out;
  out.reserve(s.size() + 16);
  for (size_t i = 0; i < s.size() && s[i] != '\0'; ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      out += "\r\n";
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

void TestClipboard::SetText(const std::string& cp932) {
  if (failNextSet) {
    failNextSet = false;
    throw std::runtime_error("the clipboard cannot be opened");
  }
  ++sets_;
  std::string lf;
  lf.reserve(cp932.size());
  for (size_t i = 0; i < cp932.size() && cp932[i] != '\0'; ++i) {
    if (cp932[i] == '\r' && i + 1 < cp932.size() && cp932[i + 1] == '\n') continue;
    lf += cp932[i];
  }
  system_ = std::move(lf);
}

void TestClipboard::Clear() {
  ++clears_;
  system_.reset();
}

}  // namespace quiret
