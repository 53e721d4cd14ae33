// The hand-over message: encoding, and a reader that refuses anything malformed or too large.
#include "platform/HandOver.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace quiret {

namespace {
constexpr std::string_view kMagic = "QRT1";
constexpr std::size_t kHeader = 8;  // magic and length
}  // namespace

std::optional<std::string> EncodeHandOver(const HandOver& h) {
  std::string payload = h.Folder;
  payload.push_back('\0');
  for (const std::string& a : h.Args) {
    if (payload.size() + a.size() + 1 > kHandOverLimit) return std::nullopt;
    payload += a;
    payload.push_back('\0');
  }
  if (payload.size() > kHandOverLimit) return std::nullopt;
  std::string out(kMagic);
  const auto n = static_cast<std::uint32_t>(payload.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  return out + payload;
}

HandOverReader::State HandOverReader::Feed(std::string_view bytes) {
  if (state_ != State::More) return state_ = State::Bad;  // nothing may follow a message
  if (bytes.size() > kHeader + kHandOverLimit - buf_.size()) return state_ = State::Bad;
  buf_.append(bytes);
  return state_ = Parse();
}

HandOverReader::State HandOverReader::Parse() {
  const std::size_t magic = std::min(buf_.size(), kMagic.size());
  if (buf_.compare(0, magic, kMagic, 0, magic) != 0) return State::Bad;
  if (buf_.size() < kHeader) return State::More;
  std::uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= std::uint32_t{static_cast<unsigned char>(buf_[4 + i])} << (8 * i);
  if (n > kHandOverLimit || n == 0) return State::Bad;
  if (buf_.size() < kHeader + n) return State::More;
  if (buf_.size() > kHeader + n || buf_.back() != '\0') return State::Bad;
  std::vector<std::string> parts;
  std::size_t at = kHeader;
  while (at < buf_.size()) {
    const std::size_t end = buf_.find('\0', at);
    parts.emplace_back(buf_, at, end - at);
    at = end + 1;
  }
  if (parts.front().empty() || parts.front().front() != '/') return State::Bad;
  message_.Folder = std::move(parts.front());
  message_.Args.assign(std::make_move_iterator(parts.begin() + 1), std::make_move_iterator(parts.end()));
  buf_.clear();
  buf_.shrink_to_fit();
  return State::Done;
}

}  // namespace quiret
