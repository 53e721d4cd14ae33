// The running instance's door for second starts of the same user and display, and a second
// start's way through it: a local socket beside the single-instance lock.
#pragma once

#include <functional>
#include <string>

#include "platform/HandOver.h"

namespace quiret {

class InstanceChannel {
 public:
  enum class SendResult {
    Delivered,  // the running instance has the whole message
    NoAnswer,   // nobody (of this user) took it within the time given
    TooLarge,   // the arguments do not fit in one message
  };
  virtual ~InstanceChannel() = default;
  // Opens the door at `path`, replacing what a killed run left there (the caller holds the
  // lock, so no live instance listens on it). Only this user may connect; each whole
  // message is acknowledged and handed to `received` on the event loop. False when the
  // socket cannot be made.
  virtual bool Listen(const std::string& path, std::function<void(const HandOver&)> received) = 0;
  // Hands `h` to the instance listening at `path`, trying again until `timeoutMs` has passed
  // (it may still be starting); a socket of another user is never written to.
  virtual SendResult Send(const std::string& path, const HandOver& h, int timeoutMs) = 0;
};

}  // namespace quiret
