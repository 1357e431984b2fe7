#pragma once
// The user's bidding strategy: integer settings that the window's thread loads and edits and
// the engine's threads read at every pass. A Strategy is a plain value; the one in force is
// published whole by StrategyStore, so one engine step works on one scheme from start to end
// even when a scheme load or a dialog's OK lands in the middle of it.
//
// Tables are indexed by their row or option number: m_smartSec[1] is row 1 of the smart table,
// m_advOption[3] is advanced option 3. Entry 0 of every table is unused.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace tavik {

inline constexpr int kSmartRows = 12;   // rows 1..12 of the smart-bid table
inline constexpr int kJumpRows = 6;     // rows 1..6 carry the floating adjustment
inline constexpr int kAdvOptions = 20;  // advanced options 1..20 are stored and shown

struct Strategy {
  // Second bid.
  int32_t m_autoBid2 = 1;
  int32_t m_bid2Sec = 30;
  int32_t m_bid2AddFlag = 1;
  int32_t m_bid2SmartFlag = 0;
  int32_t m_bid2DirFlag = 0;
  int32_t m_bid2Mode = 0;  // derived: 0 increment, 1 smart table, 2 fixed price
  int32_t m_bid2AddPrice = 300;
  int32_t m_bid2DirPrice = 73800;
  int32_t m_bid2TopUp = 1;
  int32_t m_bid2LateSmart = 0;

  // Third bid.
  int32_t m_autoBid3 = 1;
  int32_t m_bid3AddFlag = 0;
  int32_t m_bid3SmartFlag = 0;
  int32_t m_bid3DirFlag = 0;
  int32_t m_bid3Mode = 0;  // derived like m_bid2Mode
  int32_t m_bid3AddPrice = 300;
  int32_t m_bid3DirPrice = 73800;
  int32_t m_bid3TopUp = 0;
  int32_t m_bid3LateSmart = 0;
  int32_t m_bid3Now = 0;
  int32_t m_bid3AtSecFlag = 0;  // derived: the negation of m_bid3Now
  int32_t m_bid3Sec = 30;

  // Smart-bid table and its floating adjustment.
  int32_t m_smartSec[kSmartRows + 1]{};
  int32_t m_smartAdd[kSmartRows + 1]{};
  int32_t m_smartTopUp[kSmartRows + 1]{};
  int32_t m_jumpFastAdd[kJumpRows + 1]{};
  int32_t m_jumpSlowSub[kJumpRows + 1]{};
  int32_t m_jumpFastThreshold = 0;
  int32_t m_jumpSlowThreshold = 0;

  // Confirmation timing.
  int32_t m_earlyMaxDiff = 0;
  int32_t m_earlySec = 0;
  int32_t m_earlyDelayMs = 0;
  int32_t m_forceSec = 0;
  int32_t m_forceDelayMs = 0;

  // Remedy re-bid.
  int32_t m_remedyOn = 0;
  int32_t m_remedySec = 9;
  int32_t m_remedyMinDiff = 500;
  int32_t m_remedyMaxDiff = 800;
  int32_t m_remedyAdd = 300;
  int32_t m_remedyTopUp = 0;

  // Advanced-option switches; entries 1..20 are the ones stored and shown.
  int32_t m_advOption[100]{};

  int32_t m_qiangFlag = 0;
  int32_t m_qiangSec = 0;
  int32_t m_autoDisconnect = 0;

  // Recomputes the derived fields from the radio flags.
  void DeriveModes() {
    m_bid2Mode = m_bid2AddFlag == 1 ? 0 : (m_bid2SmartFlag == 1 ? 1 : 2);
    m_bid3Mode = m_bid3AddFlag == 1 ? 0 : (m_bid3SmartFlag == 1 ? 1 : 2);
    m_bid3AtSecFlag = m_bid3Now != 1 ? 1 : 0;
  }
};

// The strategy in force, shared by the window's thread (which loads and edits it) and the
// workers (which read it): an immutable snapshot swapped whole.
class StrategyStore {
 public:
  StrategyStore() : current_(std::make_shared<const Strategy>()) {}
  StrategyStore(const StrategyStore&) = delete;
  StrategyStore& operator=(const StrategyStore&) = delete;

  // The strategy in force; it never changes once taken.
  std::shared_ptr<const Strategy> snapshot() const {
    std::lock_guard lock(mutex_);
    return current_;
  }
  Strategy copy() const { return *snapshot(); }

  void publish(const Strategy& strategy) {
    std::lock_guard writing(writer_);
    swapIn(strategy);
  }
  // Edits a copy of the strategy in force and publishes it when `edit` returns true. Edits
  // are serialised, so two writers never lose each other's changes.
  bool update(const std::function<bool(Strategy&)>& edit) {
    std::lock_guard writing(writer_);
    Strategy next = *snapshot();
    if (!edit(next)) return false;
    swapIn(next);
    return true;
  }

 private:
  void swapIn(const Strategy& strategy) {
    auto next = std::make_shared<const Strategy>(strategy);
    std::lock_guard lock(mutex_);
    current_.swap(next);
  }

  std::mutex writer_;
  mutable std::mutex mutex_;
  std::shared_ptr<const Strategy> current_;
};

}  // namespace tavik
