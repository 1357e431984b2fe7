#pragma once
// The user's bidding strategy: integer settings that the window's thread loads and edits and
// the engine's threads read at every pass. Every field is a relaxed atomic, so a reader never
// sees a torn value; a load in progress may be seen half-done for one pass, which is fine
// because the engine re-reads everything on its next step.
//
// Tables are indexed by their row or option number: m_smartSec[1] is row 1 of the smart table,
// m_advOption[3] is advanced option 3. Entry 0 of every table is unused.

#include "core/atomic_int.h"

namespace tavik {

inline constexpr int kSmartRows = 12;   // rows 1..12 of the smart-bid table
inline constexpr int kJumpRows = 6;     // rows 1..6 carry the floating adjustment
inline constexpr int kAdvOptions = 20;  // advanced options 1..20 are stored and shown

struct Strategy {
  // Second bid.
  AtomicInt m_autoBid2{1};
  AtomicInt m_bid2Sec{30};
  AtomicInt m_bid2AddFlag{1};
  AtomicInt m_bid2SmartFlag{0};
  AtomicInt m_bid2DirFlag{0};
  AtomicInt m_bid2Mode{0};  // derived: 0 increment, 1 smart table, 2 fixed price
  AtomicInt m_bid2AddPrice{300};
  AtomicInt m_bid2DirPrice{73800};
  AtomicInt m_bid2TopUp{1};
  AtomicInt m_bid2LateSmart{0};

  // Third bid.
  AtomicInt m_autoBid3{1};
  AtomicInt m_bid3AddFlag{0};
  AtomicInt m_bid3SmartFlag{0};
  AtomicInt m_bid3DirFlag{0};
  AtomicInt m_bid3Mode{0};  // derived like m_bid2Mode
  AtomicInt m_bid3AddPrice{300};
  AtomicInt m_bid3DirPrice{73800};
  AtomicInt m_bid3TopUp{0};
  AtomicInt m_bid3LateSmart{0};
  AtomicInt m_bid3Now{0};
  AtomicInt m_bid3AtSecFlag{0};  // derived: the negation of m_bid3Now
  AtomicInt m_bid3Sec{30};

  // Smart-bid table and its floating adjustment.
  AtomicInt m_smartSec[kSmartRows + 1];
  AtomicInt m_smartAdd[kSmartRows + 1];
  AtomicInt m_smartTopUp[kSmartRows + 1];
  AtomicInt m_jumpFastAdd[kJumpRows + 1];
  AtomicInt m_jumpSlowSub[kJumpRows + 1];
  AtomicInt m_jumpFastThreshold{0};
  AtomicInt m_jumpSlowThreshold{0};

  // Confirmation timing.
  AtomicInt m_earlyMaxDiff{0};
  AtomicInt m_earlySec{0};
  AtomicInt m_earlyDelayMs{0};
  AtomicInt m_forceSec{0};
  AtomicInt m_forceDelayMs{0};

  // Remedy re-bid.
  AtomicInt m_remedyOn{0};
  AtomicInt m_remedySec{9};
  AtomicInt m_remedyMinDiff{500};
  AtomicInt m_remedyMaxDiff{800};
  AtomicInt m_remedyAdd{300};
  AtomicInt m_remedyTopUp{0};

  // Advanced-option switches; entries 1..20 are the ones stored and shown.
  AtomicInt m_advOption[100];

  AtomicInt m_qiangFlag{0};
  AtomicInt m_qiangSec{0};
  AtomicInt m_autoDisconnect{0};

  // Recomputes the derived fields from the radio flags.
  void DeriveModes() {
    m_bid2Mode = m_bid2AddFlag == 1 ? 0 : (m_bid2SmartFlag == 1 ? 1 : 2);
    m_bid3Mode = m_bid3AddFlag == 1 ? 0 : (m_bid3SmartFlag == 1 ? 1 : 2);
    m_bid3AtSecFlag = m_bid3Now != 1 ? 1 : 0;
  }
};

}  // namespace tavik
