// libFuzzer entry: any text through the reply parsers (line joins, envelope at every request's
// limit, fields) and the query encoding. A broken promise (see reply_invariants.h) aborts with
// its description; the sanitizers catch the rest.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/reply_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string fault = tavik::testing::CheckReplyText(text);
  if (!fault.empty()) {
    std::fprintf(stderr, "broken promise: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
