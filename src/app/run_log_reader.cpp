#include "app/run_log_reader.h"

#include <algorithm>
#include <climits>

#include "app/status_model.h"

namespace tavik {

namespace {

// "YYYY-mm-dd HH:MM:SS---": the stamp and the separator of every log line.
constexpr size_t kStampBytes = 19;
constexpr std::string_view kSeparator = "---";
// The auction clock counts at most this many seconds down (m_remainSec).
constexpr int32_t kMaxRemainSec = 4799;

// The lines of the assistant's log that mark a step of a bid, by a part of their text.
struct TextMark {
  std::string_view part;
  const char* kind;
};
constexpr TextMark kTextMarks[] = {
    {"出价,叫验证码完成***", "bid_button"},  // the second or third bid entered
    {"***补救出价***", "bid_button"},        // the remedy bid entered
    {"***验证码框跳出***", "captcha_shown"},
    {"***回车确认***", "enter"},
    {"**准备点击确认出价", "ok_clicked"},
    {"***取消验证码框,A方法", "cancel_clicked"},
    // The first bid's success is only the page's count seen at a run's start.
    {"***第2次出价成功***", "bid_accepted"},
    {"***第3次出价成功***", "bid_accepted"},
    {"***找到信息提示窗口***", "info_window"},
    {"***20次没找到验证码框***", "no_captcha"},
};
// The page locator found the page's origin.
constexpr std::string_view kPageLocated = "主窗口位置信息变化";
constexpr std::string_view kNetTimeSynced = "读取NTP-S1网络时间成功";
constexpr std::string_view kNetTimeFailures[] = {"读取网络服务器时间失败", "NTP网络时间错误"};

// "剩余时间:", the status line's text up to its first value.
std::string_view StatusPrefix() {
  const std::string_view format = kStatusLineFormat;
  return format.substr(0, format.find('%'));
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// A decimal integer of at most nine digits, with an optional minus: no value of the log
// needs more, and nothing longer can overflow.
std::optional<int32_t> TakeInt(std::string_view& text) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  int64_t value = 0;
  const size_t first = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - first < 9)
    value = value * 10 + (text[i++] - '0');
  if (i == first || (i < text.size() && text[i] >= '0' && text[i] <= '9')) return std::nullopt;
  text.remove_prefix(i);
  return int32_t(negative ? -value : value);
}

int Digits(std::string_view text, size_t at, size_t count) {
  int value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

const char* KindOf(std::string_view text) {
  for (const TextMark& m : kTextMarks)
    if (Contains(text, m.part)) return m.kind;
  return nullptr;
}

// Walks the log line by line and keeps what the timeline needs between lines.
class TimelineBuilder {
 public:
  explicit TimelineBuilder(int64_t endMs) : endMs_(endMs) {}

  void line(std::string_view raw) {
    ++t_.lines;
    if (raw.size() > kMaxLogLineBytes) return skip();
    const std::optional<LogLineParts> parts = ParseLogLine(raw);
    if (!parts) return skip();
    if (const auto status = ParseStatusLine(parts->text))
      return this->status(parts->stampMs, *status);
    if (parts->text.starts_with(StatusPrefix())) return skip();  // a broken status line
    text(parts->stampMs, parts->text);
  }

  RunTimeline finish() {
    flushPending(std::nullopt);
    std::stable_sort(t_.events.begin(), t_.events.end(),
                     [](const ChartEvent& a, const ChartEvent& b) { return a.ms < b.ms; });
    if (statusTimes_ > 0 && endMs_ > 0) t_.machineAheadMs = {low_, high_};
    return std::move(t_);
  }

 private:
  struct Pending {
    int64_t stampMs;
    const char* kind;
    std::string text;
  };

  void skip() { ++t_.skipped; }

  void text(int64_t stampMs, std::string_view text) {
    if (Contains(text, kPageLocated)) t_.pageFound = true;
    if (Contains(text, kNetTimeSynced)) t_.netTimeSynced = true;
    for (std::string_view failure : kNetTimeFailures)
      if (Contains(text, failure)) ++t_.netTimeFailures;
    const char* kind = KindOf(text);
    if (!kind) return;
    // The status line the same call writes comes next and gives the event its time; a line of
    // another thread may fall between.
    if (pending_.size() >= kMaxPending) flushPending(std::nullopt);
    pending_.push_back({stampMs, kind, std::string(text)});
  }

  void status(int64_t stampMs, const StatusFields& s) {
    const std::optional<int64_t> at = timeOf(stampMs, s);
    if (at) {
      // The stamp is the machine's whole second; the auction clock's time lies within it.
      low_ = std::max(low_, stampMs - *at);
      high_ = std::min(high_, stampMs + 1000 - *at);
      ++statusTimes_;
      lastTime_ = {stampMs, *at};
    }
    flushPending(Moment{stampMs, at, s});
    const int64_t ms = at.value_or(estimate(stampMs));
    if (s.lowestPrice != lowest_ && s.lowestPrice > 0) {
      lowest_ = s.lowestPrice;
      add(ms, "lowest_price", s.lowestPrice, "当前最低成交价=" + std::to_string(s.lowestPrice));
    }
    if (captchaState_ == 1 && s.captchaState == 0) add(ms, "captcha_gone", 0, "验证码框消失");
    captchaState_ = s.captchaState;
    last_ = s;
    seen(ms);
  }

  struct Moment {
    int64_t stampMs;
    std::optional<int64_t> at;
    StatusFields status;
  };

  // Events wait for the next status line; without one in the same second they are placed by
  // their stamps, after the last status line's time.
  void flushPending(const std::optional<Moment>& next) {
    for (const Pending& p : pending_) {
      const bool same = next && next->at && next->stampMs - p.stampMs <= 1000;
      const int64_t ms = same ? *next->at : estimate(p.stampMs);
      const StatusFields& s = same ? next->status : last_;
      int32_t price = 0;
      const std::string_view kind = p.kind;
      if (kind == "bid_button" || kind == "ok_clicked" || kind == "cancel_clicked" ||
          kind == "captcha_shown")
        price = s.myPrice;
      else if (kind == "bid_accepted")  // the bid confirmed; its record follows the line
        price = s.myPrice > 0 ? s.myPrice : s.submittedPrice;
      add(ms, p.kind, price, p.text);
      seen(ms);
    }
    pending_.clear();
  }

  std::optional<int64_t> timeOf(int64_t stampMs, const StatusFields& s) const {
    if (endMs_ <= 0) return stampMs;
    if (s.remainSec <= 0) return std::nullopt;  // the clock had no value yet
    return endMs_ - (int64_t(s.remainSec) * 1000 - int64_t(s.tenths) * 100);
  }

  // A time for a line without its own status line: its stamp on the auction clock as the last
  // status line related them, or the stamp itself.
  int64_t estimate(int64_t stampMs) const {
    if (!lastTime_) return stampMs;
    return lastTime_->second + std::max<int64_t>(0, stampMs - lastTime_->first);
  }

  void add(int64_t ms, const char* kind, int32_t price, std::string title) {
    if (t_.events.size() >= kMaxEvents) return;
    t_.events.push_back({ms, kind, price, price > 0, "", std::move(title)});
  }

  void seen(int64_t ms) {
    if (t_.firstMs < 0 || ms < t_.firstMs) t_.firstMs = ms;
    t_.lastMs = std::max(t_.lastMs, ms);
  }

  static constexpr size_t kMaxPending = 64;
  // A run's last hour has a few thousand price steps at most; the chart needs no more.
  static constexpr size_t kMaxEvents = 100'000;

  const int64_t endMs_;
  RunTimeline t_;
  std::vector<Pending> pending_;
  StatusFields last_;
  std::optional<std::pair<int64_t, int64_t>> lastTime_;  // stamp, auction clock
  int32_t lowest_ = 0;
  int32_t captchaState_ = 0;
  int64_t low_ = INT64_MIN / 4, high_ = INT64_MAX / 4;
  size_t statusTimes_ = 0;
};

}  // namespace

std::optional<StatusFields> ParseStatusLine(std::string_view text) {
  int32_t values[kStatusLineFields] = {};
  int field = 0;
  for (std::string_view format = kStatusLineFormat; !format.empty();) {
    if (format.substr(0, 2) == "%d") {
      const std::optional<int32_t> v = TakeInt(text);
      if (!v || field >= kStatusLineFields) return std::nullopt;
      values[field++] = *v;
      format.remove_prefix(2);
    } else {
      if (text.empty() || text[0] != format[0]) return std::nullopt;
      text.remove_prefix(1);
      format.remove_prefix(1);
    }
  }
  if (!text.empty() || field != kStatusLineFields) return std::nullopt;
  const StatusFields s{values[0], values[1], values[2], values[3], values[4],
                       values[5], values[6], values[7], values[8]};
  if (s.remainSec < 0 || s.remainSec > kMaxRemainSec || s.tenths < 0 || s.tenths > 9 ||
      s.lowestPrice < 0 || s.myPrice < 0 || s.submittedPrice < 0)
    return std::nullopt;
  return s;
}

std::optional<LogLineParts> ParseLogLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() < kStampBytes + kSeparator.size() ||
      line.substr(kStampBytes, kSeparator.size()) != kSeparator)
    return std::nullopt;
  if (line[4] != '-' || line[7] != '-' || line[10] != ' ' || line[13] != ':' || line[16] != ':')
    return std::nullopt;
  const int year = Digits(line, 0, 4), month = Digits(line, 5, 2), day = Digits(line, 8, 2);
  const int hour = Digits(line, 11, 2), minute = Digits(line, 14, 2), second = Digits(line, 17, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 60)
    return std::nullopt;
  return LogLineParts{(int64_t(hour) * 3600 + minute * 60 + second) * 1000,
                      line.substr(kStampBytes + kSeparator.size())};
}

