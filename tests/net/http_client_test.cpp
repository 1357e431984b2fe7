// The HTTP client on libcurl against real servers on loopback: cpp-httplib servers scripted per
// test, a socket that accepts connections and never answers, and a port that refuses them.

#include "net/http_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <mutex>
#include <thread>

#include "clock/temp_log.h"
#include "core/gbk.h"
#include "net/reply_envelope.h"
#include "net/server_choice.h"
#include "net/vendor_requests.h"
#include "platform/clock.h"

namespace tavik {
namespace {

// An HTTP server on 127.0.0.1 and an ephemeral port, running on a thread of its own.
class LoopbackServer {
 public:
  explicit LoopbackServer(const std::function<void(httplib::Server&)>& routes) {
    routes(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    RealClock clock;
    while (!server_.is_running()) clock.sleepMs(1);
  }
  ~LoopbackServer() {
    server_.stop();
    thread_.join();
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

// A TCP socket on 127.0.0.1; listening, the kernel completes connections that nobody accepts.
class RawSocket {
 public:
  explicit RawSocket(bool listening) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    const bool ok = ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), len) == 0 &&
                    (!listening || ::listen(fd_, 8) == 0) &&
                    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) == 0;
    EXPECT_TRUE(ok);
    port_ = ntohs(sa.sin_port);
  }
  ~RawSocket() { ::close(fd_); }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // Whether a connection waits to be accepted.
  bool connectionWaiting() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
  }

 private:
  int fd_;
  int port_ = 0;
};

class HttpClientTest : public ::testing::Test {
 protected:
  // Loopback requests must not go to a proxy of the machine.
  static void SetUpTestSuite() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
      ::unsetenv(name);
  }

  int64_t msSince(uint32_t startTick) { return int64_t(clock.tickCountMs() - startTick); }

  RealClock clock;
  CurlHttpTransport http;
};

TEST_F(HttpClientTest, BodyLinesAreJoinedAndAnErrorStatusGivesNothing) {
  LoopbackServer server([](httplib::Server& s) {
    s.Get("/lines", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("A\r\nB\nC", "text/plain");
    });
    s.Get("/empty",
          [](const httplib::Request&, httplib::Response& r) { r.set_content("", "text/plain"); });
    s.Get("/missing", [](const httplib::Request&, httplib::Response& r) {
      r.status = 404;
      r.set_content("not here\n", "text/html");
    });
    s.Get("/busy", [](const httplib::Request&, httplib::Response& r) {
      r.status = 503;
      r.set_content("#AAprice,0*AA", "text/plain");
    });
  });
  CHttpClient client(http, HttpTimeouts{});
  EXPECT_EQ(client.Get(server.base() + "/lines"), "A/r/nB/r/nC/r/n");
  EXPECT_EQ(client.Get(server.base() + "/empty"), "");
  const HttpResult missing = http.get(server.base() + "/missing", HttpTimeouts{});
  EXPECT_TRUE(missing.ok);
  EXPECT_EQ(missing.status, 404);
  EXPECT_EQ(missing.body, "not here\n");
  // A server that cannot answer is a failed request, even with an envelope in its error page.
  EXPECT_EQ(client.Get(server.base() + "/missing"), "");
  EXPECT_EQ(client.Get(server.base() + "/busy"), "");
}

TEST_F(HttpClientTest, BrokenOrOversizedBodyFailsAndTheClientGivesNothing) {
  LoopbackServer server([](httplib::Server& s) {
    s.Get("/broken", [](const httplib::Request&, httplib::Response& r) {
      r.set_content_provider(100, "text/plain", [](size_t, size_t, httplib::DataSink& sink) {
        sink.write("#AA1,2\npartial", 14);
        return false;  // the connection closes 86 bytes short
      });
    });
    s.Get("/huge", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string(2 * kMaxHttpBodyBytes, 'x'), "text/plain");
    });
  });
  const HttpResult broken = http.get(server.base() + "/broken", HttpTimeouts{});
  EXPECT_FALSE(broken.ok);
  EXPECT_EQ(broken.body, "#AA1,2\npartial");
  EXPECT_EQ(CHttpClient(http, HttpTimeouts{}).Get(server.base() + "/broken"), "");

  const HttpResult huge = http.get(server.base() + "/huge", HttpTimeouts{});
  EXPECT_FALSE(huge.ok);
  EXPECT_EQ(huge.body.size(), kMaxHttpBodyBytes);
  EXPECT_EQ(CHttpClient(http, HttpTimeouts{}).Get(server.base() + "/huge"), "");
}

