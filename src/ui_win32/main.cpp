// tavik.exe: the bidding assistant's window beside the auction page, on Windows.

#include <windows.h>

#include <string>

#include "app/assistant.h"
#include "app/practice_service.h"
#include "core/utf16.h"
#include "platform/win32/win32_desktop.h"
#include "ui_win32/main_window.h"
#include "ui_win32/single_instance.h"
#include "ui_win32/win32_loop.h"

namespace {

// How long a second start looks for the first copy's window, which may still be starting.
constexpr DWORD kFindRunningCopyMs = 10000;

// The folder of the program, with a trailing backslash: the marker files and the profiles lie
// there.
std::string ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return tavik::NarrowToUtf8(path.substr(0, path.find_last_of(L"\\/") + 1));
}

int RunMessageLoop(HWND window) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return int(msg.wParam);
}

}  // namespace

int main() {
  using namespace tavik;
  // A second start shows the running copy instead of stacking a second one on top of it.
  win32ui::SingleInstance instance;
  if (!instance.first()) {
    win32ui::SingleInstance::RaiseRunningCopy(kFindRunningCopyMs);
    return 0;
  }
  auto desktop = createWin32Desktop();
  Config config;
  std::vector<std::string> warnings;
  if (const std::string path = Config::defaultPath(); !config.load(path, &warnings))
    warnings.push_back(path + ": cannot be read; the built-in settings are used");

  RealClock clock;
  LogFile logFile(clock, LogFile::defaultPath());
  win32ui::Win32Mailbox mailbox;
  win32ui::Win32Timers timers(mailbox);
  win32ui::MainWindow window;
  const std::string exeDir = ProgramDirectory();
  // Outlives the controller: a practice page may still be asking when the window closes.
  PracticeService practice(clock, exeDir);
  ControllerDeps deps{clock, *desktop, timers, mailbox, window, logFile, config, exeDir};
  deps.practice = &practice;
  const std::unique_ptr<Assistant> assistant = MakeAssistant(std::move(deps));
  window.bind(assistant.get());
  for (const auto& w : warnings) window.messageBox(w);
  if (const int code = assistant->OnInitDialog(); code != 0) return code;
  win32ui::SingleInstance::MarkMainWindow(window.hwnd());
  window.show();
  const int result = RunMessageLoop(window.hwnd());
  assistant->Shutdown();
  return result;
}
