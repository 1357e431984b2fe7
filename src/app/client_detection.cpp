#include "app/client_detection.h"

#include <cstdio>

namespace tavik {
namespace {

constexpr const char* kClientOpen = "额度投标网络客户端已开启!";
constexpr const char* kPracticeRefused = "请用5.5.1版本模拟!";
constexpr const char* kFallbackTitle = "额度投标";
// The stacking order may change under a walk; a walk never takes more steps than this.
constexpr int kMaxWalk = 4096;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string titleOf(const ClientContext& c, WindowId w) {
  return CutUtf8(c.desktop.windowTitle(w), kTitleBufferBytes - 1);
}

bool passes(const ClientContext& c, WindowId w) {
  return TitleMatches(titleOf(c, w), c.run.m_realMode) &&
         ClassMatches(CutUtf8(c.desktop.windowClass(w), kClassBufferBytes - 1),
                      c.run.m_clientClass.get());
}

bool found(const ClientContext& c, WindowId w) {
  c.run.m_auctionWnd = w;
  c.run.m_pageTitle.set(titleOf(c, w));
  return true;
}

bool notFound(const ClientContext& c) {
  c.run.m_auctionWnd = 0;
  return false;
}

// The page address: the host without a trailing slash, then the path.
std::string practicePage(const ClientContext& c) {
  std::string host = c.config.practiceHost;
  while (!host.empty() && host.back() == '/') host.pop_back();
  const bool second = c.run.m_bidNumber.get() == c.config.practiceBidNumber2;
  return host + (second ? "/51m.html" : "/fz.html");
}

bool openInBrowser(const ClientContext& c, const std::string& address) {
  std::vector<std::string> argv = c.config.browserCommand;
  argv.push_back(address);
  if (c.desktop.launchProgram(argv)) return true;
  c.view.messageBox(BrowserNotStarted(address));
  return false;
}

}  // namespace

std::string CutUtf8(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  size_t n = maxBytes;
  // text[n] is the first byte left out; if it continues a character, that character goes too.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return std::string(text.substr(0, n));
}

bool TitleMatches(const std::string& title, int realMode) {
  if (contains(title, "额度投标拍卖")) return true;
  return realMode == 0 && (contains(title, "51沪牌") || contains(title, "拍牌系统"));
}

bool ClassMatches(const std::string& windowClass, const std::string& clientClass) {
  for (const auto& pattern : BuiltInClientClasses())
    if (contains(windowClass, pattern)) return true;
  return contains(windowClass, clientClass);
}

bool DetectAuctionClient(const ClientContext& c) {
  const WindowId front = c.desktop.foregroundWindow();
  if (front == 0) return notFound(c);
  if (passes(c, front)) return found(c, front);
  int steps = 0;
  for (WindowId w = c.desktop.windowBelow(front); w != 0 && steps < kMaxWalk;
       w = c.desktop.windowBelow(w), ++steps)
    if (passes(c, w)) return found(c, w);
  steps = 0;
  for (WindowId w = c.desktop.windowAbove(front); w != 0 && steps < kMaxWalk;
       w = c.desktop.windowAbove(w), ++steps)
    if (passes(c, w)) return found(c, w);
  // A page in front whose title says what it is, whatever program shows it.
  if (contains(titleOf(c, front), kFallbackTitle)) return found(c, front);
  return notFound(c);
}

void LaunchRealClient(const ClientContext& c) {
  if (DetectAuctionClient(c)) {
    c.run.m_clientFound = 1;
    c.view.messageBox(kClientOpen);
    return;
  }
  openInBrowser(c, c.config.officialSiteUrl);
}

bool LaunchPractice(const ClientContext& c) {
  if (c.flags.g_practiceAllowed == 0) {
    c.view.messageBox(kPracticeRefused);
    return false;
  }
  if (DetectAuctionClient(c)) {
    c.run.m_clientFound = 1;
    c.view.messageBox(kClientOpen);
    return false;
  }
  return openInBrowser(c, practicePage(c));
}

std::string BrowserNotStarted(const std::string& address) {
  return "无法打开浏览器。请在浏览器中打开以下地址（页面保持100%缩放）：\n" + address;
}

std::string OsEventLine(const OsVersion& v) {
  if (v.description.rfind("Linux", 0) == 0) return "***系统是Linux***";
  if (v.major <= 5) return "***系统是XP***";
  if (v.major == 6 && v.minor == 1) return "***系统是Win7***";
  if (v.major == 6 && v.minor == 2) return "***系统是Win8***";
  if (v.major == 10) return "***系统是Win10***";
  return "***系统是Win7+***";
}

void LogOsVersion(const ClientContext& c) {
  const OsVersion v = c.desktop.osVersion();
  char text[100];
  std::snprintf(text, sizeof text, "ver=%d,%d", v.major, v.minor);
  if (c.log.enabled() && std::string_view(text).size() > 1) c.log.LogLine(text);
  c.log.LogStatus(OsEventLine(v), false);
}

}  // namespace tavik
