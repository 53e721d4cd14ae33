// The second-start channel on real local sockets: a hand-over between two processes, another
// user refused, a killed run's socket taken over, a silent instance, and a flood of starts
// mixed with garbage that the running side survives.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

#include "platform/qt/QtInstanceChannel.h"
#include "tests/platform/TempDir.h"
#include "tests/qt/QtTestApp.h"
#include "tests/support/AsUser.h"

extern char** environ;

namespace quiret {
namespace {

const HandOver kSent{"/from/the/child", {"b.csv", "c", "日本語.txt", "--", ""}};

int RawConnect(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

// Sends `bytes` without Qt and returns what came back until the other end closed.
std::string RawExchange(const std::string& path, const std::string& bytes) {
  const int fd = RawConnect(path);
  if (fd < 0) return "refused";
  (void)!write(fd, bytes.data(), bytes.size());
  std::string reply;
  char buf[16];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) reply.append(buf, static_cast<std::size_t>(n));
  close(fd);
  return reply;
}

// Runs the event loop until `done` or 20 s.
template <class F>
void PumpUntil(F done) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

struct ChannelTest : ::testing::Test {
  test::TempDir dir;
  std::string path = dir.File("Quiret070-test.sock");
  QtInstanceChannel server;
  std::vector<HandOver> received;
  void SetUp() override {
    testqt::EnsureQtApp();
    ASSERT_TRUE(server.Listen(path, [this](const HandOver& h) { received.push_back(h); }));
  }
};

// The child's half of the two-process test: run by it alone (it names the socket).
TEST(InstanceChannelChild, SendsFromTheEnvironment) {
  const char* to = std::getenv("QUIRET_TEST_HANDOVER_TO");
  if (!to) GTEST_SKIP() << "run by HandOverReachesTheRunningProcess";
  testqt::EnsureQtApp();
  QtInstanceChannel channel;
  EXPECT_EQ(channel.Send(to, kSent, 2000), InstanceChannel::SendResult::Delivered);
}

TEST_F(ChannelTest, HandOverReachesTheRunningProcessOnAUserOnlySocket) {
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const std::string env = "QUIRET_TEST_HANDOVER_TO=" + path;
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  envp.push_back(const_cast<char*>(env.c_str()));
  envp.push_back(nullptr);
  char self[] = "/proc/self/exe";
  char filter[] = "--gtest_filter=InstanceChannelChild.SendsFromTheEnvironment";
  char* argv[] = {self, filter, nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, self, nullptr, nullptr, argv, envp.data()), 0);
  int status = -1;
  PumpUntil([&] { return waitpid(child, &status, WNOHANG) == child; });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  PumpUntil([&] { return !received.empty(); });
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], kSent);
}

// Even through a hole in the permissions, another user's start is dropped unanswered.
TEST_F(ChannelTest, AnotherUserIsRefusedWhateverThePermissions) {
  if (!test::CanSwitchUser()) GTEST_SKIP() << "needs root to act as another user";
  chmod(dir.Path().c_str(), 0777);
  chmod(path.c_str(), 0666);
  const std::string message = *EncodeHandOver(kSent);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setresgid(test::kOtherUser, test::kOtherUser, test::kOtherUser) != 0 ||
        setresuid(test::kOtherUser, test::kOtherUser, test::kOtherUser) != 0)
      _exit(10);
    const std::string reply = RawExchange(path, message);
    _exit(reply == "refused" ? 11 : reply.empty() ? 0 : 12);
  }
  int status = -1;
  PumpUntil([&] { return waitpid(child, &status, WNOHANG) == child; });
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << "11: could not connect, 12: answered";
  QCoreApplication::processEvents();
  EXPECT_TRUE(received.empty());
}

TEST(InstanceChannel, AKilledRunsSocketIsTakenOverAndASilentOneGetsNoAnswer) {
  testqt::EnsureQtApp();
  test::TempDir dir;
  const std::string path = dir.File("q.sock");
  // A socket that nobody answers on: the kernel takes the connection, the program says nothing.
  const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(silent, 8), 0);
  QtInstanceChannel sender;
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(sender.Send(path, kSent, 2000), InstanceChannel::SendResult::NoAnswer);
  EXPECT_GE(t.elapsed(), 1900);
  EXPECT_LT(t.elapsed(), 4000);
  close(silent);  // the file stays, as after a kill
  QtInstanceChannel server;
  std::vector<HandOver> received;
  ASSERT_TRUE(server.Listen(path, [&](const HandOver& h) { received.push_back(h); }));
  std::string reply;
  std::thread client([&] { reply = RawExchange(path, *EncodeHandOver(kSent)); });
  PumpUntil([&] { return received.size() == 1; });
  client.join();
  EXPECT_EQ(reply, "HA");
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], kSent);
  HandOver tooMany{"/", std::vector<std::string>(2000, std::string(1000, 'x'))};
  EXPECT_EQ(sender.Send(path, tooMany, 2000), InstanceChannel::SendResult::TooLarge);
}

// A hundred starts at once, with garbage, an oversized claim and a path beyond PATH_MAX among
// them: every good one is answered and handed on once, the bad ones get nothing.
TEST_F(ChannelTest, FloodOfStartsAndGarbageIsAnsweredWithoutHanging) {
  server.ConnectionTimeoutMs = 1000;  // the cut-short message below stalls until then
  const std::string huge = std::string("QRT1") + std::string("\xF0\xFF\xFF\x0F", 4);
  const std::string garbage[] = {"hello world", huge, "QRT1\x05\0\0\0rel\0\0", "QRT1\x02\0\0\0/\0extra"};
  std::vector<std::string> replies(120);
  std::vector<std::thread> clients;
  for (int i = 0; i < 120; ++i) {
    clients.emplace_back([&, i] {
      if (i % 6 == 5) {
        replies[static_cast<std::size_t>(i)] = RawExchange(path, garbage[(i / 6) % 4]);
      } else {
        HandOver h{"/flood", {std::to_string(i), i == 0 ? std::string(PATH_MAX * 2, 'p') : "x"}};
        replies[static_cast<std::size_t>(i)] = RawExchange(path, *EncodeHandOver(h));
      }
    });
  }
  std::atomic<bool> joined = false;
  std::thread joiner([&] {
    for (auto& c : clients) c.join();
    joined = true;
  });
  PumpUntil([&] { return joined.load(); });
  joiner.join();
  PumpUntil([&] { return received.size() >= 100; });
  // Garbage may have heard the hello before it was dropped, never the acknowledgement.
  for (int i = 0; i < 120; ++i)
    EXPECT_EQ(replies[static_cast<std::size_t>(i)].find('A') != std::string::npos, i % 6 != 5) << i;
  ASSERT_EQ(received.size(), 100u);
  std::set<std::string> seen;
  for (const HandOver& h : received) seen.insert(h.Args.at(0));
  EXPECT_EQ(seen.size(), 100u);
  PumpUntil([&] { return server.OpenConnections() == 0; });
  EXPECT_EQ(server.OpenConnections(), 0);
}

}  // namespace
}  // namespace quiret
