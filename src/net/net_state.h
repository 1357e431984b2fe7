#pragma once
// What the network services keep of a run: the service mode from the vendor's replies, the
// address this copy reports, and the result uploads near the end. Owner: the network layer
// (net/); others change it through the named operations below.

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
  // Remote parameters the bidding rules use: the forced-confirmation shift (0..20), the month's
  // captcha length (2..10), and 1 to never refuse a bid for a bid button not recognised.
  AtomicInt m_forceShift{10};
  AtomicInt g_captchaDigits{4};
  AtomicInt m_skipBidButtonCheck{0};
  // 1 once the page price reads reliably (set by the network-price poll).
  AtomicInt g_addmiao{0};
  // The result record of the last successful bid, "phase,price,time", for the result upload.
  GuardedText m_bidResultText;

  // Whether switch `index` (from 0) is the character `value`.
  bool featureSwitchIs(size_t index, char value) const {
    const std::string switches = m_featureSwitches.get();
    return index < switches.size() && switches[index] == value;
  }

  // This machine's address as found at start-up; one that is too short to be one is not sent.
  void SetLocalIp(const std::string& ip) { m_localIp.set(ip.size() > 5 ? ip : std::string()); }
  // Timer 9 fired: worker 7 uploads the result on its next pass.
  void RequestResultUpload() { m_resultUploadDue = 1; }
  // Outcome detection read a successful bid back off the page.
  void RecordBidResult(const std::string& record) { m_bidResultText.set(record); }

  void reset() { m_resultUploadCount = 0; }
};

}  // namespace tavik
