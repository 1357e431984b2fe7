#pragma once
// A simulated auction, as a scenario file describes it (docs/simulator.md): the user's bid
// number and strategy, the page's schedule and lowest-price course, the page's and the user's
// delays, the clocks' offsets and what the vendor's services answer. Read from JSON; a bad
// scenario is refused whole with a message that names the field and the problem.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/window_ref.h"
#include "sim/price_course.h"

namespace tavik {

// How the user answers one captcha box.
struct UserTyping {
  int reactMs = 1200;      // from the box on screen to the first key
  int keys = -1;           // digits typed; -1: as many as the captcha has
  int typingMs = 750;      // from the first digit to the last
  bool enter = true;       // Enter after the digits
  int enterAfterMs = 250;  // from the last digit to Enter
  bool wrongCaptcha = false;
  friend bool operator==(const UserTyping&, const UserTyping&) = default;
};

// Something the user does at a moment of the page clock: a key ("enter", "space", "f2", "f3",
// "esc") or dragging the browser window.
struct UserAction {
  int64_t atMs = 0;  // page clock, ms of the day
  std::string key;   // empty when the browser is moved
  std::optional<Point> moveBrowser;
  // A drag in steps: the browser reaches `moveBrowser` in this many equal moves, `stepMs` apart
  // (the first at `atMs`).
  int steps = 1;
  int stepMs = 0;
  friend bool operator==(const UserAction&, const UserAction&) = default;
};

// A range a value is drawn from, evenly, for each finish of a run of many.
struct Spread {
  int low = 0, high = 0;
  friend bool operator==(const Spread&, const Spread&) = default;
};

struct SimScenario {
  std::string name;
  std::string description;
  bool realMode = true;
  std::string bidNumber;  // empty: "12345678" for a real number, the practice number otherwise
  // Page clock, ms of the day: the assistant starts (and Start is pressed) at `startMs`.
  int64_t startMs = (11 * 3600 + 28 * 60 + 25) * 1000LL;
  int64_t halfMs = 11 * 3'600'000LL;
  int64_t endMs = (11 * 3600 + 30 * 60) * 1000LL;

  // The scheme loaded at start-up: the profile file's text (if any) with the inline keys set
  // over it, as profile keys and values.
  std::string profileText;
  std::vector<std::pair<std::string, int32_t>> profileKeys;
  int32_t warningPrice = 88100;

  PriceCourse lowestPrice = PriceCourse({{3600, 89300}});

  // The page.
  int captchaDelayMs = 1000;
  int judgeDelayMs = 0;
  // The judging delay grows in the last seconds, as bids queue at the auction's server: from
  // `fromSec` before the end, `msPerSec` more for each second nearer the end, at most `maxMs`.
  struct JudgeQueue {
    int fromSec = 0;
    int msPerSec = 0;
    int maxMs = 0;
    friend bool operator==(const JudgeQueue&, const JudgeQueue&) = default;
  } judgeQueue;
  int captchaPictureDelayMs = 0;  // from the box on screen to its picture (the digits)
  int bidsMade = 1;
  int captchaDigits = 4;
  uint32_t captchaSeed = 1;
  Point browser{10, 10};

  // The user: the first entry answers the first captcha box, and so on; boxes beyond the list
  // are answered as `typing` says.
  UserTyping typing;
  std::vector<UserTyping> typingPerBox;
  std::vector<UserAction> actions;
  // The first this many texts the assistant puts on the clipboard are refused.
  int clipboardFailures = 0;

  // Clocks: the machine's clock and the time servers, each ahead of the page clock by this much.
  int64_t localOffsetMs = 0;
  int64_t networkOffsetMs = 0;
  bool networkTimeAnswers = true;

  // The vendor's services. Without main parameters (or a price course) those requests are
  // refused, as a server that is down refuses them.
  std::optional<std::vector<std::string>> mainParams;
  PriceCourse netPrice;
  int vendorDelayMs = 80;
  std::string recognitionPayload;  // answers the recognition-data request when not empty
  std::string dictionaryPayload;   // answers the dictionary request when not empty

  // Spreads for runs of many finishes: each finish draws these from their ranges.
  std::optional<Spread> judgeDelaySpread, captchaDelaySpread, typingSpread, reactSpread;

  // The bid number in force.
  std::string effectiveBidNumber() const;
  // The answer for the n-th captcha box (0-based).
  const UserTyping& typingFor(int box) const;
};

struct ScenarioError {
  std::string message;  // "strategy.Last Sec 2: must be a whole number"
};

// Reads a scenario; `baseDir` is where relative file names (the profile) are looked up.
// Either the scenario or the error.
std::variant<SimScenario, ScenarioError> ParseScenario(std::string_view json,
                                                       const std::string& baseDir);
std::variant<SimScenario, ScenarioError> LoadScenario(const std::string& path);

// A profile key of a scheme file, and whether one is known.
bool IsProfileKey(std::string_view key);

// "hh:mm:ss" or "hh:mm:ss.mmm" as ms of the day.
std::optional<int64_t> ParseTimeOfDay(std::string_view text);

}  // namespace tavik
