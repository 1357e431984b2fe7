#pragma once
// Worker 4's poll of the main parameters (rps.php type=8): a little after Start, then every
// g_paramPeriod calls, in real mode. A reply is read into one MainParams value, and then each
// valid field is applied in field order to its owner's state, which this layer reaches only
// through the references and callbacks of MainParamsTargets.

#include <functional>
#include <string>
#include <vector>

#include "core/atomic_int.h"
#include "core/guarded_text.h"
#include "core/lowest_price.h"
#include "core/packed_values.h"
#include "net/main_params.h"
#include "net/net_state.h"
#include "net/recognition_download.h"
#include "net/server_choice.h"
#include "net/vendor_access.h"

namespace tavik {

// Where the main parameters land. The controller wires every member once; the comment names
// the field that writes it.
struct MainParamsTargets {
  // net: m_netMode (0), g_captchaDigits (6), m_skipBidButtonCheck (11), m_forceShift (13),
  // m_featureSwitches (15); g_addmiao is sent with the request.
  NetState& net;
  // m_netPriceServer (17), the failure counts and the poll's pacing.
  ServerChoiceState& serverChoice;
  // page: the reading corrections (1-4, 7), the auction stage (12), the preferred anchor and
  // the lowest price (15).
  AtomicPoint& g_priceAreaAdjust;
  AtomicPoint& g_anchorJjAdjust;
  AtomicPoint& g_anchor201Adjust;
  AtomicInt& m_auctionStage;
  AtomicInt& g_preferJjAnchor;
  LowestPrice& m_lowestPrice;
  const AtomicInt& m_warningPrice;
  // bidding: paste or type the price (8).
  AtomicInt& m_pasteMode;
  // clock: network time (10, 14); the remaining seconds pace the poll and field 15.
  AtomicInt& m_ntpEnabled;
  GuardedText& m_ntpServer;
  AtomicInt& m_ntpTrimMs;
  const AtomicInt& m_remainSec;
  // app: real mode gates the poll; the auction client's window class (16); the announced
  // version that the 1 s tick compares with its own (20).
  const AtomicInt& m_realMode;
  GuardedText& m_clientClass;
  GuardedText& m_latestVersion;
  AtomicInt& m_updateNoticeDue;
  // relay client (19): on when the field has 5 characters or more, and its host list.
  AtomicInt& m_udpEnabled;
  // Replaces relay-host entries 1.. with `hosts` (at most five, in order) in one step; entries
  // after the last one keep their text.
  std::function<void(const std::vector<std::string>& hosts)> replaceRelayHosts;
  // The element table's pagefocus click point (18): stores it when it differs; returns whether
  // it changed.
  std::function<bool(Point)> updatePageFocus;
};

class MainParamsPoll {
 public:
  MainParamsPoll(const VendorAccess& vendor, MainParamsTargets targets,
                 RecognitionDownloads& downloads);

  // One call of worker 4 (every 100 ms while running).
  void FetchMainParams();
  // Applies the valid fields of `params`, in field order; `server` sent them.
  void ApplyMainParams(const MainParams& params, int server);

  // The relay-host field last applied (not reset by a run: the hosts it set stay).
  GuardedText m_relayHostsText;

 private:
  bool requestDue(int32_t remainSec) const;
  void applyDataVersion(int32_t v, int server);
  void applyNtp(const NtpSetting& ntp);
  void applyForceShift(int32_t sent);
  void applyFeatureSwitches(const std::string& switches);
  void applyRelayHosts(const RelayHostsSetting& relay);

  const VendorAccess& vendor_;
  MainParamsTargets t_;
  RecognitionDownloads& downloads_;
};

}  // namespace tavik
