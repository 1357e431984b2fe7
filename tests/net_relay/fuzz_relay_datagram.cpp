// libFuzzer entry: any bytes as a relay reply, as a greeting, and as a stream of greetings to a
// small peer list. A broken promise (see relay_invariants.h) aborts with its description; the
// sanitizers catch the rest.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net_relay/relay_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string fault = tavik::testing::CheckRelayDatagram(bytes);
  if (!fault.empty()) {
    std::fprintf(stderr, "broken promise: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
