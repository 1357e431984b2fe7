#pragma once
// What must hold for any main-parameter reply whatever its content: the checks shared by the
// fuzz target and the corpus replay test. Returns the first broken promise, or an empty text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/host_names.h"
#include "net/main_params.h"
#include "net/reply_envelope.h"

namespace tavik::testing {

// A whole number as ParseParamNumber promises it: blanks, a sign, 1..10 digits, blanks, within
// int32; compared with a plain reading of the same rule.
inline std::string CheckParamNumber(std::string_view text) {
  const auto parsed = ParseParamNumber(text);
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  std::string_view core = text.substr(b, e - b);
  const bool negative = !core.empty() && core[0] == '-';
  if (!core.empty() && (core[0] == '-' || core[0] == '+')) core.remove_prefix(1);
  bool digits = !core.empty() && core.size() <= 10;
  int64_t value = 0;
  for (const char c : core) {
    if (c < '0' || c > '9') digits = false;
    if (digits) value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  const bool fits = digits && value >= INT32_MIN && value <= INT32_MAX;
  if (fits != parsed.has_value()) return "number accepted or refused against the rule";
  if (parsed && *parsed != value) return "number read wrong";
  return {};
}

inline bool Within(const std::optional<int32_t>& v, int32_t low, int32_t high) {
  return !v || (*v >= low && *v <= high);
}

inline bool Within(const std::optional<Point>& p) {
  return !p || (p->x >= -kMaxParamCoordinate && p->x <= kMaxParamCoordinate &&
                p->y >= -kMaxParamCoordinate && p->y <= kMaxParamCoordinate);
}

inline bool Printable(std::string_view text, bool allowHigh) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || (!allowHigh && u > 0x7F)) return false;
  }
  return true;
}

inline std::string CheckValues(const MainParams& p) {
  if (!Within(p.m_netMode, 0, 9)) return "net mode out of range";
  if (!Within(p.priceAreaX, -49, 50) || !Within(p.priceAreaY, -49, 50) ||
      !Within(p.anchorJjX, -49, 50) || !Within(p.anchorJjY, -49, 50))
    return "reading correction out of range";
  if (!Within(p.g_captchaDigits, 2, 10)) return "captcha length out of range";
  if (!Within(p.g_anchor201Adjust) || !Within(p.pageFocus)) return "position out of range";
  if (!Within(p.m_pasteMode, 0, 1) || !Within(p.m_skipBidButtonCheck, 0, 1))
    return "flag not 0 or 1";
  if (!Within(p.dataVersion, -1, 19999)) return "data version out of range";
  if (!Within(p.m_ntpTrimMs, -5000, 5000)) return "time trim out of range";
  if (!Within(p.m_netPriceServer, 1, 3)) return "price server out of range";
  if (p.ntp && p.ntp->enabled != IsHostName(p.ntp->server, kNtpServerChars))
    return "time server not a host name";
  if (p.ntp && p.ntp->enabled && p.ntp->server.size() <= 5) return "time server too short";
  if (p.m_featureSwitches &&
      (p.m_featureSwitches->size() < 10 || p.m_featureSwitches->size() > 20 ||
       !Printable(*p.m_featureSwitches, false)))
    return "feature switches malformed";
  if (p.m_clientClass && !Printable(*p.m_clientClass, true)) return "client class malformed";
  if (p.relayHosts) {
    if (p.relayHosts->hosts.size() > kRelayHostCount) return "too many relay hosts";
    for (const std::string& host : p.relayHosts->hosts)
      if (!IsHostName(host, kRelayHostChars)) return "relay host not a host name";
    if (p.relayHosts->udpEnabled != (p.relayHosts->text.size() >= 5)) return "relay switch wrong";
  }
  if (p.latestVersion && (p.latestVersion->empty() || p.latestVersion->size() > kVersionChars ||
                          !Printable(*p.latestVersion, false)))
    return "version malformed";
  return {};
}

// A refused field leaves its value empty: nothing of it is applied.
inline std::string CheckRefused(const MainParams& p, size_t fieldCount) {
  const auto empty = [&p](int index) {
    switch (index) {
      case 0:
        return !p.m_netMode;
      case 1:
        return !p.priceAreaX;
      case 2:
        return !p.priceAreaY;
      case 3:
        return !p.anchorJjX;
      case 4:
        return !p.anchorJjY;
      case 6:
        return !p.g_captchaDigits;
      case 7:
        return !p.g_anchor201Adjust;
      case 8:
        return !p.m_pasteMode;
      case 9:
        return !p.dataVersion;
      case 10:
        return !p.ntp;
      case 11:
        return !p.m_skipBidButtonCheck;
      case 12:
        return !p.secondHalf;
      case 13:
        return !p.forceShift;
      case 14:
        return !p.m_ntpTrimMs;
      case 15:
        return !p.m_featureSwitches;
      case 16:
        return !p.m_clientClass;
      case 17:
        return !p.m_netPriceServer;
      case 18:
        return !p.pageFocus;
      case 19:
        return !p.relayHosts;
      case 20:
        return !p.latestVersion;
      default:
        return false;  // fields 5 and 21.. are never refused
    }
  };
  int previous = -1;
  for (const int index : p.refused) {
    if (index <= previous || size_t(index) >= fieldCount) return "refused list out of order";
    if (!empty(index)) return "refused field still carries a value";
    previous = index;
  }
  return {};
}

inline std::string CheckMainParamsReply(std::string_view reply) {
  if (auto fault = CheckParamNumber(reply.substr(0, 24)); !fault.empty()) return fault;
  const auto fields = ParseMainParamsReply(reply);
  if (!fields) return {};
  const MainParams params = ParseMainParams(*fields);
  if (auto fault = CheckValues(params); !fault.empty()) return fault;
  if (auto fault = CheckRefused(params, fields->size()); !fault.empty()) return fault;
  if (!(ParseMainParams(*fields) == params)) return "parsing not deterministic";
  return {};
}

}  // namespace tavik::testing
