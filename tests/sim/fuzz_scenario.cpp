// libFuzzer entry: any text through the scenario reader. It must give a scenario or an error
// that names where the problem is, and never crash; the sanitizers catch the rest.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto r = tavik::ParseScenario(text, "/nonexistent");
  if (const auto* e = std::get_if<tavik::ScenarioError>(&r); e && e->message.empty()) {
    std::fprintf(stderr, "broken promise: an error without a message\n");
    std::abort();
  }
  return 0;
}
