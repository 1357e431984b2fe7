#pragma once
// What counts as a host name or an IPv4 address in a vendor reply. Names from the network go
// to the resolver, into the hosts file and into log lines, so only plain DNS names and dotted
// addresses pass.

#include <cstddef>
#include <string_view>

namespace tavik {

// An IPv4 address in dotted-decimal form: four numbers 0..255 of one to three digits, without
// leading zeros (which some resolvers read as octal), nothing else.
inline bool IsIpv4Address(std::string_view text) {
  int parts = 0;
  while (true) {
    size_t digits = 0;
    int value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' && digits < 4) {
      value = value * 10 + (text[digits] - '0');
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[0] == '0')) return false;
    text.remove_prefix(digits);
    if (++parts == 4) return text.empty();
    if (text.empty() || text[0] != '.') return false;
    text.remove_prefix(1);
  }
}

// A DNS name (or a dotted address) of at most `maxChars` characters: labels of 1..63 ASCII
// letters, digits and hyphens, not starting or ending with a hyphen, joined by single dots.
inline bool IsHostName(std::string_view text, size_t maxChars) {
  if (text.empty() || text.size() > maxChars) return false;
  size_t label = 0;
  char previous = '.';
  for (const char c : text) {
    if (c == '.') {
      if (label == 0 || previous == '-') return false;
      label = 0;
    } else {
      const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      if (!alnum && !(c == '-' && label > 0)) return false;
      if (++label > 63) return false;
    }
    previous = c;
  }
  return label > 0 && previous != '-';
}

}  // namespace tavik
