#include "service/http_server.h"

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

namespace tavik::service {
namespace {

// httplib's own pool queues every accepted connection without limit. This one keeps at most
// `maxQueued` waiting; beyond that the accepting thread serves the connection itself, so it
// stops accepting and further connections wait in (or are refused by) the kernel's backlog.
class BoundedPool final : public httplib::TaskQueue {
 public:
  BoundedPool(size_t threads, size_t maxQueued) : maxQueued_(maxQueued) {
    for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
  }

  void enqueue(std::function<void()> fn) override {
    {
      std::lock_guard lock(mutex_);
      if (jobs_.size() < maxQueued_ && !shutdown_) {
        jobs_.push_back(std::move(fn));
        wake_.notify_one();
        return;
      }
    }
    fn();
  }

  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      shutdown_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
  }

 private:
  void work() {
    for (;;) {
      std::function<void()> fn;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return shutdown_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        fn = std::move(jobs_.front());
        jobs_.pop_front();
      }
      fn();
    }
  }

  const size_t maxQueued_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  bool shutdown_ = false;
};

}  // namespace

HttpServer::HttpServer(VendorService& service, const ServiceConfig& config)
    : server_(std::make_unique<httplib::Server>()),
      address_(config.listenAddress),
      port_(config.port) {
  const size_t workers = size_t(config.workers);
  const size_t queued = size_t(config.maxQueued);
  server_->new_task_queue = [workers, queued] { return new BoundedPool(workers, queued); };
  server_->set_read_timeout(2, 0);
  server_->set_write_timeout(2, 0);
  server_->set_keep_alive_timeout(2);
  server_->set_keep_alive_max_count(100);
  server_->set_payload_max_length(4096);
  server_->Get(".*", [&service](const httplib::Request& q, httplib::Response& r) {
    Reply reply = service.handle(q.path, q.params);
    r.status = reply.status;
    r.set_content(std::move(reply.body), reply.contentType.c_str());
    // The practice pages change while they are worked on; a browser must not keep them.
    r.set_header("Cache-Control", "no-store");
  });
  server_->set_exception_handler(
      [](const httplib::Request& q, httplib::Response& r, std::exception_ptr ep) {
        try {
          if (ep) std::rethrow_exception(ep);
        } catch (const std::exception& e) {
          std::cerr << "tavik-service: " << q.path << ": " << e.what() << "\n";
        } catch (...) {
          std::cerr << "tavik-service: " << q.path << ": unknown error\n";
        }
        r.status = 500;
        r.set_content("internal error\n", "text/plain");
      });
  server_->set_logger([](const httplib::Request& q, const httplib::Response& r) {
    if (r.status >= 400) std::cerr << "tavik-service: " << r.status << " " << q.path << "\n";
  });
}

HttpServer::~HttpServer() {
  stop();
}

int HttpServer::bind() {
  if (port_ == 0) return server_->bind_to_any_port(address_);
  return server_->bind_to_port(address_.c_str(), port_) ? port_ : -1;
}

bool HttpServer::run() {
  return server_->listen_after_bind();
}

void HttpServer::stop() {
  server_->stop();
}

bool HttpServer::running() const {
  return server_->is_running();
}

}  // namespace tavik::service
