#include "service/vendor_service.h"

#include <charconv>
#include <iostream>

#include "core/file_names.h"

namespace tavik::service {
namespace {

constexpr size_t kMaxIdChars = 32;        // lanmac, lanreadmac, ver, ip, lanip
constexpr size_t kMaxResultBytes = 4096;  // a result record or an Enter log
constexpr size_t kMaxWebFileBytes = 1 << 20;

Reply BadRequest(std::string why) {
  return {400, "text/plain", "bad request: " + why + "\n"};
}

// The store could not answer (locked or failing): a client must read this as a failed request
// and not as an answer.
Reply StoreUnavailable() {
  return {503, "text/plain", "store unavailable\n"};
}

Reply Envelope(std::string_view payload) {
  return {200, "text/plain", "#AA" + std::string(payload) + "*AA"};
}

// The one value of `key`, when it is there once and at most `limit` bytes long.
enum class Found { Missing, Bad, Ok };
Found Value(const Params& params, const std::string& key, size_t limit, std::string& out) {
  const auto [first, last] = params.equal_range(key);
  if (first == last) return Found::Missing;
  if (std::next(first) != last || first->second.size() > limit) return Found::Bad;
  out = first->second;
  return Found::Ok;
}

// A whole decimal number within `low`..`high`, an optional "-" and at most ten digits.
std::optional<int64_t> Number(const Params& params, const std::string& key, int64_t low,
                              int64_t high) {
  std::string text;
  if (Value(params, key, 11, text) != Found::Ok || text.empty()) return std::nullopt;
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// The identifying values most requests carry; each optional, each bounded.
bool Ids(const Params& params, std::initializer_list<const char*> keys,
         std::vector<std::string>& out, std::string& bad) {
  for (const char* key : keys) {
    std::string value;
    if (Value(params, key, kMaxIdChars, value) == Found::Bad) {
      bad = key;
      return false;
    }
    out.push_back(value);
  }
  return true;
}

std::string ContentType(std::string_view name) {
  if (name.ends_with(".html")) return "text/html; charset=utf-8";
  if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
  if (name.ends_with(".css")) return "text/css; charset=utf-8";
  if (name.ends_with(".png")) return "image/png";
  return "application/octet-stream";
}

// Names of the web root's own files: letters, digits, "-", "_" and one "." before the type, so
// that no request reaches outside the folder.
bool WebFileName(std::string_view name) {
  const size_t dot = name.find('.');
  if (dot == 0 || dot == std::string_view::npos || name.size() > 64) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || (c == '.' && i == dot);
    if (!ok) return false;
  }
  const std::string_view type = name.substr(dot);
  return type == ".html" || type == ".js" || type == ".css" || type == ".png";
}

}  // namespace

std::optional<std::string> LoadEnvelopeFile(const std::string& path, size_t replyLimit,
                                            std::string& error) {
  std::string text;
  const FileRead read = ReadFileUtf8(path, replyLimit, text);
  if (read == FileRead::kTooLarge) {
    error = path + ": too large for its reply (" + std::to_string(replyLimit) + " characters)";
    return std::nullopt;
  }
  if (read != FileRead::kRead) {
    error = path + ": cannot be read";
    return std::nullopt;
  }
  size_t joined = 3 + 3;  // "#AA" and "*AA"
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '#' || c == '*' || ((u < 0x20 || u > 0x7E) && c != '\n' && c != '\r')) {
      error = path + ": holds a character that cannot travel in a reply";
      return std::nullopt;
    }
    joined += c == '\n' ? 4 : c == '\r' ? 0 : 1;
  }
  if (joined > replyLimit) {
    error = path + ": too large for its reply (" + std::to_string(replyLimit) + " characters)";
    return std::nullopt;
  }
  return text;
}

VendorService::VendorService(const ServiceConfig& config, ServiceStore& store, Clock& clock,
                             std::vector<std::string>& warnings)
    : config_(config), store_(store), clock_(clock), captchaSeed_(uint32_t(clock.utcNowMs()) | 1u) {
  std::string error;
  if (!config.coordinatesFile.empty()) {
    coordinates_ = LoadEnvelopeFile(config.coordinatesFile, kCoordinatesReplyLimit, error);
    if (!coordinates_) warnings.push_back(error);
  }
  if (!config.dictionaryFile.empty()) {
    dictionary_ = LoadEnvelopeFile(config.dictionaryFile, kDictionaryReplyLimit, error);
    if (!dictionary_) warnings.push_back(error);
  }
}

Reply VendorService::handle(std::string_view path, const Params& params) {
  if (path == "/mp.php") return priceReport(params);
  if (path == "/rps.php") return rps(params);
  if (path == "/bidip.php") return hostAddress(params);
  if (path.starts_with("/practice/")) return practice(path, params);
  if (path.starts_with("/download/")) {
    return {200, "text/html; charset=utf-8",
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>tavik</title></head>"
            "<body><p>This local service offers no downloads: build the new version from its "
            "source.</p></body></html>"};
  }
  if (path.size() > 1 && path.front() == '/' && path.find('/', 1) == std::string_view::npos &&
      WebFileName(path.substr(1))) {
    return staticFile(path.substr(1));
  }
  return {404, "text/plain", "not found\n"};
}

