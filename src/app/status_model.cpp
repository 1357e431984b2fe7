#include "app/status_model.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "core/gbk.h"

namespace tavik {

namespace {
constexpr int kBarLength = 30;
// The clock box is sized for a time of day; longer texts (a 15-byte GBK text or more) are
// not shown.
constexpr size_t kClockTextLimit = 15;

std::string PlusMinus(int value) {
  return value == 1 ? "+" : "-";
}
}  // namespace

std::string RemainText(int remainSec, int subSecondTicks) {
  static constexpr const char* kDots[] = {" ....", " ...", " ..", " .", ""};
  if (subSecondTicks < 0 || subSecondTicks > 4) subSecondTicks = 4;
  return std::to_string(remainSec) + kDots[subSecondTicks];
}

std::string ProgressBar(int position, bool marked) {
  std::string bar(kBarLength, '-');
  if (!marked) return bar;
  for (int k = position; k < position + 3; ++k) {
    if (k < kBarLength)
      bar[size_t(k)] = '>';
    else if (k < kBarLength + 2)
      bar[size_t(k - kBarLength)] = '>';
  }
  return bar;
}

std::string FormatStatusLine(const StatusSources& s) {
  char buf[1000];
  std::snprintf(buf, sizeof buf, kStatusLineFormat, s.clock.m_remainSec.load(),
                s.clock.m_subSecondTicks.load() * 2, s.page.m_lowestPrice.load(),
                s.bid.m_myPrice.load(), s.bid.m_submittedPrice.load(), s.bid.m_submittedSec.load(),
                s.bid.m_systemState.load(), s.page.g_captchaState.load(), s.keys.g_keyCount.load());
  return buf;
}

int32_t PriceGap(int32_t myPrice, int32_t lowestPrice) {
  const int64_t gap = int64_t(myPrice) - lowestPrice;
  return int32_t(std::clamp<int64_t>(gap, INT32_MIN, INT32_MAX));
}

StatusUpdates ShowStatus(const StatusSources& s, Logger& log) {
  ClockState& clock = s.clock;
  PageState& page = s.page;
  StatusUpdates out;
  const std::string clockText = clock.m_clockText.get();
  if (utf8ToGbk(clockText).size() < kClockTextLimit) out.push_back({ctl::kClock, clockText});
  out.push_back({ctl::kEndTime, clock.m_endTimeText.get()});
  const int lowest = page.m_lowestPrice;
  out.push_back({ctl::kLowestPrice, std::to_string(lowest)});
  if (s.run.m_loggedLowestPrice != lowest) {
    log.LogStatus(std::to_string(lowest), true);
    s.run.m_loggedLowestPrice = lowest;
  }

  const Point remain = clock.m_remainTicks.load();
  const int ticks = remain.y < 0 || remain.y > 4 ? 4 : remain.y;
  out.push_back({ctl::kRemainBox, RemainText(clock.m_remainSec, ticks)});

  // In real mode the month's warning price stands in until the page shows a price; a price
  // that a reader stores meanwhile is never overwritten.
  if (s.run.m_realMode == 1) page.m_lowestPrice.FallBackToWarning(0, page.m_warningPrice);

  out.push_back({ctl::kNetModeMark, s.net.m_netMode == 2 ? "+" : ""});
  const int addMiao = s.net.g_addmiao;
  if (addMiao == 0 || addMiao == 1) out.push_back({ctl::kAddMiaoMark, PlusMinus(addMiao)});
  const int captcha = page.g_captchaState;
  if (captcha == 0 || captcha == 1) out.push_back({ctl::kCaptchaMark, PlusMinus(captcha)});

  const int state = s.bid.m_systemState;
  const bool bidding = state == 2 || state == 3;
  const int myPrice = s.bid.m_myPrice;
  out.push_back({ctl::kMyPrice, std::to_string(bidding ? myPrice : 0)});
  out.push_back(
      {ctl::kPriceGap, std::to_string(bidding ? PriceGap(myPrice, page.m_lowestPrice) : 0)});

  const int old = s.flags.g_progressPos;
  const int position = old >= kBarLength ? 0 : old + 1;
  s.flags.g_progressPos = position;
  out.push_back({ctl::kProgress, ProgressBar(position, state == 3)});
  return out;
}

StatusUpdates ShowStatusLabels(const RunState& run, const BidState& bid, bool hasDictionary) {
  StatusUpdates out;
  out.push_back({ctl::kClientStatus, !hasDictionary ? "提示：缺少识别字库 sscai.dll，无法读取页面"
                                     : run.m_clientFound == 1 ? "提示：检测到拍卖客户端程序正在运行"
                                                              : "提示：拍卖客户端程序未运行"});
  const int state = bid.m_systemState;
  if (state == 3) {
    out.push_back({ctl::kEngineStatus, "检测到回车，等待自动出价"});
  } else if (state != 2) {
    out.push_back({ctl::kEngineStatus, "无出价指令"});
    const int phase = bid.m_bidPhase;
    out.push_back({ctl::kNextStage, phase == 1   ? "第二次出价"
                                    : phase == 2 ? "第三次出价"
                                                 : "第一次出价"});
  }
  return out;
}

}  // namespace tavik
