#include "log/logger.h"

namespace tavik {

void Logger::LogStatus(std::string_view text, bool withStatus) {
  if (!enabled()) return;
  if (text.size() > 1) file_.LogLine(text);
  if (withStatus && statusLine_) file_.LogLine(statusLine_());
}

}  // namespace tavik
