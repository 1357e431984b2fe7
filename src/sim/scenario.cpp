#include "sim/scenario.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/config.h"
#include "core/file_names.h"
#include "settings/scheme.h"

namespace tavik {

namespace {

using Json = nlohmann::json;

// A scenario larger than this is not one of ours.
constexpr size_t kMaxScenarioBytes = 1 << 20;
// A course has at most this many points, in the scenario or in a table file.
constexpr size_t kMaxCoursePoints = 10'000;
// The virtual machine's day starts at 10:00:00; the auction runs within it.
constexpr int64_t kEarliestStartMs = 10 * 3'600'000LL;

struct Bad {
  std::string message;
};

// Reads the fields of one JSON object and refuses the ones it does not know.
class Fields {
 public:
  Fields(const Json& object, std::string path) : object_(object), path_(std::move(path)) {
    if (!object_.is_object()) fail("", "must be an object");
  }
  // Call once every known field has been read.
  void done() const {
    for (const auto& [key, value] : object_.items())
      if (!used_.count(key)) fail(key, "unknown field");
  }
  const Json* get(const std::string& key) {
    used_.insert(key);
    const auto it = object_.find(key);
    return it == object_.end() ? nullptr : &*it;
  }
  int64_t integer(const std::string& key, int64_t value, int64_t low, int64_t high) {
    const Json* v = get(key);
    if (!v) return value;
    if (!v->is_number_integer()) fail(key, "must be a whole number");
    const int64_t n = v->get<int64_t>();
    if (n < low || n > high)
      fail(key, "must lie within " + std::to_string(low) + ".." + std::to_string(high));
    return n;
  }
  bool boolean(const std::string& key, bool value) {
    const Json* v = get(key);
    if (!v) return value;
    if (!v->is_boolean()) fail(key, "must be true or false");
    return v->get<bool>();
  }
  std::string text(const std::string& key, std::string value, size_t maxChars = 200) {
    const Json* v = get(key);
    if (!v) return value;
    if (!v->is_string()) fail(key, "must be a text");
    if (v->get_ref<const std::string&>().size() > maxChars)
      fail(key, "is longer than " + std::to_string(maxChars) + " characters");
    return v->get<std::string>();
  }
  int64_t time(const std::string& key, int64_t value) {
    const Json* v = get(key);
    if (!v) return value;
    const std::optional<int64_t> t =
        v->is_string() ? ParseTimeOfDay(v->get<std::string>()) : std::nullopt;
    if (!t) fail(key, "must be a time of day \"hh:mm:ss\" or \"hh:mm:ss.mmm\"");
    return *t;
  }
  Point point(const std::string& key, Point value) {
    const Json* v = get(key);
    if (!v) return value;
    if (!v->is_array() || v->size() != 2 || !(*v)[0].is_number_integer() ||
        !(*v)[1].is_number_integer())
      fail(key, "must be [x, y]");
    const int64_t x = (*v)[0].get<int64_t>(), y = (*v)[1].get<int64_t>();
    if (x < 0 || y < 0 || x > 4000 || y > 4000) fail(key, "must lie within 0..4000");
    return {int(x), int(y)};
  }
  std::string at(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }
  [[noreturn]] void fail(const std::string& key, const std::string& problem) const {
    const std::string where = key.empty() ? path_ : at(key);
    throw Bad{(where.empty() ? std::string("scenario") : where) + ": " + problem};
  }