Reply VendorService::priceReport(const Params& params) {
  if (Number(params, "type", 0, 99) != 5) return BadRequest("type");
  std::vector<std::string> ids;
  std::string bad;
  if (!Ids(params, {"lanmac", "ver", "ip"}, ids, bad)) return BadRequest(bad);
  const auto price = Number(params, "price", 1, 999'999'999);
  const auto remain = Number(params, "lastsec", -99'999, 99'999);
  if (!price) return BadRequest("price");
  if (!remain) return BadRequest("lastsec");
  const PriceReport report{clock_.utcNowMs(), ids[0],          ids[1], ids[2],
                           int32_t(*price),   int32_t(*remain)};
  if (!store_.addPriceReport(report)) return StoreUnavailable();
  return Envelope("ok");
}

Reply VendorService::rps(const Params& params) {
  const auto type = Number(params, "type", 0, 99);
  std::vector<std::string> ids;
  std::string bad;
  if (!Ids(params, {"lanmac", "lanreadmac", "lanip", "ver"}, ids, bad)) return BadRequest(bad);
  switch (type.value_or(-1)) {
    case 3: {
      const PriceLookup lookup = store_.freshestPrice(clock_.utcNowMs() - kAuctionLengthMs);
      if (!lookup.answered) return StoreUnavailable();
      return Envelope("price," + std::to_string(lookup.price.value_or(0)));
    }
    case 8: {
      std::string payload;
      for (const std::string& field : config_.mainParams) {
        payload.append(payload.empty() ? "" : ",").append(field);
      }
      return Envelope(payload);
    }
    case 9: {
      std::string result;
      if (Value(params, "result", kMaxResultBytes, result) != Found::Ok) {
        return BadRequest("result");
      }
      if (!store_.addResult({clock_.utcNowMs(), ids[0], ids[3], result})) {
        return StoreUnavailable();
      }
      return Envelope("ok");
    }
    case 12:
      if (coordinates_) return Envelope(*coordinates_);
      return {200, "text/plain", "no recognition data\n"};
    case 14:
      if (dictionary_) return Envelope(*dictionary_);
      return {200, "text/plain", "no dictionary\n"};
    default:
      return BadRequest("type");
  }
}

Reply VendorService::hostAddress(const Params& params) {
  if (Number(params, "type", 0, 99) != 8) return BadRequest("type");
  std::vector<std::string> ids;
  std::string bad;
  if (!Ids(params, {"lanmac", "ver", "ip"}, ids, bad)) return BadRequest(bad);
  return {200, "text/plain", config_.hostAddress + "\r\n"};
}

// The practice page asks for a new captcha when its box comes up (new=1), the played user reads
// it; the page records every OK click, the test reads the record back, one line a click.
Reply VendorService::practice(std::string_view path, const Params& params) {
  std::lock_guard lock(practiceMutex_);
  if (path == "/practice/captcha") {
    if (params.count("new") != 0) {
      captchaSeed_ = captchaSeed_ * 1103515245u + 12345u;
      captcha_ = std::to_string(1000 + (captchaSeed_ >> 8) % 9000);
    }
    return {200, "text/plain", captcha_};
  }
  if (path == "/practice/bid") {
    std::string line;
    for (const char* key : {"price", "time", "lowest", "accepted", "reason", "latencyMs"}) {
      std::string value;
      if (Value(params, key, kMaxIdChars, value) != Found::Ok) return BadRequest(key);
      for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == ',') return BadRequest(key);
      }
      line.append(line.empty() ? "" : " ").append(key).append("=").append(value);
    }
    practiceRecord_.push_back(std::move(line));
    if (practiceRecord_.size() > kPracticeRecordSize) practiceRecord_.pop_front();
    std::cerr << "tavik-service: practice bid " << practiceRecord_.back() << "\n";
    return {200, "text/plain", "ok\n"};
  }
  if (path == "/practice/record") {
    std::string body;
    for (const std::string& line : practiceRecord_) body.append(line).append("\n");
    return {200, "text/plain", body};
  }
  return {404, "text/plain", "not found\n"};
}

Reply VendorService::staticFile(std::string_view name) {
  if (config_.webRoot.empty()) return {404, "text/plain", "not found\n"};
  std::string body;
  const FileRead read =
      ReadFileUtf8(config_.webRoot + "/" + std::string(name), kMaxWebFileBytes, body);
  if (read == FileRead::kTooLarge) return {500, "text/plain", "file too large\n"};
  if (read != FileRead::kRead) return {404, "text/plain", "not found\n"};
  return {200, ContentType(name), std::move(body)};
}

}  // namespace tavik::service
