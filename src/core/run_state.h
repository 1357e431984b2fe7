#pragma once
// The controller's shared run state: the fields that the workers, the window's timers and the
// subsystems read and write concurrently. Scalars are relaxed atomics, texts are guarded.
// Fields owned by one subsystem (strategy, network time, readers, engine) live with that
// subsystem; these are the ones the controller itself owns.

#include <atomic>
#include <string>

#include "core/atomic_int.h"
#include "core/guarded_text.h"
#include "core/window_ref.h"

namespace tavik {

inline constexpr const char* kClockTextInitial = "拍卖未开始";

struct RunState {
  AtomicInt m_running{0};
  AtomicInt m_clientFound{0};
  std::atomic<WindowId> m_auctionWnd{0};
  AtomicInt m_screenWidth{0};
  AtomicInt m_screenHeight{0};

  AtomicInt m_curHour{0};
  AtomicInt m_curMinute{0};
  AtomicInt m_curSecond{0};
  AtomicInt m_endHour{0};
  AtomicInt m_endMinute{0};
  GuardedText m_clockText{kClockTextInitial};
  GuardedText m_endTimeText;

  AtomicInt m_remainSec{0};
  AtomicInt m_prevRemainSec{0};
  AtomicInt m_subSecondTicks{0};
  AtomicInt m_prevSubSecondTicks{0};
  AtomicInt m_lastSecondTicks{0};
  AtomicInt m_endTimerArmed{0};
  AtomicInt m_resultUploadDue{0};
  AtomicInt m_resultUploadCount{0};

  AtomicInt m_auctionStage{0};
  AtomicInt m_bidPhase{0};
  AtomicInt m_systemState{0};
  AtomicInt m_lowestPrice{0};
  AtomicInt m_loggedLowestPrice{0};
  AtomicInt m_warningPrice{88100};
  AtomicInt m_myPrice{0};
  AtomicInt m_submittedPrice{0};
  AtomicInt m_submittedSec{0};

  GuardedText m_bidNumber;
  GuardedText m_pageBidNumber;
  AtomicInt m_realMode{1};
  GuardedText m_enterLog;
  AtomicInt m_schemeIndex{0};
  AtomicInt m_netMode{2};
  GuardedText m_exeDir;
  GuardedText m_localIp;
  AtomicInt m_logEnabled{0};
  AtomicInt m_recordMarker{0};
  AtomicInt m_recording{0};
  AtomicInt m_compatMode{1};
  GuardedText m_clientClass{"IE"};
  GuardedText m_pageTitle;

  GuardedText m_auctionStartText{"10:30:00"};
  GuardedText m_auctionHalfText{"11:00:00"};
  GuardedText m_auctionEndText{"11:30:00"};
  AtomicInt m_auctionStartSec{37800};
  AtomicInt m_auctionHalfSec{39600};
  AtomicInt m_auctionEndSec{41400};

  // The fields of this struct that have a value in the run-reset column. m_auctionWnd is
  // cleared only at Start; m_submittedPrice survives.
  void reset(bool atStart) {
    m_clientFound = 0;
    if (atStart) m_auctionWnd = 0;
    m_curHour = 0;
    m_curMinute = 0;
    m_curSecond = 0;
    m_endHour = 0;
    m_endMinute = 0;
    m_clockText.set(kClockTextInitial);
    m_endTimeText.clear();
    m_remainSec = 0;
    m_prevRemainSec = 0;
    m_subSecondTicks = 0;
    m_prevSubSecondTicks = 0;
    m_lastSecondTicks = 0;
    m_endTimerArmed = 0;
    m_resultUploadCount = 0;
    m_auctionStage = 0;
    m_bidPhase = 0;
    m_systemState = 0;
    m_lowestPrice = 0;
    m_loggedLowestPrice = 0;
    m_myPrice = 0;
    m_submittedSec = 0;
  }
};

// Process-wide flags of the original, held in one object that the controller owns and passes
// by reference, so that every test gets a fresh set.
struct ProcessFlags {
  // Set by the keyboard hook.
  AtomicInt g_enterPressed{0};
  AtomicInt g_spacePressed{0};
  AtomicInt g_functionKey{0};
  AtomicInt g_keyCount{0};
  // Captcha box on the page: 1 shown, 0 not.
  AtomicInt g_captchaState{0};
  AtomicInt g_practiceAllowed{1};
  AtomicInt g_strategyHidden{0};
  AtomicInt g_uploadDelaySec{0};
  AtomicInt g_progressPos{0};
  AtomicInt g_lastShotSec{0};
  AtomicInt g_addmiao{0};
};

inline constexpr const char* g_version = "9.1.4";

}  // namespace tavik
