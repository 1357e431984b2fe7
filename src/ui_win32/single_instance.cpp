#include "ui_win32/single_instance.h"

#include <string>

#include "ui_win32/form.h"

namespace tavik::win32ui {
namespace {

// The window property that marks the main window among the forms.
constexpr wchar_t kMainWindowMark[] = L"TavikMainWindow";

// The mutex lives in the session's namespace ("Local\"), and carries the user's name, so that
// copies of other users on one machine (a terminal server) do not stop each other.
std::wstring MutexName() {
  wchar_t user[256] = {};
  DWORD size = 256;
  if (!GetUserNameW(user, &size)) user[0] = L'\0';
  return std::wstring(L"Local\\tavik-one-copy-") + user;
}

BOOL CALLBACK FindMarked(HWND window, LPARAM found) {
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  if (std::wstring(cls) != kFormClass || !GetPropW(window, kMainWindowMark)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

SingleInstance::SingleInstance() {
  mutex_ = CreateMutexW(nullptr, FALSE, MutexName().c_str());
  first_ = !(mutex_ && GetLastError() == ERROR_ALREADY_EXISTS);
}

SingleInstance::~SingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

void SingleInstance::MarkMainWindow(HWND window) {
  SetPropW(window, kMainWindowMark, reinterpret_cast<HANDLE>(1));
}

bool SingleInstance::RaiseRunningCopy(DWORD waitMs) {
  HWND main = nullptr;
  for (DWORD waited = 0;; waited += 100) {
    EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&main));
    if (main || waited >= waitMs) break;
    Sleep(100);
  }
  if (!main) return false;
  if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
  // A dialog open over the window is what the user has to answer first.
  const HWND front = GetLastActivePopup(main);
  SetForegroundWindow(front ? front : main);
  return true;
}

}  // namespace tavik::win32ui
