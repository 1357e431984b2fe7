#include "practice/view_screenshot.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ui/main_window.h"
#include "ui/page_view_window.h"

namespace tavik::testing {

std::string ScreenshotFolder() {
  const char* dir = std::getenv("TAVIK_SCREENSHOTS");
  return dir ? dir : "";
}

bool SaveViewScreenshot(const SeenPage& seen, const std::string& path) {
  // One application for the program, on the display the test runs on.
  static int argc = 1;
  static char name[] = "practice_page_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = QApplication::instance() ? nullptr : new QApplication(argc, argv);
  (void)app;
  InstallWindowFont();
  PageViewWindow view(nullptr);
  view.resize(760, 720);
  view.showSeen(std::make_shared<SeenPage>(seen));
  view.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const bool ok = view.grab().save(QString::fromStdString(path), "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
  return ok;
}

}  // namespace tavik::testing
