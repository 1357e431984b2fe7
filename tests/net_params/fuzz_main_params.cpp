// libFuzzer entry: any text as a main-parameter reply, read into its value field by field. A
// broken promise (see main_params_invariants.h) aborts with its description; the sanitizers
// catch the rest.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net_params/main_params_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string fault = tavik::testing::CheckMainParamsReply(text);
  if (!fault.empty()) {
    std::fprintf(stderr, "broken promise: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
