// A flood of connections and requests is answered or refused; the service neither crashes nor
// keeps more than it may, and answers normally afterwards.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "net/price_reply.h"
#include "service/service_fixture.h"

namespace tavik::service::testing {
namespace {

// A connection that sends half a request and then nothing: it holds a worker until the
// server's read timeout.
int Stall(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const char partial[] = "GET /rps.php?type=3 HTTP/1.1\r\nHost: x\r\n";
    [[maybe_unused]] auto n = send(fd, partial, sizeof partial - 1, MSG_NOSIGNAL);
  }
  return fd;
}

TEST(ServiceFlood, StalledConnectionsAndManyRequestsLeaveItServing) {
  ServiceConfig config;
  config.workers = 2;
  config.maxQueued = 4;
  config.maxStoredRows = 50;
  RunningService s{config};

  std::vector<int> stalled;
  for (int i = 0; i < 8; ++i) stalled.push_back(Stall(s.port()));

  std::atomic<int> answered{0}, failed{0};
  std::vector<std::thread> clients;
  for (int t = 0; t < 8; ++t) {
    clients.emplace_back([&, t] {
      for (int i = 0; i < 40; ++i) {
        const int price = 88'000 + 100 * (t * 40 + i);
        const HttpResult r = s.raw("/mp.php?type=5&price=" + std::to_string(price) + "&lastsec=30");
        (r.ok && r.body == "#AAok*AA" ? answered : failed)++;
      }
    });
  }
  for (auto& c : clients) c.join();
  for (const int fd : stalled) close(fd);

  EXPECT_EQ(answered + failed, 320);
  EXPECT_GT(answered.load(), 0);
  EXPECT_LE(s.store().priceReportCount(), 50);  // the cap holds
  // After the flood (and the server's read timeout, so that no connection a client gave up on
  // is still waiting to be served): a report and its read as usual.
  s.clock.sleepMs(2500);
  s.clock.advance(1000);
  EXPECT_EQ(s.raw("/mp.php?type=5&price=99900&lastsec=20").body, "#AAok*AA");
  EXPECT_EQ(ParsePriceReply(s.get("/rps.php?type=3")), 99'900);
}

}  // namespace
}  // namespace tavik::service::testing
