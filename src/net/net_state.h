#pragma once
// What the network services keep of a run: the service mode from the vendor's replies, the
// address this copy reports, and the result uploads near the end.

#include <cstddef>
#include <string>

#include "core/atomic_int.h"
#include "core/guarded_text.h"

namespace tavik {

struct NetState {
  // Network service mode from vendor replies (2 at start-up).
  AtomicInt m_netMode{2};
  // This machine's IPv4 address as text, sent with vendor requests.
  GuardedText m_localIp;
  // Set to 1 when timer 9 fires; worker 7 uploads the result and clears it.
  AtomicInt m_resultUploadDue{0};
  // Result uploads done in this run (at most 4).
  AtomicInt m_resultUploadCount{0};
  // Feature switches from the vendor's main parameters, one character each ('1' on).
  GuardedText m_featureSwitches{"11111111111111111111"};

  // Whether switch `index` (from 0) is the character `value`.
  bool featureSwitchIs(size_t index, char value) const {
    const std::string switches = m_featureSwitches.get();
    return index < switches.size() && switches[index] == value;
  }

  void reset() { m_resultUploadCount = 0; }
};

}  // namespace tavik
