#include "core/fill_text.h"

namespace tavik {

std::string Fill(std::string_view format, std::initializer_list<int64_t> values) {
  std::string out;
  auto next = values.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd' && next != values.end()) {
      out += std::to_string(*next++);
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace tavik
