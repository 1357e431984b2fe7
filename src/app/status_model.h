#pragma once
// The status display of the main window, computed without a window: each tick yields the
// texts that the window's controls show, and the window only renders them.

#include <cstdint>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "bidding/bid_state.h"
#include "clock/clock_state.h"
#include "log/logger.h"
#include "net/net_state.h"
#include "page/page_state.h"
#include "settings/control_ids.h"

namespace tavik {

struct TextUpdate {
  int id;
  std::string text;
  bool operator==(const TextUpdate&) const = default;
};
// The control texts to set, in order; controls not listed keep what they show.
using StatusUpdates = std::vector<TextUpdate>;

// Remaining seconds with one dot for each fifth of the second still to run: "57 ....", ...,
// "57 .", "57".
std::string RemainText(int remainSec, int subSecondTicks);

// The 30-character bar of the progress label at `position` (0..30); when marked, positions p, p+1
// and p+2 show ">", wrapping 30 and 31 to the first two characters.
std::string ProgressBar(int position, bool marked);

// Every field the status display and the log's status line show, by owner.
struct StatusSources {
  RunState& run;
  ClockState& clock;
  PageState& page;
  BidState& bid;
  const NetState& net;
  const KeyFlags& keys;
  ProcessFlags& flags;
};

// The status line under a log event: remaining time, prices, engine and captcha state, keys.
// Every field is a "%d"; the post-run report reads the line back by the same format.
inline constexpr const char* kStatusLineFormat =
    "剩余时间:%d(-0.%d秒),当前最低成交价=%d,我的当前出价=%d,已经成功提交的价格=%d,"
    "提交的价格的时间=%d,系统状态:%d,验证码框状态:%d,键盘输入:%d";
inline constexpr int kStatusLineFields = 9;
std::string FormatStatusLine(const StatusSources& s);

// "my price - lowest price" as the price-gap box shows it: computed wide and held to 32 bits, so
// two large prices never wrap around into a wrong sign.
int32_t PriceGap(int32_t myPrice, int32_t lowestPrice);

// The 200 ms display. Besides the texts it advances the progress position, clamps
// m_subSecondTicks, logs a changed lowest price and, in real mode, puts the warning price in
// place of a lowest price not read yet.
StatusUpdates ShowStatus(const StatusSources& s, Logger& log);

// The 1 s labels: client status, engine status and the next bidding stage. Without a
// recognition dictionary the client label says that the page cannot be read.
StatusUpdates ShowStatusLabels(const RunState& run, const BidState& bid, bool hasDictionary);

}  // namespace tavik
