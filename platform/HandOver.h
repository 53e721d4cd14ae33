// What a second start hands to the running instance (its working folder and arguments), and
// how that travels over the local socket: bounded, and checked before anything is believed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quiret {

struct HandOver {
  std::string Folder;             // the second start's working folder (absolute)
  std::vector<std::string> Args;  // its arguments after the program path
  friend bool operator==(const HandOver&, const HandOver&) = default;
};

// On the wire: "QRT1", the payload's length (4 bytes, little-endian), then the folder and each
// argument, each ended by a zero byte (no path or argument can hold one). The running
// instance says kHandOverHello as it takes the connection, and kHandOverAck once it has the
// whole message.
inline constexpr std::size_t kHandOverLimit = std::size_t{1} << 20;  // payload bytes
inline constexpr char kHandOverHello = 'H';
inline constexpr char kHandOverAck = 'A';

// The message, or nothing when the payload would exceed kHandOverLimit.
std::optional<std::string> EncodeHandOver(const HandOver& h);

// Reads one message as its bytes arrive; never holds more than the limit allows.
class HandOverReader {
 public:
  enum class State { More, Done, Bad };
  // Takes the next bytes. Bad as soon as they cannot be (part of) one well-formed message:
  // another magic, a length over the limit, bytes after the end, a relative folder.
  State Feed(std::string_view bytes);
  State Current() const { return state_; }
  const HandOver& Message() const { return message_; }

 private:
  State Parse();
  std::string buf_;
  State state_ = State::More;
  HandOver message_;
};

}  // namespace quiret
