#include "platform/host_info.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace tavik {
namespace {

std::string dotted(const in_addr& addr) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &addr, text, sizeof text);
  return text;
}

bool isLoopback(const in_addr& addr) {
  return (ntohl(addr.s_addr) >> 24) == 127;
}

// The address the host's own name resolves to.
bool addressOfHostName(in_addr& out) {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* result = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &result) != 0 || !result) return false;
  out = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr;
  freeaddrinfo(result);
  return true;
}

// The first IPv4 address of an interface that is up and not the loopback.
bool addressOfInterface(in_addr& out) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (const ifaddrs* i = list; i && !found; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
    out = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
    found = true;
  }
  freeifaddrs(list);
  return found;
}

}  // namespace

std::string localIpv4() {
  // Many Linux hosts map their own name to a loopback address in /etc/hosts; the address that
  // tells this machine apart is then the one of its network interface.
  in_addr addr{};
  const bool named = addressOfHostName(addr);
  if (named && !isLoopback(addr)) return dotted(addr);
  in_addr external{};
  if (addressOfInterface(external)) return dotted(external);
  return named ? dotted(addr) : std::string();
}

}  // namespace tavik
