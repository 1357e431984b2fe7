#include "log/logger.h"

#include <cstdio>

namespace tavik {

std::string FormatStatusLine(const RunState& run, const ProcessFlags& flags) {
  char buf[1000];
  std::snprintf(buf, sizeof buf,
                "剩余时间:%d(-0.%d秒),当前最低成交价=%d,我的当前出价=%d,已经成功提交的价格=%d,"
                "提交的价格的时间=%d,系统状态:%d,验证码框状态:%d,键盘输入:%d",
                run.m_remainSec.load(), run.m_subSecondTicks.load() * 2, run.m_lowestPrice.load(),
                run.m_myPrice.load(), run.m_submittedPrice.load(), run.m_submittedSec.load(),
                run.m_systemState.load(), flags.g_captchaState.load(), flags.g_keyCount.load());
  return buf;
}

void Logger::LogStatus(std::string_view text, bool withStatus) {
  if (!enabled()) return;
  if (text.size() > 1) file_.LogLine(text);
  if (withStatus) file_.LogLine(FormatStatusLine(run_, flags_));
}

}  // namespace tavik
