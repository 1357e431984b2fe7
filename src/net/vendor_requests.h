#pragma once
// The vendor's request URLs: each server's base URL from the installation settings, and the
// path and query of every request kind. The query values are percent-encoded (see
// EncodeQueryValue), so that no value can end the query or add keys to it.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/config.h"
#include "platform/clock.h"

namespace tavik {

// The values most requests carry.
struct RequestValues {
  std::string m_bidNumber;      // lanmac: the user's bid number, empty when not set
  std::string m_pageBidNumber;  // lanreadmac: the bid number read off the page, or empty
  std::string m_localIp;        // lanip / ip: the machine's first IPv4 address, or empty
  std::string g_version;        // ver: the program's version text
  int32_t m_editionNo = 0;      // nb
  int32_t rnd = 0;              // see Rnd
};

// The random number of a request: the C library's generator (Microsoft's constants) seeded with
// the calendar time in whole seconds, first value drawn (0..32767). Requests formed within the
// same second carry the same number; the server needs no more than that.
int32_t RndForSecond(int64_t unixSeconds);
int32_t Rnd(Clock& clock);

// A query value as sent: the UTF-8 text converted to GBK, the text encoding of the vendor's
// service (and of our log), then every byte other than ASCII letters, digits and "-._~"
// written as %XX. Digits and dotted addresses come out unchanged; a space, "&", "=", "#" or
// "%" in a result text or a version can neither break the URL nor add a query key.
std::string EncodeQueryValue(std::string_view utf8);

// Price report, to each server's www name: mp.php type=5.
std::string PriceReportQuery(const RequestValues& v, int32_t price, int32_t remainSec);
// Network-price read: rps.php type=3.
std::string PriceReadQuery(const RequestValues& v);
// Main parameters: rps.php type=8; `addmiao` is 0 or 1.
std::string MainParamsQuery(const RequestValues& v, int32_t remainSec, int32_t addmiao);
// Result upload to server 1: rps.php type=9 with the result text (or the Enter log).
std::string ResultUploadQuery(const RequestValues& v, std::string_view result);
// Host address, to server 1's www name: bidip.php type=8.
std::string HostAddressQuery(const RequestValues& v);
// Recognition coordinates: rps.php type=12.
std::string RecognitionDataQuery(const RequestValues& v);
// Dictionary: rps.php type=14.
std::string DictionaryQuery(const RequestValues& v);

enum class VendorName { Base, Www };

// The URL of `pathAndQuery` on vendor server `server` (1..3; anything else is server 1) under
// its own or its www name.
std::string VendorUrl(const Config& config, int server, VendorName name,
                      std::string_view pathAndQuery);

}  // namespace tavik
