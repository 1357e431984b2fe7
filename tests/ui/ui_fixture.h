#pragma once
// The real main window with a controller over the fake desktop and the virtual clock, in a
// program directory of its own. Message boxes are collected instead of shown.

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

#include "app/controller.h"
#include "support/temp_dir.h"
#include "support/test_dictionary.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"
#include "ui/main_window.h"

namespace tavik::test {

// One QApplication for the whole test program; offscreen unless a platform was chosen.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    InstallWindowFont();
    return a;
  }();
  return *app;
}

struct UiProgram {
  explicit UiProgram(const testing::TempDir& dir, Config config = Config{})
      : appReady(App()),
        desktop(clock),
        timers(clock),
        mailbox(clock),
        logFile(clock, dir.file("my.Log")),
        controller(
            ControllerDeps{clock, desktop, timers, mailbox, window, logFile, config, dir.dir()}) {
    window.bind(&controller);
    window.setMessageHandler([this](const std::string& text) { messages.push_back(text); });
    testing::WriteTestDictionary(dir.file("sscai.dll"));  // a healthy installation
    started = controller.OnInitDialog();
    window.show();
  }
  ~UiProgram() { controller.Shutdown(); }
  void editStrategy(const std::function<void(Strategy&)>& edit) {
    controller.strategy.update([&](Strategy& s) {
      edit(s);
      return true;
    });
    controller.UpdateControls();
  }

  template <typename W>
  W* get(int id) {
    return qobject_cast<W*>(window.control(id));
  }

  QApplication& appReady;  // before any widget
  VirtualClock clock;
  FakeDesktop desktop;
  VirtualTimers timers;
  VirtualMailbox mailbox;
  MainWindow window;
  LogFile logFile;
  Controller controller;
  std::vector<std::string> messages;
  int started = -1;
};

// Runs `act` on the modal dialog that the next call opens, once it is up.
template <typename D>
void WhenModal(std::function<void(D&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
    if (!dialog) return;
    act(*dialog);
  });
}

}  // namespace tavik::test
