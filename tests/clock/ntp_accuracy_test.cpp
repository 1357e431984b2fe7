// Accuracy against real NTP software on loopback: chrony serves the machine's own time on
// 127.0.0.1:123 (it never touches the system clock: -x), and ntpsec's ntpdig measures the same
// server as the reference. A scripted server running 1.5 s ahead then shows that both agree on
// the sign. Needs port 123 on loopback (root); skipped where it cannot be bound.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "clock/loopback_responder.h"
#include "clock/sntp_client.h"

extern char** environ;

namespace tavik {
namespace {

constexpr int kRounds = 7;
constexpr double kTargetMs = 2.0;

bool canBindNtpPort() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(123);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  ::close(fd);
  return ok;
}

std::string findProgram(const std::string& name) {
  std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
  dirs += ":/usr/sbin:/sbin:/usr/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Starts a program with an argument vector; its stdout goes to `outFd` (or /dev/null), its
// stderr to /dev/null.
pid_t spawn(const std::vector<std::string>& args, int outFd = -1) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (outFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// ntpdig's offset of 127.0.0.1 in milliseconds (positive: the server is ahead).
std::optional<double> ntpdigOffsetMs(const std::string& ntpdig) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return std::nullopt;
  const pid_t pid = spawn({ntpdig, "-j", "-t", "2", "127.0.0.1"}, pipeFds[1]);
  ::close(pipeFds[1]);
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  if (pid > 0) ::waitpid(pid, &status, 0);
  const auto at = out.find("\"offset\":");
  if (pid <= 0 || at == std::string::npos) return std::nullopt;
  return std::strtod(out.c_str() + at + 9, nullptr) * 1000.0;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Comparison {
  double oursMs = 0, referenceMs = 0, worstRoundMs = 0;
};

// Alternates our exchange and the reference's, kRounds times each.
std::optional<Comparison> compareWithNtpdig(const std::string& ntpdig) {
  RealClock clock;
  PosixUdpTransport udp;
  std::vector<double> ours, reference;
  Comparison c;
  for (int round = 0; round < kRounds; ++round) {
    CSNTPClient client(clock, udp);
    if (client.QueryTime("127.0.0.1", 123) != 1) return std::nullopt;
    const auto ref = ntpdigOffsetMs(ntpdig);
    if (!ref) return std::nullopt;
    ours.push_back(client.m_offsetMs);
    reference.push_back(*ref);
    c.worstRoundMs = std::max(c.worstRoundMs, std::abs(client.m_offsetMs - *ref));
  }
  c.oursMs = median(ours);
  c.referenceMs = median(reference);
  return c;
}

void report(const char* server, const Comparison& c) {
  std::printf(
      "ntp accuracy, %s: ours %.0f ms, ntpdig %.3f ms, difference %.3f ms (worst of %d "
      "rounds %.3f ms)\n",
      server, c.oursMs, c.referenceMs, c.oursMs - c.referenceMs, kRounds, c.worstRoundMs);
}

class NtpAccuracy : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!canBindNtpPort()) GTEST_SKIP() << "UDP port 123 on 127.0.0.1 cannot be bound here";
    chronyd = findProgram("chronyd");
    ntpdig = findProgram("ntpdig");
    if (chronyd.empty() || ntpdig.empty()) GTEST_SKIP() << "chrony or ntpsec-ntpdig missing";
  }
  std::string chronyd, ntpdig;
};

TEST_F(NtpAccuracy, AgreesWithNtpdigOnChronyServingTheLocalClock) {
  char dirTemplate[] = "/tmp/tavik-chrony-XXXXXX";
  ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  {
    std::ofstream conf(dir + "/chrony.conf");
    conf << "local stratum 10\nallow 127.0.0.1\nbindaddress 127.0.0.1\ncmdport 0\n"
            "bindcmdaddress /\npidfile "
         << dir << "/chronyd.pid\n";
  }
  // -x: never adjust the system clock; -d: stay in the foreground, so that the pid is ours.
  const pid_t chrony = spawn({chronyd, "-x", "-d", "-f", dir + "/chrony.conf"});
  ASSERT_GT(chrony, 0);

  // chrony answers once it has set up its socket.
  RealClock clock;
  PosixUdpTransport udp;
  bool serving = false;
  for (int i = 0; i < 50 && !serving; ++i) {
    CSNTPClient probe(clock, udp);
    serving = probe.QueryTime("127.0.0.1", 123) == 1;
    if (!serving) clock.sleepMs(100);
  }
  const auto comparison = serving ? compareWithNtpdig(ntpdig) : std::nullopt;
  ::kill(chrony, SIGTERM);
  ::waitpid(chrony, nullptr, 0);
  std::filesystem::remove_all(dir);

  ASSERT_TRUE(serving) << "chronyd did not answer";
  ASSERT_TRUE(comparison) << "an exchange failed";
  report("chrony", *comparison);
  EXPECT_NEAR(comparison->oursMs, comparison->referenceMs, kTargetMs);
}

TEST_F(NtpAccuracy, AgreesWithNtpdigOnAServerOneAndAHalfSecondsAhead) {
  const auto realUs = [] {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  };
  testing::LoopbackResponder server(
      {{.receiveAheadMs = 1500, .transmitAheadMs = 1500, .full = true}}, realUs, 123);
  ASSERT_TRUE(server.ok());
  const auto comparison = compareWithNtpdig(ntpdig);
  ASSERT_TRUE(comparison) << "an exchange failed";
  report("scripted server 1.5 s ahead", *comparison);
  EXPECT_NEAR(comparison->referenceMs, 1500, 50);  // ntpdig: positive means the server is ahead
  EXPECT_NEAR(comparison->oursMs, comparison->referenceMs, kTargetMs);
}

}  // namespace
}  // namespace tavik
