#include "service/service_log.h"

namespace tavik::service {

std::string EscapeForLog(std::string_view text, size_t limit) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  const std::string_view kept = text.substr(0, limit);
  for (const char c : kept) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (u >= 0x20 && u < 0x7F) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    }
  }
  if (text.size() > kept.size()) {
    out += "...(+" + std::to_string(text.size() - kept.size()) + " bytes)";
  }
  return out;
}

void ServiceLog::note(std::string_view text) {
  std::lock_guard lock(mutex_);
  out_ << "tavik-service: " << text << std::endl;
}

void ServiceLog::refused(int status, std::string_view target) {
  std::lock_guard lock(mutex_);
  const uint32_t now = clock_.tickCountMs();
  const auto it = stretches_.find(status);
  if (it != stretches_.end() && int32_t(now - it->second.startMs) < kRepeatWindowMs) {
    ++it->second.more;
    return;
  }
  if (it != stretches_.end()) closeStretch(status, it->second);
  stretches_[status] = {now, 0};
  out_ << "tavik-service: " << status << " " << EscapeForLog(target) << std::endl;
}

void ServiceLog::tick() {
  std::lock_guard lock(mutex_);
  const uint32_t now = clock_.tickCountMs();
  for (auto it = stretches_.begin(); it != stretches_.end();) {
    if (int32_t(now - it->second.startMs) < kRepeatWindowMs) {
      ++it;
      continue;
    }
    closeStretch(it->first, it->second);
    it = stretches_.erase(it);
  }
}

void ServiceLog::closeStretch(int status, const Stretch& stretch) {
  if (stretch.more == 0) return;
  out_ << "tavik-service: " << status << " x" << stretch.more << " more in "
       << kRepeatWindowMs / 1000 << " s" << std::endl;
}

}  // namespace tavik::service
