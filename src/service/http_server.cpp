#include "service/http_server.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "service/http_request.h"

namespace tavik::service {
namespace {

// Connections accepted in one pass of the loop, so that a flood of new ones cannot starve the
// connections already open.
constexpr int kAcceptsPerPass = 256;
// The loop wakes at least this often, whatever the deadlines.
constexpr int kMaxPollMs = 1000;
// Bytes read in one call.
constexpr size_t kReadChunk = 16 * 1024;

bool Expired(uint32_t deadline, uint32_t now) {
  return int32_t(deadline - now) <= 0;
}

}  // namespace

// One run of the server: the connections, the workers and their queues. Everything but the
// queues belongs to the thread in run().
class HttpServer::Loop {
 public:
  explicit Loop(HttpServer& server) : s_(server) {
    for (int i = 0; i < s_.config_.workers; ++i) workers_.emplace_back([this] { work(); });
  }
  ~Loop() {
    {
      std::lock_guard lock(jobsMutex_);
      quit_ = true;
    }
    jobsReady_.notify_all();
    for (auto& w : workers_) w.join();
    for (auto& [id, c] : connections_) CloseSocket(c.fd);
  }

  void run() {
    while (!s_.stopping_) {
      pollOnce();
      sweep();
      s_.log_.tick();
    }
  }

 private:
  struct Connection {
    uint64_t id = 0;
    SocketHandle fd = kNoSocket;
    uint32_t peer = 0;  // IPv4 address, network order
    enum class State { Reading, Handling, Writing } state = State::Reading;
    std::string in;
    HeadScanner scanner;
    std::optional<HttpRequest> request;  // a head read, its body still to come
    std::string out;
    size_t sent = 0;
    bool closeAfter = false;
    bool dead = false;
    int served = 0;
    uint32_t deadline = 0;
  };
  struct Job {
    uint64_t id;
    HttpRequest request;
    uint32_t queuedAt;
  };
  struct Done {
    uint64_t id;
    Reply reply;
    std::string target;
  };

  void pollOnce() {
    std::vector<PollEntry> fds;
    std::vector<uint64_t> ids;
    fds.push_back({s_.waker_.socket(), true, false});
    const bool accepting = !acceptPaused_ && int(connections_.size()) < s_.config_.maxConnections;
    fds.push_back({accepting ? s_.listener_ : kNoSocket, true, false});
    const uint32_t now = s_.clock_.tickCountMs();
    int timeout = kMaxPollMs;
    for (auto& [id, c] : connections_) {
      if (c.state == Connection::State::Handling) continue;
      const bool reading = c.state == Connection::State::Reading;
      fds.push_back({c.fd, reading, !reading});
      ids.push_back(id);
      timeout = std::min(timeout, std::max(0, int32_t(c.deadline - now)));
    }
    if (!PollSockets(fds, timeout)) return;
    if (fds[0].ready) takeDone();
    if (fds[1].ready) acceptSome();
    for (size_t i = 2; i < fds.size(); ++i) {
      if (!fds[i].ready) continue;
      Connection& c = connections_.at(ids[i - 2]);
      if (c.dead) continue;
      if (c.state == Connection::State::Reading) {
        readFrom(c);
      } else if (c.state == Connection::State::Writing) {
        writeTo(c);
      }
    }
    expire();
  }

  void acceptSome() {
    for (int i = 0; i < kAcceptsPerPass; ++i) {
      if (int(connections_.size()) >= s_.config_.maxConnections) return;
      SocketHandle fd = kNoSocket;
      uint32_t peer = 0;
      const AcceptResult result = Accept(s_.listener_, fd, peer);
      // Out of descriptors: leave the rest in the backlog until a connection closes.
      if (result == AcceptResult::kOutOfDescriptors) acceptPaused_ = true;
      if (result == AcceptResult::kAgain) continue;
      if (result != AcceptResult::kAccepted) return;
      if (++perAddress_[peer] > s_.config_.maxConnectionsPerAddress) {
        refuseAtOnce(fd, peer);
        continue;
      }
      Connection& c = connections_[nextId_];
      c.id = nextId_++;
      c.fd = fd;
      c.peer = peer;
      c.deadline = s_.clock_.tickCountMs() + kRequestDeadlineMs;
    }
  }