TEST_F(HttpClientTest, DeadServerCostsAtMostTheTimeout) {
  const HttpTimeouts timeouts{300, 600};
  const RawSocket refusing(false);
  uint32_t start = clock.tickCountMs();
  EXPECT_EQ(CHttpClient(http, timeouts).Get(refusing.base() + "/rps.php"), "");
  EXPECT_LT(msSince(start), timeouts.connectMs);

  const RawSocket silent(true);
  start = clock.tickCountMs();
  EXPECT_EQ(CHttpClient(http, timeouts).Get(silent.base() + "/rps.php"), "");
  EXPECT_GE(msSince(start), timeouts.totalMs - 50);
  EXPECT_LT(msSince(start), timeouts.totalMs + 1000);
}

TEST_F(HttpClientTest, CancelWaitsEndsAHangingRequestAtOnce) {
  const RawSocket silent(true);
  std::string text = "not returned";
  std::thread worker([&] { text = CHttpClient(http, HttpTimeouts{}).Get(silent.base() + "/"); });
  for (int i = 0; i < 200 && !silent.connectionWaiting(); ++i) clock.sleepMs(10);
  ASSERT_TRUE(silent.connectionWaiting());
  clock.sleepMs(100);  // the request is sent and waits for its reply

  const uint32_t start = clock.tickCountMs();
  http.cancelWaits();
  worker.join();
  EXPECT_LT(msSince(start), 500);
  EXPECT_EQ(text, "");

  const uint32_t later = clock.tickCountMs();
  EXPECT_EQ(CHttpClient(http, HttpTimeouts{}).Get(silent.base() + "/"), "");
  EXPECT_LT(msSince(later), 50) << "a request after the cancel fails at once";
}

// A page title or result record in the URL stays one query value and arrives as GBK.
TEST_F(HttpClientTest, HostileTextArrivesAsOneValue) {
  std::mutex mutex;
  httplib::Params seen;
  LoopbackServer server([&](httplib::Server& s) {
    s.Get("/rps.php", [&](const httplib::Request& q, httplib::Response& r) {
      std::lock_guard lock(mutex);
      seen = q.params;
      r.set_content("#AA*AA", "text/plain");
    });
  });
  const std::string title = "沪牌 模拟&type=1&rnd=7#top %41+";
  const RequestValues values{"12345678", "", "", "9.1.4", 0, 99};
  const std::string url = server.base() + ResultUploadQuery(values, title);
  EXPECT_EQ(CHttpClient(http, HttpTimeouts{}).Get(url), "#AA*AA/r/n");

  std::lock_guard lock(mutex);
  const httplib::Params expected = {{"type", "9"},
                                    {"lanmac", "12345678"},
                                    {"ver", "9.1.4"},
                                    {"result", utf8ToGbk(title)},
                                    {"rnd", "99"}};
  EXPECT_EQ(seen, expected);
}

// The pieces a main-parameter poll puts together: with server 1 dead, the failures it counts
// move the request to server 2, whose reply gives its fields.
TEST_F(HttpClientTest, DeadServerOneMovesTheMainParametersToServerTwo) {
  std::mutex mutex;
  std::vector<std::string> asked;
  const auto routes = [&](const std::string& name) {
    return [&, name](httplib::Server& s) {
      s.Get("/rps.php", [&, name](const httplib::Request& q, httplib::Response& r) {
        std::lock_guard lock(mutex);
        asked.push_back(name + " type=" + q.get_param_value("type") +
                        " lastsec=" + q.get_param_value("lastsec"));
        r.set_content("<html>\r\n#AA12,,3,4*AA\r\n</html>\r\n", "text/html");
      });
    };
  };
  const RawSocket refusing(false);
  LoopbackServer two(routes("two"));
  LoopbackServer three(routes("three"));
  Config config;
  config.vendorServers = {refusing.base(), two.base(), three.base()};

  testing::TempLog file(clock);
  AtomicInt logOff{0};
  Logger log(file.file, logOff);
  ServerChoiceState state;
  std::vector<int> servers;
  std::optional<std::vector<std::string>> fields;
  for (int poll = 0; poll < 3; ++poll) {
    const int server = SelectParamServer(state, log);
    servers.push_back(server);
    const RequestValues values{"12345678", "", "127.0.0.1", "9.1.4", 0, Rnd(clock)};
    const std::string url =
        VendorUrl(config, server, VendorName::Base, MainParamsQuery(values, 1790, 0));
    fields = ParseMainParamsReply(CHttpClient(http, HttpTimeoutsFrom(config)).Get(url));
    if (!fields) CountServerFailure(state, server, FailedRequest::MainParams, log);
  }
  EXPECT_EQ(servers, (std::vector<int>{1, 1, 2}));
  ASSERT_TRUE(fields);
  EXPECT_EQ(*fields, (std::vector<std::string>{"12", "3", "4"}));
  std::lock_guard lock(mutex);
  EXPECT_EQ(asked, std::vector<std::string>{"two type=8 lastsec=1790"});
}

}  // namespace
}  // namespace tavik
