#include "app/run_report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/recording.h"
#include "core/file_names.h"
#include "core/file_replace.h"
#include "core/gbk.h"

namespace tavik {

namespace {

namespace fs = std::filesystem;

// Folders of a recording hold 59 pictures; more entries than this are not looked at.
constexpr size_t kMaxListedFiles = 4 * kMaxRecordingFiles;

std::string Format(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string Tenths(int64_t ms) {
  return TimeOfDayText(ms).substr(0, 10);  // hh:mm:ss.t
}

std::string ReportName(const CalendarTime& t) {
  return Format("%s%04d%02d%02d-%02d%02d%02d.html", kReportPrefix, t.year, t.month, t.day, t.hour,
                t.minute, t.second);
}

bool IsReportName(const std::string& name) {
  return name.starts_with(kReportPrefix) && name.ends_with(".html");
}

// The report files beside the log, oldest first (their names sort by time).
std::vector<fs::path> ReportsIn(const fs::path& dir) {
  std::vector<fs::path> out;
  std::error_code ec;
  fs::directory_iterator it(dir, ec), end;
  for (size_t n = 0; !ec && it != end && n < kMaxListedFiles; it.increment(ec), ++n)
    if (IsReportName(Utf8FromPath(it->path().filename()))) out.push_back(it->path());
  std::sort(out.begin(), out.end());
  return out;
}

// The log from `from` to its end, at most kMaxReportLogBytes of it (its end), as UTF-8.
std::string ReadLogPart(const std::string& path, uint64_t from, bool& truncated) {
  truncated = false;
  std::error_code ec;
  const uint64_t size = fs::file_size(PathFromUtf8(path), ec);
  if (ec) return {};
  // A log shorter than at the run's start was replaced meanwhile: all of it is this run's.
  uint64_t start = from <= size ? from : 0;
  if (size - start > kMaxReportLogBytes) {
    start = size - kMaxReportLogBytes;
    truncated = true;
  }
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  std::string bytes(size_t(size - start), '\0');
  in.seekg(std::streamoff(start));
  in.read(bytes.data(), std::streamsize(bytes.size()));
  bytes.resize(size_t(std::max<std::streamsize>(in.gcount(), 0)));
  // A cut at the front leaves a part of a line: it starts after the first line's end.
  if (truncated) bytes.erase(0, std::min(bytes.size(), bytes.find('\n') + 1));
  return gbkToUtf8(bytes);
}

// The recording's pictures written since the run's part of the log began.
std::vector<std::string> RecordingNames(const std::string& dir, const LogSpan& span) {
  std::vector<std::string> names;
  if (dir.empty()) return names;
  std::error_code ec;
  fs::directory_iterator it(PathFromUtf8(dir), ec), end;
  for (size_t n = 0; !ec && it != end && n < kMaxListedFiles; it.increment(ec), ++n) {
    std::error_code timeError;
    const auto written = fs::last_write_time(it->path(), timeError);
    // A picture of an earlier run under the same bid number is not this run's.
    if (span.since && (timeError || written < *span.since)) continue;
    names.push_back(Utf8FromPath(it->path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// "file:///..." of a folder, its bytes outside plain ASCII escaped.
std::string FileUrl(const std::string& dir) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(PathFromUtf8(dir), ec);
  std::string path = Utf8FromPath(ec ? PathFromUtf8(dir) : absolute);
  std::replace(path.begin(), path.end(), '\\', '/');
  if (!path.starts_with("/")) path = "/" + path;  // C:/... on Windows
  if (!path.ends_with("/")) path += "/";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (c <= 0x20 || c == '%' || c == '#' || c == '?' || c == '"' || c >= 0x7f)
      url += Format("%%%02X", unsigned(c));
    else
      url += char(c);
  }
  return url;
}

const char* StepName(const std::string& kind) {
  if (kind == "captcha_shown") return "验证码框弹出";
  if (kind == "enter") return "回车";
  if (kind == "ok_clicked") return "点击确定";
  if (kind == "cancel_clicked") return "取消验证码框";
  if (kind == "bid_accepted") return "出价成功";
  if (kind == "info_window") return "信息提示窗口(出价未被接受)";
  if (kind == "no_captcha") return "没有找到验证码框";
  return nullptr;
}

// One line for each bid entered, with its steps until the next one.
std::string BidSteps(const RunTimeline& t) {
  std::string text;
  int bids = 0;
  for (const ChartEvent& e : t.events) {
    if (e.kind == "bid_button") {
      text += Format("\n出价 %d: %s 输入 %d", ++bids, Tenths(e.ms).c_str(), int(e.price));
    } else if (const char* step = StepName(e.kind); step && bids > 0) {
      text += Format(", %s %s", step, Tenths(e.ms).c_str());
    }
  }
  return bids == 0 ? "\n本次运行没有输入出价。" : text;
}

// How far the machine's clock was ahead of the auction clock: a range, or one value when the
// stamps pin it down (or contradict each other, when the clock was set during the run).
std::string MachineOffsetText(const RunTimeline& t) {
  if (!t.machineAheadMs) return "无法估计";
  const auto [low, high] = *t.machineAheadMs;
  if (low < high)
    return Format("%lld 到 %lld 毫秒 (正数为快, 由日志估计)", static_cast<long long>(low),
                  static_cast<long long>(high));
  return Format("约 %lld 毫秒 (正数为快, 由日志估计)", static_cast<long long>((low + high) / 2));
}

ChartLabels ChineseLabels() {
  ChartLabels l;
  l.lang = "zh-CN";
  l.lane = "验证码框, 回车";
  l.end = "结束";
  l.legend =
      "<span style=\"color:#1f5fbf\">&#9473; 最低成交价</span>"
      "<span style=\"color:#6f9fdf\">&#9608; 最低价 ±300 以内</span>"
      "<span>&#9675; 输入出价</span><span>&#9650; 确定</span>"
      "<span style=\"color:#1a9c3a\">&#9679; 出价成功</span>"
      "<span style=\"color:#d22\">&#10005; 没有验证码框</span>"
      "<span style=\"color:#d9a400\">&#9608; 验证码框显示中</span>"
      "<span style=\"color:#7a3db8\">| 回车</span>";
  l.infoWindowLegend = "<span style=\"color:#d22\">&#9632; 信息提示窗口</span>";
  l.screenshotLegend = "<span style=\"color:#2a8a8a\">&#9646; 录像截图(点击打开)</span>";
  l.clockHeading = "时钟";
  l.offsetHeading = "与拍卖时钟的差";
  return l;
}

}  // namespace

std::string PostRunReportHtml(const RunEndFacts& f, const RunTimeline& t, bool logTruncated) {
  const CalendarTime& at = f.endedAt;
  const std::string ended = Format("%04d-%02d-%02d %02d:%02d:%02d", at.year, at.month, at.day,
                                   at.hour, at.minute, at.second);
  RunChart c;
  c.labels = ChineseLabels();
  c.title = "tavik 运行报告 " + ended;
  c.heading = "tavik 运行报告: " + ended;
  c.endMs = f.auctionEndMs > 0 ? f.auctionEndMs : std::max<int64_t>(t.lastMs, 0);
  c.startMs = t.firstMs >= 0 ? std::min(t.firstMs, c.endMs) : c.endMs;
  c.events = t.events;
  c.summary =
      Format("%s, 投标号 %s, 拍卖结束 %s (拍卖时钟)", f.realMode ? "实拍" : "模拟练习",
             f.bidNumber.empty() ? "(无)" : f.bidNumber.c_str(),
             f.auctionEndMs > 0 ? TimeOfDayText(f.auctionEndMs).substr(0, 8).c_str() : "(未读到)");
  c.summary += BidSteps(t);
  c.summary += Format("\n日志: 读了 %zu 行, 其中 %zu 行无法识别, 已跳过", t.lines, t.skipped);
  c.summary += Format("\n录像: %zu 张截图", t.screenshots);
  if (t.skippedFiles > 0) c.summary += Format(", %zu 个其他文件未读", t.skippedFiles);
  if (!f.logEnabled)
    c.notes.push_back("诊断日志没有开启(程序目录下没有 dt.dat), 本报告只有录像可看。");
  else if (t.lines == 0)
    c.notes.push_back("这次运行的日志是空的: 没有可以画出的内容。");
  if (f.logEnabled && !t.pageFound)
    c.notes.push_back(
        "本次运行没有找到拍卖页面: 没有读到页面上的价格和时间, 也没有出价。请确认拍卖页面在屏幕上"
        "完整显示, 然后再开始。");
  if (f.auctionEndMs <= 0 && f.logEnabled)
    c.notes.push_back("没有读到拍卖结束时间: 图中的时间是本机时钟的时间。");
  if (logTruncated)
    c.notes.push_back(
        Format("这次运行的日志超过 %zu MiB, 只读了最后的部分。", kMaxReportLogBytes >> 20));
  c.clocks.push_back({"本机时钟", MachineOffsetText(t)});
  c.clocks.push_back(
      {"网络时间校正", f.ntpApplied ? Format("%d 毫秒", int(f.ntpOffsetMs))
                                    : std::string(t.netTimeFailures > 0 ? "失败" : "未校正")});
  return RunChartHtml(c);
}

std::string WriteRunReport(const std::string& logPath, const LogSpan& span,
                           const RunEndFacts& facts) {
  bool truncated = false;
  const std::string log = facts.logEnabled ? ReadLogPart(logPath, span.from, truncated) : "";
  RunTimeline timeline = ReadRunLog(log, facts.auctionEndMs);
  AddRecording(timeline, RecordingNames(facts.recordingDir, span),
               facts.recordingDir.empty() ? "" : FileUrl(facts.recordingDir), facts.auctionEndMs);
  const fs::path dir = PathFromUtf8(logPath).parent_path();
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::string path = Utf8FromPath(dir / ReportName(facts.endedAt));
  if (!ReplaceFileContents(path, PostRunReportHtml(facts, timeline, truncated))) return {};
  std::vector<fs::path> reports = ReportsIn(dir);
  for (size_t i = 0; i + kKeptReports < reports.size(); ++i) fs::remove(reports[i], ec);
  return path;
}

RunReports::RunReports(Sources sources) : s_(sources), next_(logEnd()) {
  const std::vector<fs::path> reports = ReportsIn(PathFromUtf8(s_.logFile.path()).parent_path());
  if (!reports.empty()) last_ = Utf8FromPath(reports.back());
  thread_ = std::thread([this] { run(); });
}

RunReports::~RunReports() {
  stop();
}

LogSpan RunReports::logEnd() const {
  LogSpan span;
  std::error_code ec;
  const fs::path log = PathFromUtf8(s_.logFile.path());
  const auto size = fs::file_size(log, ec);
  if (!ec) span.from = size;
  const auto written = fs::last_write_time(log, ec);
  if (!ec) span.since = written;
  return span;
}

void RunReports::RunEnded() {
  RunEndFacts f;
  f.endedAt = s_.clock.localTime();
  f.auctionEndMs = int64_t(s_.clockState.m_endTime.seconds()) * 1000;
  f.realMode = s_.run.m_realMode == 1;
  f.logEnabled = s_.run.m_logEnabled == 1;
  f.bidNumber = s_.run.m_bidNumber.get();
  // The bid number names the folder: only a plain digit string, as the recording takes it.
  const bool digits =
      !f.bidNumber.empty() && std::all_of(f.bidNumber.begin(), f.bidNumber.end(),
                                          [](char c) { return c >= '0' && c <= '9'; });
  if (s_.run.m_recording == 1 && digits) f.recordingDir = RecordingDirectory(s_.run);
  f.ntpOffsetMs = s_.netTime.m_ntpOffsetMs;
  f.ntpApplied = s_.netTime.m_ntpStatus == 2 && s_.netTime.m_ntpFailCycles == 0;
  // The next run's part of the log starts where this one's ends.
  const LogSpan span = std::exchange(next_, logEnd());
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queue_.push_back({span, std::move(f)});
  }
  changed_.notify_all();
}

void OpenLastRunReport(const RunReports& reports,
                       const std::function<void(const std::string&)>& open,
                       const std::function<void(const std::string&)>& tell) {
  const std::string path = reports.lastReport();
  std::error_code ec;
  if (path.empty())
    tell(kNoRunReportYet);
  else if (!fs::exists(PathFromUtf8(path), ec))
    tell(std::string(kRunReportGone) + path);
  else
    open(path);
}

std::string RunReports::lastReport() const {
  std::lock_guard lock(mutex_);
  return last_;
}

bool RunReports::waitIdle(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return queue_.empty() && !busy_; });
}

void RunReports::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void RunReports::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and every report asked for is written
    Job job = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    const std::string path = WriteRunReport(s_.logFile.path(), job.span, job.facts);
    lock.lock();
    busy_ = false;
    if (!path.empty()) last_ = path;
    changed_.notify_all();
  }
}

}  // namespace tavik
