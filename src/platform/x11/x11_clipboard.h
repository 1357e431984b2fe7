#pragma once
// The CLIPBOARD selection. Owning a selection on X means answering every program that asks for
// its contents, for as long as we own it, so a thread of our own with its own connection keeps
// it: any thread may set the text without the window's event loop being involved.

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/x11/x11_connection.h"

namespace tavik::x11 {

class ClipboardOwner {
 public:
  explicit ClipboardOwner(const Atoms& atoms);
  ~ClipboardOwner();
  ClipboardOwner(const ClipboardOwner&) = delete;
  ClipboardOwner& operator=(const ClipboardOwner&) = delete;

  // Takes the CLIPBOARD with `text`; false when the thread could not get it in time.
  bool set(const std::string& text, int timeoutMs);

 private:
  void run();
  void takeOwnership();
  void answer(const XSelectionRequestEvent& request);
  bool store(const XSelectionRequestEvent& request, Atom property);
  void wake();

  const Atoms& atoms_;
  Display* display_ = nullptr;
  Window window_ = 0;
  int wakePipe_[2] = {-1, -1};
  std::thread thread_;

  // Handed over from set() to the thread.
  std::mutex mutex_;
  std::condition_variable done_;
  std::optional<std::string> pending_;
  uint64_t requests_ = 0;
  uint64_t answered_ = 0;
  bool lastResult_ = false;
  bool stop_ = false;

  // Owned by the thread.
  std::string text_;
  bool owned_ = false;
  Time ownedSince_ = CurrentTime;
};

// Reads the CLIPBOARD as text on the calling thread's connection; false when no program owns
// it, none of its forms is text, or no answer came within `timeoutMs`.
bool readClipboard(ThreadConnection& connection, const Atoms& atoms, std::string& out,
                   int timeoutMs);

}  // namespace tavik::x11
