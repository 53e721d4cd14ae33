// Runs work that must not wait on a FIFO, with a way out when it does: the test fails
// instead of hanging.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>

namespace quiret::test {

// True when `work` returned within a second. Otherwise the FIFO is opened from the other end
// until the work ends, so that a reader or writer waiting on it is let go.
inline bool ReturnsWithinASecond(const std::function<void()>& work, const std::string& fifo) {
  std::future<void> done = std::async(std::launch::async, work);
  if (done.wait_for(std::chrono::seconds(1)) == std::future_status::ready) {
    done.get();
    return true;
  }
  while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
    const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    if (fd >= 0) close(fd);
  }
  return false;
}

}  // namespace quiret::test
