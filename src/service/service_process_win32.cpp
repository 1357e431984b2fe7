#include <windows.h>

#include <mutex>

#include "core/file_names.h"

#include "service/service_process.h"

namespace tavik::service {
namespace {

std::mutex g_stopMutex;
std::function<void()> g_stop;  // written once by StopOnInterrupt, taken by the first interrupt

// Windows runs the handler on a thread of its own. After a close event the process is ended
// when the handler returns, so the stop is called before.
BOOL WINAPI OnConsoleEvent(DWORD) {
  std::function<void()> stop;
  {
    std::lock_guard lock(g_stopMutex);
    stop.swap(g_stop);
  }
  if (stop) stop();
  return TRUE;
}

}  // namespace

void PrepareServiceProcess(int) {}

std::string ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return "";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return Utf8FromPath(std::filesystem::path(path).parent_path()) + "/";
}

void StopOnInterrupt(std::function<void()> stop) {
  {
    std::lock_guard lock(g_stopMutex);
    g_stop = std::move(stop);
  }
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

}  // namespace tavik::service
