#pragma once
#include <string>

namespace tavik {

// The first IPv4 address that the host's own name resolves to, dotted; empty when none.
std::string localIpv4();

}  // namespace tavik
