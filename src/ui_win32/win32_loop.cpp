#include "ui_win32/win32_loop.h"

namespace tavik::win32ui {
namespace {

constexpr wchar_t kMailboxClass[] = L"TavikMailbox";
constexpr UINT kWorkPosted = WM_APP + 1;

}  // namespace

Win32Mailbox::Win32Mailbox() : threadId_(GetCurrentThreadId()) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kMailboxClass;
  RegisterClassW(&wc);  // fails harmlessly when registered before
  hwnd_ = CreateWindowExW(0, kMailboxClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                          nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Mailbox::~Win32Mailbox() {
  HWND hwnd = nullptr;
  {
    std::lock_guard lock(mutex_);
    queue_.clear();
    hwnd = hwnd_;
    hwnd_ = nullptr;
  }
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  DestroyWindow(hwnd);
}

// One message per post; the queue holds the work, so a message that finds it already run
// does nothing.
void Win32Mailbox::post(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  if (!hwnd_) return;
  queue_.push_back(std::move(work));
  PostMessageW(hwnd_, kWorkPosted, 0, 0);
}

void Win32Mailbox::runPosted() {
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      work = std::move(queue_.front());
      queue_.pop_front();
    }
    work();
  }
}

LRESULT CALLBACK Win32Mailbox::Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<Win32Mailbox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && msg == kWorkPosted) {
    self->runPosted();
    return 0;
  }
  if (self && msg == WM_TIMER) {
    if (self->timerHandler_) self->timerHandler_(int(wparam));
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

Win32Timers::Win32Timers(Win32Mailbox& mailbox) : mailbox_(mailbox) {
  mailbox_.setTimerHandler([this](int id) {
    if (isActive(id) && handler_) handler_(id);
  });
}

void Win32Timers::start(int id, int periodMs) {
  {
    std::lock_guard lock(mutex_);
    active_[id] = true;
  }
  auto here = [this, id, periodMs] {
    SetTimer(mailbox_.hwnd(), UINT_PTR(id), UINT(periodMs), nullptr);
  };
  if (mailbox_.onWindowThread()) {
    here();
  } else {
    mailbox_.post(here);
  }
}

void Win32Timers::stop(int id) {
  {
    std::lock_guard lock(mutex_);
    active_[id] = false;
  }
  auto here = [this, id] {
    if (!isActive(id)) KillTimer(mailbox_.hwnd(), UINT_PTR(id));
  };
  if (mailbox_.onWindowThread()) {
    here();
  } else {
    mailbox_.post(here);
  }
}

bool Win32Timers::isActive(int id) const {
  std::lock_guard lock(mutex_);
  auto it = active_.find(id);
  return it != active_.end() && it->second;
}

}  // namespace tavik::win32ui
