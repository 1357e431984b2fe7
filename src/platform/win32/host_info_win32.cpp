#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h, which must come before windows.h.
#include <iphlpapi.h>

#include <vector>

#include "platform/host_info.h"

namespace tavik {
namespace {

struct WinsockSession {
  bool ok;
  WinsockSession() {
    WSADATA data;
    ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (ok) WSACleanup();
  }
};

std::string dotted(const in_addr& addr) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &addr, text, sizeof text);
  return text;
}

bool isLoopback(const in_addr& addr) {
  return (ntohl(addr.s_addr) >> 24) == 127;
}

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

// The first IPv4 address of an adapter that is up and not the loopback.
bool addressOfAdapter(in_addr& out) {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  if (GetAdaptersAddresses(AF_INET, flags, nullptr, list, &size) == ERROR_BUFFER_OVERFLOW) {
    buffer.resize(size);
    list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
  }
  if (GetAdaptersAddresses(AF_INET, flags, nullptr, list, &size) != NO_ERROR) return false;
  for (const IP_ADAPTER_ADDRESSES* a = list; a; a = a->Next) {
    if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u; u = u->Next) {
      const sockaddr* sa = u->Address.lpSockaddr;
      if (!sa || sa->sa_family != AF_INET) continue;
      out = reinterpret_cast<const sockaddr_in*>(sa)->sin_addr;
      if (!isLoopback(out)) return true;
    }
  }
  return false;
}

}  // namespace

std::string localIpv4() {
  WinsockSession session;
  if (!session.ok) return {};
  in_addr addr{};
  const bool named = addressOfHostName(addr);
  if (named && !isLoopback(addr)) return dotted(addr);
  in_addr external{};
  if (addressOfAdapter(external)) return dotted(external);
  return named ? dotted(addr) : std::string();
}

}  // namespace tavik