  // A client over its connection cap gets a 503 if its socket takes it at once, and the
  // connection is closed.
  void refuseAtOnce(SocketHandle fd, uint32_t peer) {
    const std::string reply = FormatReply(StatusReply(503), false);
    Send(fd, reply.data(), reply.size());
    CloseSocket(fd);
    forget(peer);
  }

  void forget(uint32_t peer) {
    if (--perAddress_[peer] <= 0) perAddress_.erase(peer);
  }

  void readFrom(Connection& c) {
    // The buffer never holds more than a head and a body.
    const size_t room = kMaxRequestHeadBytes + kMaxRequestBodyBytes + 1 - c.in.size();
    char chunk[kReadChunk];
    const long n = Receive(c.fd, chunk, std::min(room, sizeof chunk));
    if (n < 0) {
      c.dead = true;  // the client went away
      return;
    }
    if (n > 0) c.in.append(chunk, size_t(n));
    advance(c);
  }

  // Takes every whole request buffered on `c` in turn (pipelined requests wait for the reply
  // before theirs).
  void advance(Connection& c) {
    while (c.state == Connection::State::Reading && !c.dead) {
      if (!c.request) {
        const HeadScanner::Result head = c.scanner.scan(c.in);
        if (head == HeadScanner::Result::More) return;
        if (head != HeadScanner::Result::Complete) {
          refuse(c, head == HeadScanner::Result::TooLarge ? 431 : 414, "");
          return;
        }
        int refusal = 400;
        const size_t headBytes = c.scanner.headBytes();
        c.request = ParseRequestHead(std::string_view(c.in).substr(0, headBytes), refusal);
        if (!c.request) {
          refuse(c, refusal, c.in.substr(0, std::min<size_t>(headBytes, 200)));
          return;
        }
        c.in.erase(0, headBytes);
        c.scanner.reset();
      }
      if (c.in.size() < c.request->bodyBytes) return;
      c.in.erase(0, c.request->bodyBytes);
      dispatch(c);
    }
  }

  void refuse(Connection& c, int status, const std::string& what) {
    reply(c, StatusReply(status), false, what);
  }

  void dispatch(Connection& c) {
    HttpRequest request = std::move(*c.request);
    c.request.reset();
    ++c.served;
    const bool keepAlive = request.keepAlive && c.served < kMaxRequestsPerConnection;
    c.closeAfter = !keepAlive;
    {
      std::lock_guard lock(jobsMutex_);
      if (jobs_.size() < size_t(s_.config_.maxQueued) + idleWorkers_) {
        jobs_.push_back({c.id, std::move(request), s_.clock_.tickCountMs()});
        c.state = Connection::State::Handling;
      }
    }
    if (c.state == Connection::State::Handling) {
      jobsReady_.notify_one();
    } else {
      reply(c, StatusReply(503), keepAlive, request.target);
    }
  }

  void reply(Connection& c, const Reply& r, bool keepAlive, const std::string& target) {
    if (r.status >= 400) s_.log_.refused(r.status, target);
    c.out = FormatReply(r, keepAlive);
    c.sent = 0;
    c.closeAfter = !keepAlive;
    c.state = Connection::State::Writing;
    c.deadline = s_.clock_.tickCountMs() + kRequestDeadlineMs;
    writeTo(c);
  }

  void writeTo(Connection& c) {
    while (c.sent < c.out.size()) {
      const long n = Send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent);
      if (n == 0) return;
      if (n < 0) {
        c.dead = true;
        return;
      }
      c.sent += size_t(n);
    }
    if (c.closeAfter) {
      c.dead = true;
      return;
    }
    c.out.clear();
    c.state = Connection::State::Reading;
    c.deadline = s_.clock_.tickCountMs() + kRequestDeadlineMs;
    advance(c);
  }