RunTimeline ReadRunLog(std::string_view log, int64_t endMs) {
  TimelineBuilder builder(endMs);
  while (!log.empty()) {
    const size_t end = log.find('\n');
    builder.line(log.substr(0, end));
    if (end == std::string_view::npos) break;
    log.remove_prefix(end + 1);
  }
  return builder.finish();
}

void AddRecording(RunTimeline& t, const std::vector<std::string>& names, const std::string& dirUrl,
                  int64_t endMs) {
  size_t looked = 0;
  for (const std::string& name : names) {
    if (++looked > kMaxRecordingFiles) break;
    std::string_view rest = name;
    std::optional<int32_t> sec, fifth;
    if (rest.substr(0, 4) == "img_") {
      rest.remove_prefix(4);
      sec = TakeInt(rest);
      if (sec && !rest.empty() && rest[0] == '_') {
        rest.remove_prefix(1);
        fifth = TakeInt(rest);
      }
    }
    if (!sec || !fifth || rest != ".bmp" || *sec < 1 || *sec > 59 || *fifth < 0 || *fifth > 4) {
      ++t.skippedFiles;
      continue;
    }
    ++t.screenshots;
    if (endMs <= 0) continue;
    // Named by the seconds left and 4 less the fifths of the second already gone.
    const int64_t ms = endMs - int64_t(*sec) * 1000 + (4 - *fifth) * 200;
    t.events.push_back({ms, "screenshot", 0, false, dirUrl + name, name});
  }
  std::stable_sort(t.events.begin(), t.events.end(),
                   [](const ChartEvent& a, const ChartEvent& b) { return a.ms < b.ms; });
}

}  // namespace tavik
