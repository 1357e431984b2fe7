#include "platform/win32/win32_keyboard_hook.h"

#include <atomic>

namespace tavik::win32 {
namespace {

// The hook procedure has no context argument: the one running hook is published here. Set
// before SetWindowsHookEx and cleared after UnhookWindowsHookEx, both on the hook's thread,
// which is also the only thread the procedure runs on.
std::atomic<const KeyboardHook*> g_activeHook{nullptr};

// A negative code must go straight on, without looking at the event.
LRESULT CALLBACK HookProc(int code, WPARAM wparam, LPARAM lparam) {
  const KeyboardHook* hook = g_activeHook.load();
  if (code >= 0 && hook && hook->proc) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
    if (hook->proc(code, int(event->vkCode), int(event->flags)) && code == HC_ACTION) return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

bool LowLevelKeyboardHook::start(KeyboardHook hook) {
  stop();
  hook_ = std::move(hook);
  {
    std::lock_guard lock(mutex_);
    started_ = false;
    installed_ = false;
  }
  thread_ = std::thread([this] { run(); });
  std::unique_lock lock(mutex_);
  ready_.wait(lock, [this] { return started_; });
  const bool installed = installed_;
  lock.unlock();
  if (!installed) thread_.join();
  return installed;
}

void LowLevelKeyboardHook::stop() {
  if (!thread_.joinable()) return;
  DWORD id = 0;
  {
    std::lock_guard lock(mutex_);
    id = threadId_;
  }
  PostThreadMessageW(id, WM_QUIT, 0, 0);
  thread_.join();
}

void LowLevelKeyboardHook::run() {
  MSG msg;
  // Makes the thread's message queue, so that the WM_QUIT of stop() cannot get lost.
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  g_activeHook = &hook_;
  HHOOK handle = SetWindowsHookExW(WH_KEYBOARD_LL, HookProc, GetModuleHandleW(nullptr), 0);
  if (!handle) g_activeHook = nullptr;
  {
    std::lock_guard lock(mutex_);
    threadId_ = GetCurrentThreadId();
    installed_ = handle != nullptr;
    started_ = true;
  }
  ready_.notify_all();
  if (!handle) return;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  UnhookWindowsHookEx(handle);
  g_activeHook = nullptr;
}

}  // namespace tavik::win32