  // A connection past its deadline is closed; one in the middle of a request is told why.
  void expire() {
    const uint32_t now = s_.clock_.tickCountMs();
    for (auto& [id, c] : connections_) {
      if (c.dead || c.state == Connection::State::Handling || !Expired(c.deadline, now)) continue;
      if (c.state == Connection::State::Reading && (!c.in.empty() || c.request)) {
        s_.log_.refused(408, c.in.substr(0, kMaxLoggedBytes + 1));
        const std::string reply = FormatReply(StatusReply(408), false);
        Send(c.fd, reply.data(), reply.size());
      }
      c.dead = true;
    }
  }

  void sweep() {
    for (auto it = connections_.begin(); it != connections_.end();) {
      if (!it->second.dead) {
        ++it;
        continue;
      }
      CloseSocket(it->second.fd);
      forget(it->second.peer);
      it = connections_.erase(it);
      acceptPaused_ = false;
    }
  }

  void takeDone() {
    s_.waker_.drain();
    std::vector<Done> done;
    {
      std::lock_guard lock(doneMutex_);
      done.swap(done_);
    }
    for (Done& d : done) {
      const auto it = connections_.find(d.id);
      if (it == connections_.end() || it->second.dead) continue;
      reply(it->second, d.reply, !it->second.closeAfter, d.target);
    }
  }

  void work() {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(jobsMutex_);
        ++idleWorkers_;
        jobsReady_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
        --idleWorkers_;
        if (quit_) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      // A request that waited past the deadline is answered unhandled: its client has likely
      // given up, and handling it would only lengthen the wait of those behind it.
      const bool stale = Expired(job.queuedAt + kRequestDeadlineMs, s_.clock_.tickCountMs());
      Done done{job.id, stale ? StatusReply(503) : handle(job.request),
                std::move(job.request.target)};
      {
        std::lock_guard lock(doneMutex_);
        done_.push_back(std::move(done));
      }
      s_.waker_.wake();
    }
  }

  Reply handle(const HttpRequest& request) {
    try {
      return s_.service_.handle(request.path, request.params);
    } catch (const std::exception& e) {
      s_.log_.note(EscapeForLog(request.target) + ": " + EscapeForLog(e.what()));
    } catch (...) {
      s_.log_.note(EscapeForLog(request.target) + ": unknown error");
    }
    return StatusReply(500);
  }

  HttpServer& s_;
  std::unordered_map<uint64_t, Connection> connections_;
  std::unordered_map<uint32_t, int> perAddress_;
  uint64_t nextId_ = 1;
  bool acceptPaused_ = false;

  std::mutex jobsMutex_;
  std::condition_variable jobsReady_;
  std::deque<Job> jobs_;
  size_t idleWorkers_ = 0;
  bool quit_ = false;
  std::mutex doneMutex_;
  std::vector<Done> done_;
  std::vector<std::thread> workers_;
};

HttpServer::HttpServer(VendorService& service, const ServiceConfig& config, Clock& clock,
                       ServiceLog& log)
    : service_(service), config_(config), clock_(clock), log_(log) {}

HttpServer::~HttpServer() {
  stop();
  CloseSocket(listener_);
}

int HttpServer::bind() {
  if (!waker_.ok() || listener_ != kNoSocket) return -1;
  int port = -1;
  listener_ = Listen(config_.listenAddress, config_.port, kListenBacklog, port);
  return listener_ == kNoSocket ? -1 : port;
}

bool HttpServer::run() {
  if (listener_ == kNoSocket) return false;
  {
    Loop loop(*this);
    running_ = true;
    loop.run();
  }
  running_ = false;
  return true;
}

void HttpServer::stop() {
  stopping_ = true;
  waker_.wake();
}

bool HttpServer::running() const {
  return running_;
}

}  // namespace tavik::service
