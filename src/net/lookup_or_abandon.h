#pragma once
// A name lookup that its caller can stop waiting for, shared by the socket transports of every
// platform. getaddrinfo cannot be interrupted, so the lookup runs on a thread of its own; a wait
// that is cancelled, or lasts longer than its limit, leaves that thread to finish alone. The
// state the thread reports into is shared with it, so it outlives the transport that made it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tavik {

// `Shared` holds `mutex`, `done` (a condition variable) and `cancelled`; whoever sets
// `cancelled` notifies `done`.
template <class Shared>
std::optional<uint32_t> LookupOrAbandon(const std::shared_ptr<Shared>& shared,
                                        const std::string& host,
                                        std::optional<uint32_t> (*lookup)(const std::string&),
                                        int timeoutMs) {
  struct Result {
    bool ready = false;
    std::optional<uint32_t> address;
  };
  auto result = std::make_shared<Result>();
  std::thread([shared, result, host, lookup] {
    auto address = lookup(host);
    std::lock_guard lock(shared->mutex);
    result->address = address;
    result->ready = true;
    shared->done.notify_all();
  }).detach();
  std::unique_lock lock(shared->mutex);
  shared->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [&] { return result->ready || shared->cancelled; });
  return result->ready ? result->address : std::nullopt;
}

}  // namespace tavik
