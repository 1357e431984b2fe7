#include "app/saved_sign.h"

#include "settings/control_ids.h"

namespace tavik {

void SavedSign::show(const std::string& schemeName) {
  view_.setText(ctl::kBlankLabel, "已保存：" + schemeName);
  timers_.start(timerId_, kSavedSignMs);
}

void SavedSign::expire() {
  timers_.stop(timerId_);
  view_.setText(ctl::kBlankLabel, "");
}

}  // namespace tavik
