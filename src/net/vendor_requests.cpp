#include "net/vendor_requests.h"

#include "core/gbk.h"

namespace tavik {
namespace {

bool unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// The query text from "key", value, "key", value, …; the first pair follows `path` after "?".
class Query {
 public:
  explicit Query(std::string_view path) : text_(path) {}
  Query& text(std::string_view key, std::string_view utf8) {
    return raw(key, EncodeQueryValue(utf8));
  }
  Query& number(std::string_view key, int32_t value) { return raw(key, std::to_string(value)); }
  std::string str() const { return text_; }

 private:
  Query& raw(std::string_view key, const std::string& value) {
    text_.append(first_ ? "?" : "&").append(key).append("=").append(value);
    first_ = false;
    return *this;
  }
  std::string text_;
  bool first_ = true;
};

}  // namespace

int32_t RndForSecond(int64_t unixSeconds) {
  const uint32_t next = uint32_t(unixSeconds) * 214013u + 2531011u;
  return int32_t((next >> 16) & 0x7FFF);
}

int32_t Rnd(Clock& clock) {
  const int64_t ms = clock.utcNowMs();
  return RndForSecond(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
}

std::string EncodeQueryValue(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : utf8ToGbk(utf8)) {
    const auto c = static_cast<unsigned char>(ch);
    if (unreserved(c)) {
      out.push_back(ch);
    } else {
      out.append({'%', kHex[c >> 4], kHex[c & 0xF]});
    }
  }
  return out;
}

std::string PriceReportQuery(const RequestValues& v, int32_t price, int32_t remainSec) {
  return Query("/mp.php")
      .number("type", 5)
      .text("lanmac", v.m_bidNumber)
      .text("ver", v.g_version)
      .text("ip", v.m_localIp)
      .number("price", price)
      .number("lastsec", remainSec)
      .number("rnd", v.rnd)
      .str();
}

std::string PriceReadQuery(const RequestValues& v) {
  return Query("/rps.php")
      .number("type", 3)
      .text("lanmac", v.m_bidNumber)
      .text("lanreadmac", v.m_pageBidNumber)
      .text("ver", v.g_version)
      .number("nb", v.m_editionNo)
      .number("rnd", v.rnd)
      .str();
}

std::string MainParamsQuery(const RequestValues& v, int32_t remainSec, int32_t addmiao) {
  return Query("/rps.php")
      .number("type", 8)
      .text("lanmac", v.m_bidNumber)
      .text("lanreadmac", v.m_pageBidNumber)
      .text("lanip", v.m_localIp)
      .text("ver", v.g_version)
      .number("nb", v.m_editionNo)
      .number("lastsec", remainSec)
      .number("addmiao", addmiao)
      .number("rnd", v.rnd)
      .str();
}

std::string ResultUploadQuery(const RequestValues& v, std::string_view result) {
  return Query("/rps.php")
      .number("type", 9)
      .text("lanmac", v.m_bidNumber)
      .text("ver", v.g_version)
      .text("result", result)
      .number("rnd", v.rnd)
      .str();
}

std::string HostAddressQuery(const RequestValues& v) {
  return Query("/bidip.php")
      .number("type", 8)
      .text("lanmac", v.m_bidNumber)
      .text("ver", v.g_version)
      .text("ip", v.m_localIp)
      .number("rnd", v.rnd)
      .str();
}

namespace {

std::string RecognitionQuery(const RequestValues& v, int32_t type) {
  return Query("/rps.php")
      .number("type", type)
      .text("lanmac", v.m_bidNumber)
      .text("lanip", v.m_localIp)
      .text("ver", v.g_version)
      .number("rnd", v.rnd)
      .str();
}

}  // namespace

std::string RecognitionDataQuery(const RequestValues& v) {
  return RecognitionQuery(v, 12);
}
std::string DictionaryQuery(const RequestValues& v) {
  return RecognitionQuery(v, 14);
}

std::string VendorUrl(const Config& config, int server, VendorName name,
                      std::string_view pathAndQuery) {
  const auto& bases = name == VendorName::Www ? config.vendorWwwServers : config.vendorServers;
  const size_t index = server == 2 || server == 3 ? size_t(server - 1) : 0;
  std::string url = index < bases.size() ? bases[index] : std::string();
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url.append(pathAndQuery);
}

}  // namespace tavik
