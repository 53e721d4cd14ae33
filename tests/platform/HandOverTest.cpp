// The hand-over message: a round trip fed in any slicing, and every malformed or oversized
// message refused as soon as it shows.
#include <gtest/gtest.h>

#include <random>

#include "platform/HandOver.h"

namespace quiret {
namespace {

TEST(HandOverMessage, RoundTripsInAnySlicing) {
  std::mt19937 rng(26);
  for (int round = 0; round < 200; ++round) {
    HandOver h{"/folder/" + std::to_string(round), {}};
    for (int n = static_cast<int>(rng() % 6); n > 0; --n) {
      std::string arg(rng() % 40, 'a');
      for (char& c : arg) c = static_cast<char>(1 + rng() % 255);  // anything but the zero byte
      h.Args.push_back(arg);
    }
    const std::string bytes = *EncodeHandOver(h);
    HandOverReader reader;
    HandOverReader::State state = HandOverReader::State::More;
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 7, bytes.size() - at);
      ASSERT_EQ(state, HandOverReader::State::More);
      state = reader.Feed(std::string_view(bytes).substr(at, n));
      at += n;
    }
    ASSERT_EQ(state, HandOverReader::State::Done);
    EXPECT_EQ(reader.Message(), h);
    EXPECT_EQ(reader.Feed("x"), HandOverReader::State::Bad);  // nothing may follow
  }
}

TEST(HandOverMessage, MalformedOrOversizedIsRefusedAtOnce) {
  using namespace std::string_literals;
  using S = HandOverReader::State;
  const std::pair<std::string, S> cases[] = {
      {"QRT", S::More},
      {"QRX1", S::Bad},
      {"GET / HTTP/1.0\r\n", S::Bad},
      {"QRT1\x01\x00\x10\x00"s, S::Bad},        // one byte over the limit
      {"QRT1\x00\x00\x00\x00"s, S::Bad},        // empty
      {"QRT1\x04\x00\x00\x00rel\0"s, S::Bad},   // a relative folder
      {"QRT1\x03\x00\x00\x00/ab"s, S::Bad},     // not ended by a zero byte
      {"QRT1\x02\x00\x00\x00/\0/\0"s, S::Bad},  // bytes after the end
      {"QRT1\x02\x00\x00\x00/\0"s, S::Done},
  };
  for (const auto& [bytes, state] : cases) {
    HandOverReader reader;
    EXPECT_EQ(reader.Feed(bytes), state) << ::testing::PrintToString(bytes);
  }
  HandOverReader big;
  EXPECT_EQ(big.Feed("QRT1\x00\x00\x10\x00"s), S::More);              // exactly the limit
  EXPECT_EQ(big.Feed(std::string(kHandOverLimit + 1, '/')), S::Bad);  // never buffered
  EXPECT_FALSE(EncodeHandOver(HandOver{"/", {std::string(kHandOverLimit, 'x')}}));
}

}  // namespace
}  // namespace quiret
