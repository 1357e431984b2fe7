#include "net/main_params.h"

#include <cstdint>

#include "core/gbk.h"
#include "net/host_names.h"
#include "net/reply_envelope.h"

namespace tavik {
namespace {

constexpr std::string_view kVersionMarker = "###919";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsPrintableAscii(std::string_view text) {
  for (const char c : text) {
    if (c < 0x21 || c > 0x7E) return false;
  }
  return true;
}

bool HasControlCharacter(std::string_view utf8) {
  for (const char c : utf8) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// Letters, digits, ".", "-" and "_": a version goes into the download page's address.
bool IsVersionText(std::string_view text) {
  if (text.empty() || text.size() > kVersionChars) return false;
  for (const char c : text) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alnum && c != '.' && c != '-' && c != '_') return false;
  }
  return true;
}

std::optional<int32_t> InRange(std::optional<int32_t> n, int32_t low, int32_t high) {
  if (n && *n >= low && *n <= high) return n;
  return std::nullopt;
}

// Two numbers joined by one ";", each within kMaxParamCoordinate of 0.
std::optional<Point> ParsePair(std::string_view text, size_t minChars) {
  if (text.size() < minChars) return std::nullopt;
  const size_t split = text.find(';');
  if (split == std::string_view::npos) return std::nullopt;
  const auto x =
      InRange(ParseParamNumber(text.substr(0, split)), -kMaxParamCoordinate, kMaxParamCoordinate);
  const auto y =
      InRange(ParseParamNumber(text.substr(split + 1)), -kMaxParamCoordinate, kMaxParamCoordinate);
  if (!x || !y) return std::nullopt;
  return Point{*x, *y};
}

std::optional<NtpSetting> ParseNtp(std::string_view text) {
  if (text.size() <= 5) return NtpSetting{};
  // A name cut to fit would be another host: too long is refused, not shortened.
  if (!IsHostName(text, kNtpServerChars)) return std::nullopt;
  return NtpSetting{true, std::string(text)};
}

std::optional<RelayHostsSetting> ParseRelayHosts(std::string_view text) {
  RelayHostsSetting relay{std::string(text), text.size() >= 5, {}};
  relay.hosts = SplitFields(text, ';', kRelayHostCount, kMainParamsFieldChars);
  for (const std::string& host : relay.hosts) {
    if (!IsHostName(host, kRelayHostChars)) return std::nullopt;
  }
  return relay;
}

std::optional<std::string> ParseLatestVersion(std::string_view text, bool& refused) {
  const size_t marker = text.find(kVersionMarker);
  if (marker == std::string_view::npos) return std::nullopt;
  const std::string_view version = text.substr(0, marker);
  if (!IsVersionText(version)) {
    refused = true;
    return std::nullopt;
  }
  return std::string(version);
}

// Reads field `index`; returns false when the field was sent and is not used.
bool ParseField(int index, std::string_view f, MainParams& p) {
  const auto number = [f] { return ParseParamNumber(f); };
  const auto ranged = [f](int32_t low, int32_t high) {
    return InRange(ParseParamNumber(f), low, high);
  };
  switch (index) {
    case 0:
      if (const auto n = number()) p.m_netMode = *n >= 1 && *n <= 9 ? *n : 0;
      return p.m_netMode.has_value();
    case 1:
      return (p.priceAreaX = ranged(-49, 50)).has_value();
    case 2:
      return (p.priceAreaY = ranged(-49, 50)).has_value();
    case 3:
      return (p.anchorJjX = ranged(-49, 50)).has_value();
    case 4:
      return (p.anchorJjY = ranged(-49, 50)).has_value();
    case 6:
      return (p.g_captchaDigits = ranged(2, 10)).has_value();
    case 7:
      return (p.g_anchor201Adjust = ParsePair(f, 3)).has_value();
    case 8:
      return (p.m_pasteMode = ranged(0, 1)).has_value();
    case 9:
      if (const auto n = number()) {
        const int64_t v = int64_t(*n) - 100000;
        p.dataVersion = v >= 0 && v <= 19999 ? int32_t(v) : -1;
      }
      return p.dataVersion.has_value();
    case 10:
      return (p.ntp = ParseNtp(f)).has_value();
    case 11:
      return (p.m_skipBidButtonCheck = ranged(0, 1)).has_value();
    case 12:
      p.secondHalf = number() == 1;
      return number().has_value();
    case 13:
      return (p.forceShift = number()).has_value();
    case 14:
      return (p.m_ntpTrimMs = ranged(-5000, 5000)).has_value();
    case 15:
      if (f.size() >= 10 && f.size() <= 20 && IsPrintableAscii(f)) p.m_featureSwitches = f;
      return p.m_featureSwitches.has_value();
    case 16: {
      std::string utf8 = gbkToUtf8(f);
      if (!HasControlCharacter(utf8)) p.m_clientClass = std::move(utf8);
      return p.m_clientClass.has_value();
    }
    case 17:
      return (p.m_netPriceServer = ranged(1, 3)).has_value();
    case 18:
      return (p.pageFocus = ParsePair(f, 6)).has_value();
    case 19:
      return (p.relayHosts = ParseRelayHosts(f)).has_value();
    case 20: {
      bool refused = false;
      p.latestVersion = ParseLatestVersion(f, refused);
      return !refused;
    }
    default:  // field 5 and fields 21 on carry nothing
      return true;
  }
}

}  // namespace

std::optional<int32_t> ParseParamNumber(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return int32_t(value);
}

MainParams ParseMainParams(const std::vector<std::string>& fields) {
  MainParams params;
  for (size_t i = 0; i < fields.size() && i < kMainParamsMaxFields; ++i) {
    if (!ParseField(int(i), fields[i], params)) params.refused.push_back(int(i));
  }
  return params;
}

}  // namespace tavik
