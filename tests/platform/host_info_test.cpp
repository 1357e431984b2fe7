#include "platform/host_info.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <net/if.h>

namespace tavik {
namespace {

bool HasExternalInterface() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (const ifaddrs* i = list; i; i = i->ifa_next)
    if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET && (i->ifa_flags & IFF_UP) &&
        !(i->ifa_flags & IFF_LOOPBACK))
      found = true;
  freeifaddrs(list);
  return found;
}

TEST(HostInfo, LocalAddressIsDottedAndNotLoopbackWhenTheMachineHasANetwork) {
  const std::string ip = localIpv4();
  if (ip.empty()) {
    EXPECT_FALSE(HasExternalInterface()) << "an interface is up, yet no address was found";
    return;
  }
  in_addr parsed{};
  ASSERT_EQ(inet_pton(AF_INET, ip.c_str(), &parsed), 1) << ip;
  if (HasExternalInterface()) {
    EXPECT_NE(ip.rfind("127.", 0), 0u) << ip;
  }
}

}  // namespace
}  // namespace tavik
