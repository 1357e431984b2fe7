// tavik: the bidding assistant's window beside the auction page.

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/assistant.h"
#include "app/practice_service.h"
#include "platform/x11/x11_desktop.h"
#include "ui/main_window.h"
#include "ui/qt_timers.h"
#include "ui/single_instance.h"

namespace {

std::string programDirectory(const char* argv0) {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::absolute(argv0, ec);
  return exe.parent_path().string() + "/";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavik;
  auto desktop = createX11Desktop();
  if (!desktop) {
    // Without a usable display there is no window to show the message in.
    std::fprintf(stderr, "%s\n", "初始化失败,请更换电脑!");
    return 1;
  }
  QApplication app(argc, argv);
  InstallWindowFont();
  RealClock clock;
  // A second start shows the running copy instead of stacking a second one on top of it.
  SingleInstance instance;
  if (!instance.claim(clock)) return 0;

  Config config;
  std::vector<std::string> warnings;
  if (const std::string path = Config::defaultPath(); !config.load(path, &warnings))
    warnings.push_back(path + ": cannot be read; the built-in settings are used");
  for (const auto& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
  // Unless the settings name a browser, pages open through tavik-browser beside the program:
  // Chromium with the fonts and flags that draw pages exactly as they are read.
  const std::string exeDir = programDirectory(argv[0]);
  if (config.browserCommand == Config{}.browserCommand &&
      std::filesystem::exists(exeDir + "tavik-browser"))
    config.browserCommand = {exeDir + "tavik-browser"};

  LogFile logFile(clock, LogFile::defaultPath());
  QtMailbox mailbox;
  QtTimers timers(mailbox);
  MainWindow window;
  // Outlives the controller: a practice page may still be asking when the window closes.
  PracticeService practice(clock, exeDir);
  ControllerDeps deps{clock, *desktop, timers, mailbox, window, logFile, config, exeDir};
  deps.practice = &practice;
  const std::unique_ptr<Assistant> assistant = MakeAssistant(std::move(deps));
  window.bind(assistant.get());
  if (const int code = assistant->OnInitDialog(); code != 0) return code;
  instance.setWindow(&window);
  window.show();
  // For a practice run without a hand at the keyboard (scripts/run): "--practice" selects the
  // practice scheme as the practice button does, "--start" then presses "开始运行".
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--practice") == 0) assistant->SelectPracticeScheme();
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--start") == 0)
      QTimer::singleShot(0, [&assistant] { assistant->ToggleRun(); });
  }
  const int result = app.exec();
  assistant->Shutdown();
  return result;
}
