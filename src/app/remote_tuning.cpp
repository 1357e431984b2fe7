#include "app/remote_tuning.h"

namespace tavik {

// The pagefocus click point is stored only when it differs: every edit publishes a new element
// table to the readers.
bool RemoteTuningOwners::UpdatePageFocus(Point focus) {
  const ElementPoint wanted{focus.x, focus.y};
  if (table_.point(ClickPoint::pagefocus) == wanted) return false;
  table_.edit([&](ElementTable& t) { t.setPoint(ClickPoint::pagefocus, wanted); });
  return true;
}

}  // namespace tavik
