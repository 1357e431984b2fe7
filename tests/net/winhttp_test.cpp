// The HTTP transport on WinHTTP against a small scripted server on Winsock loopback sockets:
// each connection gets the reply the test gives, or none.

#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "net/http_transport.h"

namespace tavik {
namespace {

using Steady = std::chrono::steady_clock;

// An HTTP server on 127.0.0.1: reads each request's head and answers `reply` (nothing at all
// when it is empty, keeping the connection open until the server ends).
class ScriptedServer {
 public:
  explicit ScriptedServer(std::string reply) : reply_(std::move(reply)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof sa;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&sa), len);
    ::listen(listener_, 8);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedServer() {
    stop_ = true;
    thread_.join();
    closesocket(listener_);
    for (SOCKET s : held_) closesocket(s);
    WSACleanup();
  }
  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string lastRequest() {
    std::lock_guard lock(mutex_);
    return lastRequest_;
  }

 private:
  void serve() {
    while (!stop_) {
      WSAPOLLFD p{listener_, POLLRDNORM, 0};
      if (WSAPoll(&p, 1, 20) != 1) continue;
      const SOCKET s = ::accept(listener_, nullptr, nullptr);
      if (s == INVALID_SOCKET) continue;
      std::string head;
      char buffer[4096];
      while (head.find("\r\n\r\n") == std::string::npos) {
        const int n = ::recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, size_t(n));
      }
      {
        std::lock_guard lock(mutex_);
        lastRequest_ = head;
      }
      if (reply_.empty()) {
        held_.push_back(s);
        continue;
      }
      for (size_t sent = 0; sent < reply_.size();) {
        const int n = ::send(s, reply_.data() + sent, int(reply_.size() - sent), 0);
        if (n <= 0) break;
        sent += size_t(n);
      }
      ::shutdown(s, SD_SEND);
      closesocket(s);
    }
  }

  std::string reply_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::string lastRequest_;
  std::vector<SOCKET> held_;
  std::thread thread_;
};

std::string Reply(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

TEST(WinHttp, GetsTheBodyWithTheQueryAsWrittenWhateverTheStatus) {
  ScriptedServer server(Reply("ok\r\nsecond line"));
  SystemHttpTransport http;
  const HttpResult r = http.get(server.base() + "/mp.php?t=3&n=%E4%B8%AD%20x", {});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.body, "ok\r\nsecond line");
  EXPECT_EQ(server.lastRequest().rfind("GET /mp.php?t=3&n=%E4%B8%AD%20x HTTP/1.1\r\n", 0), 0u)
      << server.lastRequest();

  ScriptedServer missing("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone");
  const HttpResult notFound = http.get(missing.base() + "/x", {});
  EXPECT_TRUE(notFound.ok);
  EXPECT_EQ(notFound.status, 404);
  EXPECT_EQ(notFound.body, "gone");
}

TEST(WinHttp, APinnedHostConnectsToItsAddressAndStillNamesItself) {
  ScriptedServer server(Reply("pinned"));
  SystemHttpTransport http;
  http.pinHost("bid.tavik.invalid", "127.0.0.1");
  const std::string url = "http://bid.tavik.invalid:" + std::to_string(server.port()) + "/x";
  const HttpResult r = http.get(url, {});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.body, "pinned");
  EXPECT_NE(server.lastRequest().find("Host: bid.tavik.invalid:" + std::to_string(server.port())),
            std::string::npos)
      << server.lastRequest();
}

TEST(WinHttp, AnOversizedBodyIsCutAndFails) {
  ScriptedServer server(Reply(std::string(kMaxHttpBodyBytes + 10, 'a')));
  SystemHttpTransport http;
  const HttpResult r = http.get(server.base() + "/big", {});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.body.size(), kMaxHttpBodyBytes);
}

// A server that never answers costs the total timeout, not WinHTTP's default of a minute; a
// cancellation ends the wait at once; a refused connection fails.
TEST(WinHttp, SilenceCostsTheTotalTimeoutAndCancellingEndsTheWait) {
  ScriptedServer silent("");
  SystemHttpTransport http;
  auto start = Steady::now();
  EXPECT_FALSE(http.get(silent.base() + "/x", {1000, 400}).ok);
  EXPECT_LT(Steady::now() - start, std::chrono::milliseconds(2000));

  auto hanging = std::async(std::launch::async, [&] {
    return http.get(silent.base() + "/y", {1000, 30'000});
  });
  while (silent.lastRequest().find("GET /y") == std::string::npos)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  start = Steady::now();
  http.cancelWaits();
  ASSERT_EQ(hanging.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_FALSE(hanging.get().ok);
  EXPECT_LT(Steady::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(http.get(silent.base() + "/z", {}).ok) << "a later request fails at once too";

  SystemHttpTransport fresh;
  EXPECT_FALSE(fresh.get("http://127.0.0.1:1/x", {500, 1000}).ok);
}

}  // namespace
}  // namespace tavik
