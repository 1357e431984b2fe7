#pragma once
// Finding the auction page's window among the desktop's top-level windows, opening the real or
// the practice bidding page in the browser, and the operating-system line of the log.

#include <string>
#include <string_view>
#include <vector>

#include "app/main_view.h"
#include "app/run_state.h"
#include "core/config.h"
#include "log/logger.h"
#include "platform/desktop.h"

namespace tavik {

// What detection and the launch buttons work on; all of it belongs to the controller.
struct ClientContext {
  RunState& run;
  ProcessFlags& flags;
  const Config& config;
  Desktop& desktop;
  MainView& view;
  Logger& log;
};

// Title and class texts are matched as they would fit into buffers of these sizes, terminator
// included; longer texts are cut at a character boundary.
inline constexpr size_t kTitleBufferBytes = 400;
inline constexpr size_t kClassBufferBytes = 50;

// Window classes of the auction client besides the configurable one: the official client
// ("IE"), an image viewer showing a captured page ("MSPaintApp"), and the browsers: their X11
// classes, and on Windows Chrome, Edge and every other Chromium browser ("Chrome_WidgetWin_1")
// and Firefox ("MozillaWindowClass"). The page's title still has to match.
inline const std::vector<std::string>& BuiltInClientClasses() {
  static const std::vector<std::string> classes = {
      "IE",      "MSPaintApp", "Chromium",  "chromium",           "Google-chrome",
      "firefox", "Firefox",    "Navigator", "Chrome_WidgetWin_1", "MozillaWindowClass"};
  return classes;
}

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string_view text, size_t maxBytes);

bool TitleMatches(const std::string& title, int realMode);
bool ClassMatches(const std::string& windowClass, const std::string& clientClass);

// Looks for the auction window: the foreground window, then the windows below it, then those
// above it, then a foreground window titled "额度投标" of any class. On success stores it in
// m_auctionWnd and its title in m_pageTitle; on failure clears m_auctionWnd.
bool DetectAuctionClient(const ClientContext& c);

// Handlers of the two launch buttons. LaunchPractice returns whether it opened the page, after
// which the caller switches to the practice scheme. When no browser can be started, the user is
// told, with the address to open by hand.
void LaunchRealClient(const ClientContext& c);
bool LaunchPractice(const ClientContext& c);

// The message when no browser could be started for `address`.
std::string BrowserNotStarted(const std::string& address);

// The log line for an operating-system version.
std::string OsEventLine(const OsVersion& v);
// Writes the operating-system version into the log (start-up).
void LogOsVersion(const ClientContext& c);

}  // namespace tavik
