#pragma once
// A text shared between threads: every read copies it out under a mutex, so a reader never
// sees a text half-written by another thread.

#include <mutex>
#include <string>
#include <string_view>

namespace tavik {

class GuardedText {
 public:
  GuardedText() = default;
  explicit GuardedText(std::string initial) : text_(std::move(initial)) {}
  GuardedText(const GuardedText&) = delete;
  GuardedText& operator=(const GuardedText&) = delete;

  std::string get() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  void set(std::string_view text) {
    std::lock_guard lock(mutex_);
    text_.assign(text);
  }
  void clear() { set({}); }
  bool empty() const {
    std::lock_guard lock(mutex_);
    return text_.empty();
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

}  // namespace tavik
