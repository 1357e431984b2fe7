#include <charconv>

#include "net/udp_transport.h"

namespace tavik {

std::string FormatIpv4(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::optional<uint32_t> ParseIpv4(const std::string& text) {
  uint32_t address = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (p == end || *p != '.') return std::nullopt;
      ++p;
    }
    if (p == end || *p < '0' || *p > '9') return std::nullopt;
    unsigned value = 0;
    const auto [next, ec] = std::from_chars(p, end, value);
    if (ec != std::errc() || value > 255 || next - p > 3) return std::nullopt;
    address = (address << 8) | value;
    p = next;
  }
  if (p != end) return std::nullopt;
  return address;
}

}  // namespace tavik
