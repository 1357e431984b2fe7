#include "platform/host_info.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace tavik {

std::string localIpv4() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* result = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &result) != 0 || !result) return {};
  char text[INET_ADDRSTRLEN] = {};
  const auto* addr = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
  inet_ntop(AF_INET, &addr->sin_addr, text, sizeof text);
  freeaddrinfo(result);
  return text;
}

}  // namespace tavik
