#pragma once
// The hosts-file command (button 1111): asks vendor server 1 (www name, bidip.php type=8) for
// the address of the vendor's bidding host, pins our own requests to that host to it, and maps
// the host to it in the hosts file. The reply is trusted with nothing but one well-formed IPv4
// address; the hosts file keeps every other line byte for byte, is replaced whole through a
// temporary file, and its previous content stays beside it as a backup.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "net/http_transport.h"
#include "net/vendor_access.h"

namespace tavik {

// A hosts file larger than this is not one we rewrite.
inline constexpr size_t kMaxHostsFileBytes = size_t{4} << 20;
// Appended to the hosts file's path for the copy of its previous content.
inline constexpr const char* kHostsBackupSuffix = ".tavik-backup";

struct HostMappingResult {
  enum class Outcome {
    Mapped,         // the hosts file now maps the host to `address`
    AlreadyMapped,  // it did already; nothing written
    NoAddress,      // the reply named no address (empty, or too short)
    Refused,        // the reply, or the configured host name, is not well-formed
    NotWritten,     // the hosts file could not be read or replaced: `userMessage` says what to do
  };
  Outcome outcome = Outcome::NoAddress;
  std::string address;      // the address received, when well-formed
  std::string userMessage;  // for the user (UTF-8); empty unless the user has to act
};

// The address in a host-address reply (the body with its "/r/n" line joins): one IPv4
// address, blanks around it and empty lines after it allowed. Otherwise nothing, with the
// reason in `why` (empty for a reply that names no address at all).
std::optional<std::string> ParseHostAddressReply(std::string_view reply, std::string& why);

// `hosts` with `host` mapped to `address` alone: every line that maps the host loses that
// name (a line left without names goes), every other line stays as it is, and the line
// "address host" is added at the end with the file's own line break.
std::string MapHostInHostsText(std::string_view hosts, std::string_view host,
                               std::string_view address);

// MapVendorHost: the request, the pin on `transport`, and the hosts file of
// `vendor.config.hostsFile` for `vendor.config.vendorBidHost`. Blocks for one request.
HostMappingResult MapVendorHost(const VendorAccess& vendor, HttpTransport& transport);

}  // namespace tavik
