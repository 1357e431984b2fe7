#pragma once
// The user at the keyboard during a simulated auction: once a captcha box shows, the user
// reads it, types its digits (or wrong ones) over the scenario's time and presses Enter, each
// key a press and a release through the desktop's keyboard hook; at set moments the user may
// also press a key or drag the browser window. Runs on the virtual clock's driver thread.

#include <cstdint>
#include <functional>
#include <vector>

#include "sim/auction_page.h"
#include "sim/event_log.h"
#include "sim/scenario.h"
#include "testing/fake_desktop.h"
#include "testing/virtual_clock.h"

namespace tavik {

class SimulatedUser {
 public:
  SimulatedUser(VirtualClock& clock, FakeDesktop& desktop, AuctionPage& page, WindowId browser,
                const SimScenario& scenario, EventLog& events);
  ~SimulatedUser();
  SimulatedUser(const SimulatedUser&) = delete;
  SimulatedUser& operator=(const SimulatedUser&) = delete;

  // Starts watching the page every `periodMs`.
  void start(int periodMs = 10);
  // What the user's click on the window's Start/Stop button does.
  std::function<void()> onStartStop;

 private:
  struct Key {
    int64_t atMs;  // virtual elapsed ms
    int vk;
  };
  void tick();
  void planTyping(int64_t now, const std::string& captcha);
  void press(int vk);
  void act(const UserAction& action);

  VirtualClock& clock_;
  FakeDesktop& desktop_;
  AuctionPage& page_;
  WindowId browser_;
  const SimScenario& scenario_;
  EventLog& events_;
  int timer_ = 0;
  bool boxAnswered_ = false;  // the box up now has its typing planned
  int boxes_ = 0;
  std::vector<Key> planned_;         // keys still to press, in time order
  std::vector<UserAction> actions_;  // in time order
  size_t nextAction_ = 0;
  struct DragStep {
    int64_t atMs;  // page clock
    Point browser;
  };
  std::vector<DragStep> drag_;  // the rest of a drag in steps, in time order
};

}  // namespace tavik
