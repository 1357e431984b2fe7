#pragma once
#include <string>

namespace tavik {

// The machine's IPv4 address, dotted: the one its host name resolves to, or, when that is a
// loopback address, the first of a network interface that is up; empty when there is none.
std::string localIpv4();

}  // namespace tavik
