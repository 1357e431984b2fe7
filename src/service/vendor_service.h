#pragma once
// The answers of the local vendor service, apart from any HTTP library: a request is its path
// and its decoded query keys, a reply a status, a content type and a body. Every request the
// assistant sends is answered in the vendor's formats (a payload between "#AA" and "*AA");
// anything else gets a plain 400 or 404. Query values are hostile: each is bounded and checked
// before anything is stored.

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "service/service_config.h"
#include "service/service_store.h"

namespace tavik::service {

using Params = std::multimap<std::string, std::string>;

struct Reply {
  int status = 200;
  std::string contentType = "text/plain";
  std::string body;
};

// A price read gives the freshest report of the current auction: reports older than this
// belong to an earlier one.
inline constexpr int64_t kAuctionLengthMs = 3600 * 1000;

// The reply limits of the assistant's downloads: the envelope must end within this many
// characters of the body as its HTTP client joins the lines ("/r/n" for each line break).
inline constexpr size_t kCoordinatesReplyLimit = 9000;
inline constexpr size_t kDictionaryReplyLimit = 15000;

// A recognition file as the service sends it, or nothing (with a message in `error`) when it
// cannot be read, holds a "/", "#" or "*" (which would end or garble the envelope or the line
// joins on the way) or a byte outside printable ASCII and line breaks, or would end beyond
// `replyLimit` characters once joined.
std::optional<std::string> LoadEnvelopeFile(const std::string& path, size_t replyLimit,
                                            std::string& error);

// What the practice page shares with the played user and the end-to-end test: the captcha it
// shows, and its own record of every OK click (kept to the last kPracticeRecordSize).
inline constexpr size_t kPracticeRecordSize = 100;

class VendorService {
 public:
  // Reads the recognition files named in `config`; a file that cannot be sent is reported in
  // `warnings` and its request is answered without an envelope.
  VendorService(const ServiceConfig& config, ServiceStore& store, Clock& clock,
                std::vector<std::string>& warnings);

  Reply handle(std::string_view path, const Params& params);

 private:
  Reply priceReport(const Params& params);
  Reply rps(const Params& params);
  Reply hostAddress(const Params& params);
  Reply staticFile(std::string_view name);
  Reply practice(std::string_view path, const Params& params);

  const ServiceConfig& config_;
  ServiceStore& store_;
  Clock& clock_;
  std::optional<std::string> coordinates_;
  std::optional<std::string> dictionary_;
  std::mutex practiceMutex_;
  std::string captcha_;
  std::deque<std::string> practiceRecord_;
  uint32_t captchaSeed_;
};

}  // namespace tavik::service
