#pragma once
// Worker 4's poll of the main parameters (rps.php type=8): a little after Start, then every
// g_paramPeriod calls, in real mode. A reply is read into one MainParams value, and then each
// valid field is applied in field order: to the network layer's own state, and to every other
// owner through its named operations (RemoteTuning).

#include <optional>
#include <string>
#include <vector>

#include "core/atomic_int.h"
#include "core/lowest_price.h"
#include "core/packed_values.h"
#include "net/main_params.h"
#include "net/net_state.h"
#include "net/price_relay.h"
#include "net/recognition_download.h"
#include "net/server_choice.h"
#include "net/vendor_access.h"

namespace tavik {

// What a reply changes outside the network layer, each through its owner's named operation.
// The controller implements it over the owners (app/remote_tuning.h); tests record the calls.
class RemoteTuning {
 public:
  virtual ~RemoteTuning() = default;
  // page: the reading corrections (1-4, 7; a coordinate not sent keeps its value), the second
  // half (12), the anchor tried first (15), the pagefocus click point (18; returns whether it
  // changed).
  virtual void AdjustPriceArea(std::optional<int32_t> x, std::optional<int32_t> y) = 0;
  virtual void AdjustAnchorJj(std::optional<int32_t> x, std::optional<int32_t> y) = 0;
  virtual void AdjustAnchor201(Point adjust) = 0;
  virtual void EnterSecondHalf() = 0;
  virtual void PreferJjAnchor(bool jjFirst) = 0;
  virtual bool UpdatePageFocus(Point focus) = 0;
  // bidding: paste or type the price (8).
  virtual void SetPasteMode(int32_t mode) = 0;
  // clock: network time on with its server, or off (10); the trim added to offsets (14).
  virtual void ApplyNtpSetting(const NtpSetting& ntp) = 0;
  virtual void SetNtpTrim(int32_t ms) = 0;
  // app: the auction client's window class (16); a newer version announced (20).
  virtual void SetClientClass(const std::string& windowClass) = 0;
  virtual void AnnounceVersion(const std::string& version) = 0;
};

// What the poll reads and the network layer's own state it changes; everything else goes
// through `owners`.
struct MainParamsTargets {
  // m_netMode (0), g_captchaDigits (6), m_skipBidButtonCheck (11), m_forceShift (13),
  // m_featureSwitches (15); g_addmiao is sent with the request.
  NetState& net;
  // m_netPriceServer (17), the failure counts and the poll's pacing.
  ServerChoiceState& serverChoice;
  // The relay client (19): on when the field has 5 characters or more, and its host list.
  RelayState& relay;
  // Switch 2 of field 15 holds the lowest price at the warning price in the first half.
  LowestPrice& m_lowestPrice;
  const AtomicInt& m_warningPrice;
  // The remaining seconds pace the poll and gate switch 2; real mode gates the poll.
  const AtomicInt& m_remainSec;
  const AtomicInt& m_realMode;
  RemoteTuning& owners;
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
  void applyForceShift(int32_t sent);
  void applyFeatureSwitches(const std::string& switches);
  void applyRelayHosts(const RelayHostsSetting& relay);

  const VendorAccess& vendor_;
  MainParamsTargets t_;
  RecognitionDownloads& downloads_;
};

}  // namespace tavik
