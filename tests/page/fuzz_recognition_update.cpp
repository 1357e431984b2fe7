// libFuzzer entry: any text through the recognition-update parser and the apply step. A broken
// promise (see update_invariants.h) aborts with its description; the sanitizers catch the rest.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "page/update_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view payload(reinterpret_cast<const char*>(data), size);
  const std::string fault = tavik::testing::CheckRecognitionUpdate(payload);
  if (!fault.empty()) {
    std::fprintf(stderr, "broken promise: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
