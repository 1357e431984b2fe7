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
#include "service/raw_client.h"
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

constexpr const char* kPriceRead = "GET /rps.php?type=3 HTTP/1.1\r\nHost: x\r\n\r\n";

// Clients that send half a request and then nothing, or a byte now and then, hold a connection
// each but no worker: a request beside them is answered, and the dribbler is cut off at the
// request deadline with a 408, however often it sends.
TEST(ServiceFlood, SlowClientsHoldNoWorkerAndMeetTheRequestDeadline) {
  ServiceConfig config;
  config.workers = 2;
  config.maxConnectionsPerAddress = 100;
  RunningService s{config};
  std::vector<std::unique_ptr<RawClient>> slow;
  for (int i = 0; i < 64; ++i) {
    slow.push_back(std::make_unique<RawClient>(s.port()));
    ASSERT_TRUE(slow.back()->send("GET /rps.php?type=3 HTTP/1.1\r\nHo"));
  }
  const HttpResult probe = s.raw("/rps.php?type=3");
  EXPECT_TRUE(probe.ok);
  EXPECT_EQ(probe.body, "#AAprice,0*AA");

  RawClient dribbler(s.port());
  std::atomic<bool> done{false};
  std::thread drip([&] {
    const std::string head = "GET /rps.php?type=3 HTTP/1.1\r\nX-Slow: 1234567890abcdefghij";
    for (size_t i = 0; i < head.size() && !done; ++i) {
      if (!dribbler.send(head.substr(i, 1))) break;
      s.clock.sleepMs(300);
    }
  });
  const std::string reply = dribbler.readToClose(kRequestDeadlineMs + 3000);
  done = true;
  drip.join();
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 408")) << reply;
  EXPECT_TRUE(dribbler.closed());
}

// Too many header lines: refused with a 431 before the head is complete, and the connection
// closed; the service answers the next client as usual.
TEST(ServiceFlood, AHeadBeyondItsLimitsIsRefusedEarly) {
  RunningService s{ServiceConfig{}};
  RawClient flood(s.port());
  std::string head = "GET /rps.php?type=3 HTTP/1.1\r\n";
  for (int i = 0; i < 100; ++i) head += "X-Line: " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(flood.send(head));
  EXPECT_TRUE(flood.readToClose(3000).starts_with("HTTP/1.1 431"));
  EXPECT_TRUE(flood.closed());
  RawClient big(s.port());
  ASSERT_TRUE(big.send("GET /" + std::string(kMaxRequestLineBytes + 10, 'a')));
  EXPECT_TRUE(big.readToClose(3000).starts_with("HTTP/1.1 414"));
  EXPECT_EQ(s.raw("/rps.php?type=3").body, "#AAprice,0*AA");
}

// One address holds at most its share of connections; the one beyond gets a 503 and is closed,
// and a place freed is taken again.
TEST(ServiceFlood, ConnectionsPerAddressAreCapped) {
  ServiceConfig config;
  config.maxConnectionsPerAddress = 4;
  RunningService s{config};
  std::vector<std::unique_ptr<RawClient>> held;
  for (int i = 0; i < 4; ++i) {
    held.push_back(std::make_unique<RawClient>(s.port()));
    ASSERT_TRUE(held.back()->send(kPriceRead));
    EXPECT_TRUE(held.back()->read(3000, "*AA").ends_with("#AAprice,0*AA"));  // kept open
  }
  RawClient beyond(s.port());
  EXPECT_TRUE(beyond.readToClose(3000).starts_with("HTTP/1.1 503"));
  held.pop_back();
  std::string answer;
  for (int attempt = 0; attempt < 50 && !answer.ends_with("*AA"); ++attempt) {
    RawClient again(s.port());
    again.send(kPriceRead);
    answer = again.read(3000, "*AA");
    if (!answer.ends_with("*AA")) s.clock.sleepMs(20);
  }
  EXPECT_TRUE(answer.ends_with("#AAprice,0*AA")) << answer;
}

// A keep-alive connection serves its requests in order, pipelined ones too, up to its limit;
// the last reply says so and the connection closes.
TEST(ServiceFlood, KeepAliveConnectionsEndAfterTheirLimit) {
  RunningService s{ServiceConfig{}};
  RawClient client(s.port());
  std::string requests;
  for (int i = 0; i < kMaxRequestsPerConnection + 5; ++i) requests += kPriceRead;
  ASSERT_TRUE(client.send(requests));
  const std::string replies = client.readToClose(5000);
  EXPECT_TRUE(client.closed());
  EXPECT_EQ(Count(replies, "HTTP/1.1 200"), size_t(kMaxRequestsPerConnection));
  EXPECT_EQ(Count(replies, "Connection: close"), 1u);
  EXPECT_TRUE(replies.ends_with("#AAprice,0*AA"));
}

}  // namespace
}  // namespace tavik::service::testing
