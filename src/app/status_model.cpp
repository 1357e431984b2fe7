#include "app/status_model.h"

#include "log/gbk.h"

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

StatusUpdates ShowStatus(RunState& run, ProcessFlags& flags, Logger& log) {
  StatusUpdates out;
  const std::string clock = run.m_clockText.get();
  if (utf8ToGbk(clock).size() < kClockTextLimit) out.push_back({status::kClock, clock});
  out.push_back({status::kEndTime, run.m_endTimeText.get()});
  const int lowest = run.m_lowestPrice;
  out.push_back({status::kLowestPrice, std::to_string(lowest)});
  if (run.m_loggedLowestPrice != lowest) {
    log.LogStatus(std::to_string(lowest), true);
    run.m_loggedLowestPrice = lowest;
  }

  if (run.m_subSecondTicks < 0 || run.m_subSecondTicks > 4) run.m_subSecondTicks = 4;
  out.push_back({status::kRemain, RemainText(run.m_remainSec, run.m_subSecondTicks)});

  // In real mode the month's warning price stands in until the page shows a price.
  if (run.m_realMode == 1 && run.m_lowestPrice == 0) run.m_lowestPrice = run.m_warningPrice.load();

  out.push_back({status::kNetMode, run.m_netMode == 2 ? "+" : ""});
  const int addMiao = flags.g_addmiao;
  if (addMiao == 0 || addMiao == 1) out.push_back({status::kAddMiao, PlusMinus(addMiao)});
  const int captcha = flags.g_captchaState;
  if (captcha == 0 || captcha == 1) out.push_back({status::kCaptcha, PlusMinus(captcha)});

  const int state = run.m_systemState;
  const bool bidding = state == 2 || state == 3;
  const int myPrice = run.m_myPrice;
  out.push_back({status::kMyPrice, std::to_string(bidding ? myPrice : 0)});
  out.push_back({status::kPriceGap, std::to_string(bidding ? myPrice - run.m_lowestPrice : 0)});

  const int old = flags.g_progressPos;
  const int position = old >= kBarLength ? 0 : old + 1;
  flags.g_progressPos = position;
  out.push_back({status::kProgress, ProgressBar(position, state == 3)});
  return out;
}

StatusUpdates ShowStatusLabels(const RunState& run) {
  StatusUpdates out;
  out.push_back({status::kClient, run.m_clientFound == 1 ? "提示：检测到拍卖客户端程序正在运行"
                                                         : "提示：拍卖客户端程序未运行"});
  const int state = run.m_systemState;
  if (state == 3) {
    out.push_back({status::kEngine, "检测到回车，等待自动出价"});
  } else if (state != 2) {
    out.push_back({status::kEngine, "无出价指令"});
    const int phase = run.m_bidPhase;
    out.push_back({status::kNextStage, phase == 1   ? "第二次出价"
                                       : phase == 2 ? "第三次出价"
                                                    : "第一次出价"});
  }
  return out;
}

}  // namespace tavik
