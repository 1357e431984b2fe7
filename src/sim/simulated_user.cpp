#include "sim/simulated_user.h"

#include <algorithm>

#include "platform/keys.h"

namespace tavik {

namespace {

const char* KeyName(int vk) {
  switch (vk) {
    case vk::kReturn:
      return "Enter";
    case vk::kSpace:
      return "Space";
    case vk::kEscape:
      return "Esc";
    case vk::kBack:
      return "Backspace";
    default:
      break;
  }
  if (vk == vk::kF(2)) return "F2";
  if (vk == vk::kF(3)) return "F3";
  return nullptr;
}

int KeyOfName(const std::string& name) {
  if (name == "enter") return vk::kReturn;
  if (name == "space") return vk::kSpace;
  if (name == "f2") return vk::kF(2);
  if (name == "f3") return vk::kF(3);
  return vk::kEscape;
}

}  // namespace

SimulatedUser::SimulatedUser(VirtualClock& clock, FakeDesktop& desktop, AuctionPage& page,
                             WindowId browser, const SimScenario& scenario, EventLog& events)
    : clock_(clock),
      desktop_(desktop),
      page_(page),
      browser_(browser),
      scenario_(scenario),
      events_(events),
      actions_(scenario.actions) {
  std::stable_sort(actions_.begin(), actions_.end(),
                   [](const UserAction& a, const UserAction& b) { return a.atMs < b.atMs; });
}

SimulatedUser::~SimulatedUser() {
  if (timer_) clock_.cancelTimer(timer_);
}

void SimulatedUser::start(int periodMs) {
  timer_ = clock_.addTimer(periodMs, [this] { tick(); });
}

void SimulatedUser::tick() {
  const int64_t now = clock_.elapsedMs();
  // The user answers a box once its picture shows the digits to type.
  if (!page_.captchaShown()) {
    boxAnswered_ = false;
  } else if (!boxAnswered_ && !page_.captchaText().empty()) {
    planTyping(now, page_.captchaText());
    boxAnswered_ = true;
  }
  while (!planned_.empty() && planned_.front().atMs <= now) {
    const int vk = planned_.front().vk;
    planned_.erase(planned_.begin());
    press(vk);
  }
  const int64_t pageNow = page_.pageMs(clock_.utcNowMs());
  while (nextAction_ < actions_.size() && actions_[nextAction_].atMs <= pageNow)
    act(actions_[nextAction_++]);
  while (!drag_.empty() && drag_.front().atMs <= pageNow) {
    page_.moveBrowser(browser_, drag_.front().browser);
    drag_.erase(drag_.begin());
  }
}

// The digits spread evenly over the typing time, then Enter.
void SimulatedUser::planTyping(int64_t now, const std::string& captcha) {
  const UserTyping& t = scenario_.typingFor(boxes_++);
  const int keys = t.keys < 0 ? int(captcha.size()) : t.keys;
  std::vector<Key> plan;
  const int64_t first = now + t.reactMs;
  for (int i = 0; i < keys; ++i) {
    const int64_t at = keys > 1 ? first + int64_t(t.typingMs) * i / (keys - 1) : first;
    int digit = size_t(i) < captcha.size() ? captcha[size_t(i)] - '0' : 0;
    if (t.wrongCaptcha) digit = (digit + 1) % 10;
    plan.push_back({at, vk::kDigit(digit)});
  }
  const int64_t last = keys > 0 ? plan.back().atMs : first;
  if (t.enter) plan.push_back({last + t.enterAfterMs, vk::kReturn});
  planned_ = std::move(plan);
}

void SimulatedUser::press(int vk) {
  const bool swallowedDown = desktop_.sendKey(vk, 0);
  const bool swallowedUp = desktop_.sendKey(vk, vk::kFlagUp);
  const char* name = KeyName(vk);
  nlohmann::ordered_json fields;
  fields["key"] = name ? std::string(name) : std::string(1, char('0' + vk - vk::k0));
  if (swallowedDown || swallowedUp) fields["swallowed"] = true;
  events_.add(clock_.utcNowMs(), "user_key", std::move(fields));
}

void SimulatedUser::act(const UserAction& action) {
  if (action.moveBrowser) {
    // A drag in steps: equal moves from where the browser is now, the first one at once.
    const Point from = page_.browser(), to = *action.moveBrowser;
    drag_.clear();
    for (int i = 1; i <= action.steps; ++i)
      drag_.push_back({action.atMs + int64_t(i - 1) * action.stepMs,
                       {from.x + (to.x - from.x) * i / action.steps,
                        from.y + (to.y - from.y) * i / action.steps}});
    return;
  }
  if (action.key == "stop") {
    events_.add(clock_.utcNowMs(), "user_stop", {});
    if (onStartStop) onStartStop();
    return;
  }
  press(KeyOfName(action.key));
}

}  // namespace tavik