 private:
  const Json& object_;
  std::string path_;
  std::set<std::string> used_;
};

// Why a file could not be read; the three are told apart because each asks the user for a
// different fix.
const char* FileProblem(FileRead r) {
  switch (r) {
    case FileRead::kMissing:
      return "missing";
    case FileRead::kTooLarge:
      return "over 1 MiB";
    default:
      return "unreadable";
  }
}

// A whole number with blanks around it, or nothing.
std::optional<int64_t> WholeNumber(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, last - first + 1);
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// A course table: one "seconds left, lowest price" pair a line; blank lines and lines from "#"
// are skipped. Lines are numbered from 1 in messages.
std::vector<PricePoint> ReadCourseTable(Fields& f, const std::string& text) {
  std::vector<PricePoint> out;
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    const std::string where = "file line " + std::to_string(number);
    const size_t comma = line.find(',');
    const auto sec = WholeNumber(line.substr(0, comma));
    const auto price =
        comma == std::string::npos ? std::nullopt : WholeNumber(line.substr(comma + 1));
    if (!sec || !price) f.fail(where, "must be \"seconds left, price\"");
    if (*sec < -60 || *sec > 7200) f.fail(where, "seconds left must lie within -60..7200");
    if (*price < 1 || *price > 999'999) f.fail(where, "price must lie within 1..999999");
    if (out.size() == kMaxCoursePoints) f.fail("file", "holds more than 10000 points");
    out.push_back({int32_t(*sec), int32_t(*price)});
  }
  if (out.empty()) f.fail("file", "holds no points");
  return out;
}

PriceCourse ReadCourse(const Json& value, const std::string& path, const std::string& baseDir) {
  Fields f(value, path);
  const Json* points = f.get("points");
  const Json* model = f.get("model");
  const Json* file = f.get("file");
  if ((points != nullptr) + (model != nullptr) + (file != nullptr) != 1)
    f.fail("", "needs one of \"points\", \"model\" or \"file\"");
  if (file) {
    const std::string name = f.text("file", "", 4096);
    f.done();
    const std::string full = !name.empty() && name.front() == '/' ? name : baseDir + "/" + name;
    std::string text;
    const FileRead r = ReadFileUtf8(full, kMaxScenarioBytes, text);
    if (r != FileRead::kRead) f.fail("file", "cannot read \"" + full + "\": " + FileProblem(r));
    return PriceCourse(ReadCourseTable(f, text));
  }
  if (model) {
    const std::string name = f.text("model", "");
    if (!PriceCourse::IsModel(name))
      f.fail("model", "unknown model \"" + name + "\" (calm, fast_finish, late_jump)");
    const auto seed = uint32_t(f.integer("seed", 1, 0, std::numeric_limits<uint32_t>::max()));
    const auto start = int32_t(f.integer("start", 89300, 1, 999'999));
    f.done();
    return PriceCourse::Model(name, seed, start);
  }
  f.done();
  if (!points->is_array() || points->empty() || points->size() > kMaxCoursePoints)
    f.fail("points", "must be a list of 1..10000 [seconds left, price] pairs");
  std::vector<PricePoint> out;
  for (size_t i = 0; i < points->size(); ++i) {
    const Json& p = (*points)[i];
    const std::string where = "points[" + std::to_string(i) + "]";
    if (!p.is_array() || p.size() != 2 || !p[0].is_number_integer() || !p[1].is_number_integer())
      f.fail(where, "must be [seconds left, price]");
    const int64_t sec = p[0].get<int64_t>(), price = p[1].get<int64_t>();
    if (sec < -60 || sec > 7200) f.fail(where, "seconds left must lie within -60..7200");
    if (price < 1 || price > 999'999) f.fail(where, "price must lie within 1..999999");
    out.push_back({int32_t(sec), int32_t(price)});
  }
  return PriceCourse(std::move(out));
}

UserTyping ReadTyping(Fields& f, UserTyping t) {
  t.reactMs = int(f.integer("react_ms", t.reactMs, 0, 600'000));
  t.keys = int(f.integer("keys", t.keys, -1, 20));
  t.typingMs = int(f.integer("typing_ms", t.typingMs, 0, 600'000));
  t.enter = f.boolean("enter", t.enter);
  t.enterAfterMs = int(f.integer("enter_after_ms", t.enterAfterMs, 0, 600'000));
  t.wrongCaptcha = f.boolean("wrong_captcha", t.wrongCaptcha);
  return t;
}

void ReadUser(const Json& value, SimScenario& s) {
  Fields f(value, "user");
  s.typing = ReadTyping(f, s.typing);
  if (const Json* boxes = f.get("boxes")) {
    if (!boxes->is_array() || boxes->size() > 20) f.fail("boxes", "must be a list of up to 20");
    for (size_t i = 0; i < boxes->size(); ++i) {
      Fields b((*boxes)[i], "user.boxes[" + std::to_string(i) + "]");
      s.typingPerBox.push_back(ReadTyping(b, s.typing));
      b.done();
    }
  }
  if (const Json* actions = f.get("actions")) {
    if (!actions->is_array() || actions->size() > 1000)
      f.fail("actions", "must be a list of up to 1000");
    for (size_t i = 0; i < actions->size(); ++i) {
      Fields a((*actions)[i], "user.actions[" + std::to_string(i) + "]");
      UserAction u;
      u.atMs = a.time("at", -1);
      if (u.atMs < 0) a.fail("at", "is missing");
      u.key = a.text("key", "");
      if (a.get("move_browser")) u.moveBrowser = a.point("move_browser", {});
      const bool stepped = a.get("steps") || a.get("step_ms");
      u.steps = int(a.integer("steps", 1, 1, 100));
      u.stepMs = int(a.integer("step_ms", 0, 0, 10'000));
      if (stepped && !u.moveBrowser)
        a.fail("", "\"steps\" and \"step_ms\" go with \"move_browser\"");
      static const std::set<std::string> kKeys{"enter", "space", "f2", "f3", "esc", "stop"};
      if (u.key.empty() == !u.moveBrowser.has_value())
        a.fail("", "needs either \"key\" or \"move_browser\"");
      if (!u.key.empty() && !kKeys.count(u.key))
        a.fail("key", "must be one of enter, space, f2, f3, esc, stop");
      a.done();
      s.actions.push_back(std::move(u));
    }
  }
  f.done();
}

void ReadProfileKeys(const Json& value, const std::string& path, SimScenario& s) {
  Fields f(value, path);
  for (const auto& [key, v] : value.items()) {
    if (!IsProfileKey(key)) f.fail(key, "unknown profile key");
    s.profileKeys.emplace_back(key, int32_t(f.integer(key, 0, INT32_MIN, INT32_MAX)));
  }
  f.done();
}

void ReadStrategy(Fields& f, const std::string& baseDir, SimScenario& s) {
  const std::string profile = f.text("profile", "", 4096);
  if (!profile.empty()) {
    // Relative to the scenario's folder unless absolute ("/..." or, on Windows, "C:\\...").
    const bool absolute = profile.front() == '/' || PathFromUtf8(profile).is_absolute();
    const std::string path = absolute ? profile : baseDir + "/" + profile;
    const FileRead r = ReadFileUtf8(path, kMaxScenarioBytes, s.profileText);
    if (r != FileRead::kRead) f.fail("profile", "cannot read \"" + path + "\": " + FileProblem(r));
  }
  if (const Json* v = f.get("strategy")) ReadProfileKeys(*v, "strategy", s);
  if (const Json* v = f.get("advanced")) ReadProfileKeys(*v, "advanced", s);
}

void ReadPage(const Json& value, SimScenario& s) {
  Fields f(value, "page");
  s.captchaDelayMs = int(f.integer("captcha_delay_ms", s.captchaDelayMs, 0, 60'000));
  s.judgeDelayMs = int(f.integer("judge_delay_ms", s.judgeDelayMs, 0, 10'000));
  if (const Json* q = f.get("judge_queue")) {
    Fields g(*q, "page.judge_queue");
    s.judgeQueue.fromSec = int(g.integer("from_sec", 10, 1, 600));
    s.judgeQueue.msPerSec = int(g.integer("ms_per_sec", 100, 0, 10'000));
    s.judgeQueue.maxMs = int(g.integer("max_ms", 3000, 0, 60'000));
    g.done();
  }
  s.captchaPictureDelayMs =
      int(f.integer("captcha_picture_delay_ms", s.captchaPictureDelayMs, 0, 60'000));
  s.bidsMade = int(f.integer("bids_made", s.bidsMade, 0, 3));
  s.captchaDigits = int(f.integer("captcha_digits", s.captchaDigits, 1, 10));
  s.captchaSeed = uint32_t(f.integer("captcha_seed", s.captchaSeed, 0, UINT32_MAX));
  s.browser = f.point("browser", s.browser);
  f.done();
}

void ReadDesktop(const Json& value, SimScenario& s) {
  Fields f(value, "desktop");
  s.clipboardFailures = int(f.integer("clipboard_fails", 0, 0, 1000));
  f.done();
}

void ReadClock(const Json& value, SimScenario& s) {
  Fields f(value, "clock");
  s.localOffsetMs = f.integer("local_offset_ms", 0, -3'600'000, 3'600'000);
  s.networkOffsetMs = f.integer("network_offset_ms", 0, -3'600'000, 3'600'000);
  s.networkTimeAnswers = f.boolean("network_answers", true);
  f.done();
}

void ReadVendor(const Json& value, const std::string& baseDir, SimScenario& s) {
  Fields f(value, "vendor");
  if (const Json* p = f.get("main_params")) {
    if (!p->is_array() || p->size() > 31) f.fail("main_params", "must be a list of up to 31 texts");
    std::vector<std::string> fields;
    for (size_t i = 0; i < p->size(); ++i) {
      if (!(*p)[i].is_string() || (*p)[i].get_ref<const std::string&>().size() > 199)
        f.fail("main_params[" + std::to_string(i) + "]", "must be a text of up to 199 characters");
      fields.push_back((*p)[i].get<std::string>());
    }
    s.mainParams = std::move(fields);
  }
  if (const Json* p = f.get("net_price")) s.netPrice = ReadCourse(*p, "vendor.net_price", baseDir);
  s.vendorDelayMs = int(f.integer("delay_ms", s.vendorDelayMs, 0, 60'000));
  s.recognitionPayload = f.text("recognition", "", 8000);
  s.dictionaryPayload = f.text("dictionary", "", 14000);
  f.done();
}

// The name names the output files inside the output folder, so it must stay a plain file name.
void CheckName(Fields& f, const std::string& name) {
  if (name.find_first_of("/\\") != std::string::npos)
    f.fail("name", "must not hold a path separator (/ or \\)");
  if (name.find("..") != std::string::npos) f.fail("name", "must not hold \"..\"");
  for (unsigned char ch : name)
    if (ch < 0x20 || ch == 0x7F) f.fail("name", "must not hold a control character");
}

void ReadSpreads(const Json& value, SimScenario& s) {
  Fields f(value, "spread");
  const auto range = [&](const char* key, int high, std::optional<Spread>& out) {
    const Json* v = f.get(key);
    if (!v) return;
    if (!v->is_array() || v->size() != 2 || !(*v)[0].is_number_integer() ||
        !(*v)[1].is_number_integer())
      f.fail(key, "must be [lowest, highest]");
    const int64_t low = (*v)[0].get<int64_t>(), top = (*v)[1].get<int64_t>();
    if (low < 0 || top > high || low > top)
      f.fail(key, "must be [lowest, highest] within 0.." + std::to_string(high));
    out = Spread{int(low), int(top)};
  };
  range("judge_delay_ms", 10'000, s.judgeDelaySpread);
  range("captcha_delay_ms", 60'000, s.captchaDelaySpread);
  range("typing_ms", 600'000, s.typingSpread);
  range("react_ms", 600'000, s.reactSpread);
  f.done();
}

void CheckTimes(Fields& f, SimScenario& s) {
  if (s.halfMs >= s.endMs) f.fail("schedule", "the half must come before the end");
  if (s.startMs < kEarliestStartMs || s.startMs >= s.endMs)
    f.fail("start", "must lie from 10:00:00 up to the end");
  if (s.endMs - s.startMs > 2 * 3'600'000LL)
    f.fail("start", "lies more than 2 hours before the end");
}

// A parser callback that refuses a key given twice in one object (the JSON reader would keep
// the last silently, so a scenario would not do what its first lines say), naming where.
class DuplicateKeyCheck {
 public:
  bool operator()(int depth, Json::parse_event_t event, const Json& parsed) {
    using E = Json::parse_event_t;
    (void)depth;
    if (event == E::object_start || event == E::array_start) {
      if (!levels_.empty()) levels_.back().count();
      levels_.push_back({event == E::array_start, {}, {}, -1});
    } else if (event == E::object_end || event == E::array_end) {
      levels_.pop_back();
    } else if (event == E::key) {
      Level& l = levels_.back();
      l.key = parsed.get<std::string>();
      if (!l.keys.insert(l.key).second) throw Bad{where() + ": given twice"};
    } else if (event == E::value && !levels_.empty()) {
      levels_.back().count();
    }
    return true;
  }

 private:
  struct Level {
    bool array;
    std::string key;
    std::set<std::string> keys;
    int index;
    // An array counts its elements as they start, so that a path names the one being read.
    void count() {
      if (array) ++index;
    }
  };
  std::string where() const {
    std::string path;
    for (const Level& l : levels_) {
      if (l.array) {
        path += "[" + std::to_string(l.index) + "]";
      } else {
        path += (path.empty() ? "" : ".") + l.key;
      }
    }
    return path;
  }
  std::vector<Level> levels_;
};

SimScenario Read(const Json& root, const std::string& baseDir) {
  SimScenario s;
  Fields f(root, "");
  s.name = f.text("name", "");
  CheckName(f, s.name);
  s.description = f.text("description", "", 2000);
  const std::string mode = f.text("mode", "real");
  if (mode != "real" && mode != "practice") f.fail("mode", "must be \"real\" or \"practice\"");
  s.realMode = mode == "real";
  s.bidNumber = f.text("bid_number", "");
  if (!s.bidNumber.empty() && !IsValidBidNumber(s.bidNumber))
    f.fail("bid_number", "must be eight digits");
  s.startMs = f.time("start", s.startMs);
  if (const Json* v = f.get("schedule")) {
    Fields sch(*v, "schedule");
    s.halfMs = sch.time("half", s.halfMs);
    s.endMs = sch.time("end", s.endMs);
    sch.done();
  }
  CheckTimes(f, s);
  ReadStrategy(f, baseDir, s);
  s.warningPrice = int32_t(f.integer("warning_price", s.warningPrice, 1, 999'999));
  if (const Json* v = f.get("lowest_price"))
    s.lowestPrice = ReadCourse(*v, "lowest_price", baseDir);
  if (const Json* v = f.get("page")) ReadPage(*v, s);
  if (const Json* v = f.get("user")) ReadUser(*v, s);
  if (const Json* v = f.get("clock")) ReadClock(*v, s);
  if (const Json* v = f.get("desktop")) ReadDesktop(*v, s);
  if (const Json* v = f.get("vendor")) ReadVendor(*v, baseDir, s);
  if (const Json* v = f.get("spread")) ReadSpreads(*v, s);
  f.done();
  return s;
}

}  // namespace

std::string SimScenario::effectiveBidNumber() const {
  if (!bidNumber.empty()) return bidNumber;
  return realMode ? "12345678" : Config{}.practiceBidNumber1;
}

const UserTyping& SimScenario::typingFor(int box) const {
  return box >= 0 && size_t(box) < typingPerBox.size() ? typingPerBox[size_t(box)] : typing;
}

bool IsProfileKey(std::string_view key) {
  Strategy s;
  int32_t recording = 0;
  for (const SchemeKey& k : SchemeKeys(s, recording))
    if (k.name == key) return true;
  return false;
}

std::optional<int64_t> ParseTimeOfDay(std::string_view t) {
  const auto digits = [&](size_t at, size_t n) -> std::optional<int> {
    if (at + n > t.size()) return std::nullopt;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (t[i] < '0' || t[i] > '9') return std::nullopt;
      v = v * 10 + (t[i] - '0');
    }
    return v;
  };
  if ((t.size() != 8 && t.size() != 12) || t[2] != ':' || t[5] != ':') return std::nullopt;
  const auto h = digits(0, 2), m = digits(3, 2), s = digits(6, 2);
  std::optional<int> ms = 0;
  if (t.size() == 12) ms = t[8] == '.' ? digits(9, 3) : std::nullopt;
  if (!h || !m || !s || !ms || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
  return ((*h * 60LL + *m) * 60 + *s) * 1000 + *ms;
}

std::variant<SimScenario, ScenarioError> ParseScenario(std::string_view json,
                                                       const std::string& baseDir) {
  if (json.size() > kMaxScenarioBytes) return ScenarioError{"scenario: larger than 1 MiB"};
  Json root;
  try {
    root = Json::parse(json, DuplicateKeyCheck());
  } catch (const Bad& bad) {
    return ScenarioError{bad.message};
  } catch (const Json::exception& e) {
    // Syntax errors, and numbers too large for any type.
    return ScenarioError{std::string("scenario: not valid JSON: ") + e.what()};
  }
  try {
    return Read(root, baseDir);
  } catch (const Bad& bad) {
    return ScenarioError{bad.message};
  } catch (const Json::exception& e) {
    return ScenarioError{std::string("scenario: ") + e.what()};
  }
}

std::variant<SimScenario, ScenarioError> LoadScenario(const std::string& path) {
  std::string text;
  const FileRead r = ReadFileUtf8(path, kMaxScenarioBytes, text);
  if (r != FileRead::kRead) return ScenarioError{path + ": cannot read: " + FileProblem(r)};
  const std::string parent = Utf8FromPath(PathFromUtf8(path).parent_path());
  const std::string dir = parent.empty() ? "." : parent;
  auto result = ParseScenario(text, dir);
  if (auto* e = std::get_if<ScenarioError>(&result)) e->message = path + ": " + e->message;
  return result;
}

}  // namespace tavik
