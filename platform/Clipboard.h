// The system clipboard's plain text, in code page 932 bytes with CR LF line ends.
#pragma once

#include <functional>
#include <string>

namespace quiret {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual bool HasText() = 0;
  // Lone LF and lone CR come back as CR LF; characters outside code page 932 as "?". Text
  // this program put there itself comes back as the exact bytes it was given.
  virtual std::string GetText() = 0;
  // CR LF is put on the clipboard as LF, the platform's convention. Throws when the
  // clipboard cannot take the text.
  virtual void SetText(const std::string& cp932) = 0;
  virtual void Clear() = 0;

  // Told, once per GetText that had to, how many characters became "?".
  std::function<void(int count)> OnReplaced;
};

}  // namespace quiret
