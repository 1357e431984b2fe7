#include "service/service_config.h"

#include "service/service_store.h"

#include <charconv>
#include <sstream>

#include "core/file_names.h"

namespace tavik::service {
namespace {

// A settings file is a few lines; anything larger is not one.
constexpr size_t kMaxFileBytes = 64 * 1024;
constexpr size_t kMaxParamChars = 199;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// Four dotted decimal numbers, as far as a settings file needs to tell: 7..15 digits and dots.
bool IsDottedAddress(std::string_view text) {
  return text.size() >= 7 && text.size() <= 15 &&
         text.find_first_not_of("0123456789.") == std::string_view::npos;
}

bool ParseInt(std::string_view text, int low, int high, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return false;
  }
  out = value;
  return true;
}

// A main-parameter field must survive the trip as one field: not empty (an empty field would
// move every later one), no "," (the separator), no envelope marker, no control character.
bool ValidParam(std::string_view text) {
  if (text.empty() || text.size() > kMaxParamChars) return false;
  if (text.find(',') != std::string_view::npos || text.find("#AA") != std::string_view::npos ||
      text.find("*AA") != std::string_view::npos) {
    return false;
  }
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string Resolve(const std::string& folder, std::string_view name) {
  // A path from the root ("/srv/web"; on Windows "C:\\web" or "\\web" too) is taken as it is.
  if (name.empty() || name == kMemoryDatabase || PathFromUtf8(name).has_root_directory()) {
    return std::string(name);
  }
  return folder + std::string(name);
}

// The folder of `path` with a separator after it ("" for a bare file name).
std::string FolderOf(const std::string& path) {
  const std::string parent = Utf8FromPath(PathFromUtf8(path).parent_path());
  return parent.empty() ? "" : parent + "/";
}

}  // namespace

bool ServiceConfig::load(const std::string& path, std::vector<std::string>& errors) {
  std::string text;
  switch (ReadFileUtf8(path, kMaxFileBytes, text)) {
    case FileRead::kRead:
      break;
    case FileRead::kTooLarge:
      errors.push_back(path + ": larger than 64 KiB");
      return false;
    default:
      errors.push_back(path + ": cannot be read");
      return false;
  }
  const std::string folder = FolderOf(path);

  ServiceConfig next = *this;
  // Notepad saves UTF-8 with a byte-order mark.
  std::istringstream lines{std::string(WithoutByteOrderMark(text))};
  std::string raw;
  for (int number = 1; std::getline(lines, raw); ++number) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') continue;
    const size_t eq = line.find('=');
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (eq == std::string_view::npos) {
      errors.push_back(where + "no \"=\"");
      continue;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    bool ok = true;
    int index = -1;
    if (key == "port") {
      ok = ParseInt(value, 0, 65535, next.port);
    } else if (key == "database") {
      next.database =
          IsPostgresUri(std::string(value)) ? std::string(value) : Resolve(folder, value);
      ok = !value.empty();
    } else if (key == "web_root") {
      next.webRoot = Resolve(folder, value);
    } else if (key == "coordinates_file") {
      next.coordinatesFile = Resolve(folder, value);
    } else if (key == "dictionary_file") {
      next.dictionaryFile = Resolve(folder, value);
    } else if (key == "host_address") {
      next.hostAddress = std::string(value);
      ok = IsDottedAddress(value);
    } else if (key == "listen_address") {
      next.listenAddress = std::string(value);
      ok = IsDottedAddress(value);
    } else if (key == "max_stored_rows") {
      ok = ParseInt(value, 1, 10'000'000, next.maxStoredRows);
    } else if (key == "workers") {
      ok = ParseInt(value, 1, 256, next.workers);
    } else if (key == "max_queued") {
      ok = ParseInt(value, 0, 100'000, next.maxQueued);
    } else if (key == "max_connections") {
      ok = ParseInt(value, 1, 100'000, next.maxConnections);
    } else if (key == "max_connections_per_address") {
      ok = ParseInt(value, 1, 100'000, next.maxConnectionsPerAddress);
    } else if (key.starts_with("param_") &&
               ParseInt(key.substr(6), 0, int(kMainParamFields) - 1, index)) {
      next.mainParams[size_t(index)] = std::string(value);
      ok = ValidParam(value);
    } else {
      errors.push_back(where + "unknown key \"" + std::string(key) + "\"");
      continue;
    }
    if (!ok) errors.push_back(where + "bad value for \"" + std::string(key) + "\"");
  }
  if (!errors.empty()) return false;
  *this = std::move(next);
  return true;
}

}  // namespace tavik::service
