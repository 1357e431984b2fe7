#pragma once
// The main parameters of the vendor's parameter service, read into one value before anything
// is applied. Every field is checked on its own: a field that is missing, malformed or out of
// its range is left empty (and named in `refused`), and the other fields still count. Pure
// functions on hostile text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/window_ref.h"

namespace tavik {

// Limits of the fields that name hosts and versions (the buffers they are kept in).
inline constexpr size_t kNtpServerChars = 19;
inline constexpr size_t kRelayHostChars = 19;
inline constexpr size_t kRelayHostCount = 5;
inline constexpr size_t kVersionChars = 19;
// Fields 7 and 18 carry pixel positions: anything farther than this from 0 is not one, and
// would overflow the position arithmetic of the page readers.
inline constexpr int32_t kMaxParamCoordinate = 10'000;

// Field 10: network time on with this server, or off.
struct NtpSetting {
  bool enabled = false;
  std::string server;  // when enabled: a host name or address of 6..19 characters
  friend bool operator==(const NtpSetting&, const NtpSetting&) = default;
};

// Field 19: the relay hosts.
struct RelayHostsSetting {
  std::string text;                // the field as sent: compared with the last one applied
  bool udpEnabled = false;         // 5 characters or more
  std::vector<std::string> hosts;  // its first five ";"-separated items, each a host name
  friend bool operator==(const RelayHostsSetting&, const RelayHostsSetting&) = default;
};

struct MainParams {
  std::optional<int32_t> m_netMode;              // 0: 1..9, any other number 0
  std::optional<int32_t> priceAreaX;             // 1: x of g_priceAreaAdjust, -49..50
  std::optional<int32_t> priceAreaY;             // 2: y of g_priceAreaAdjust
  std::optional<int32_t> anchorJjX;              // 3: x of g_anchorJjAdjust, -49..50
  std::optional<int32_t> anchorJjY;              // 4: y of g_anchorJjAdjust
  std::optional<int32_t> g_captchaDigits;        // 6: 2..10
  std::optional<Point> g_anchor201Adjust;        // 7: "x;y"
  std::optional<int32_t> m_pasteMode;            // 8: 0 or 1
  std::optional<int32_t> dataVersion;            // 9: the number - 100000, or -1 outside 0..19999
  std::optional<NtpSetting> ntp;                 // 10
  std::optional<int32_t> m_skipBidButtonCheck;   // 11: 0 or 1
  bool secondHalf = false;                       // 12: the number 1
  std::optional<int32_t> forceShift;             // 13: the number as sent
  std::optional<int32_t> m_ntpTrimMs;            // 14: -5000..5000
  std::optional<std::string> m_featureSwitches;  // 15: 10..20 printable characters
  std::optional<std::string> m_clientClass;      // 16: UTF-8, no control characters
  std::optional<int32_t> m_netPriceServer;       // 17: 1..3
  std::optional<Point> pageFocus;                // 18: "x;y", 6 characters or more
  std::optional<RelayHostsSetting> relayHosts;   // 19
  std::optional<std::string> latestVersion;      // 20: the text before "###919"
  // Fields that were sent but are malformed or out of range, by index.
  std::vector<int> refused;
  friend bool operator==(const MainParams&, const MainParams&) = default;
};

// A whole decimal number: optional blanks, an optional sign, 1..10 digits, optional blanks,
// within int32. Nothing for any other text (where C atoi would guess a number).
std::optional<int32_t> ParseParamNumber(std::string_view text);

// The main parameters in `fields` (the payload's fields in order, as SplitFields gives them;
// texts are the service's GBK bytes).
MainParams ParseMainParams(const std::vector<std::string>& fields);

}  // namespace tavik
