// Scenario files: what a good one sets, and how a bad one is refused with the field named.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/scenario.h"
#include "sim/sweep.h"

namespace tavik::testing {
namespace {

std::string ErrorOf(const std::string& json) {
  const auto r = ParseScenario(json, "/nowhere");
  const auto* e = std::get_if<ScenarioError>(&r);
  return e ? e->message : "(accepted)";
}

TEST(ScenarioTest, ReadsEveryPart) {
  const auto r = ParseScenario(R"({
    "name": "t", "mode": "practice", "start": "11:28:00.500",
    "schedule": {"half": "11:00:00", "end": "11:30:00"},
    "strategy": {"Last Sec 2": 45}, "advanced": {"adv op 18": 1},
    "warning_price": 87000,
    "lowest_price": {"model": "calm", "seed": 3, "start": 90000},
    "page": {"captcha_delay_ms": 900, "judge_delay_ms": 50, "bids_made": 1, "browser": [0, 5],
             "captcha_picture_delay_ms": 400, "judge_queue": {"from_sec": 8, "max_ms": 900}},
    "user": {"react_ms": 800, "boxes": [{"wrong_captcha": true}],
             "actions": [{"at": "11:29:00", "key": "space"}, {"at": "11:29:10", "move_browser": [9, 9], "steps": 3, "step_ms": 40}]},
    "clock": {"local_offset_ms": -1500, "network_offset_ms": 20},
    "vendor": {"main_params": ["2", "0"], "net_price": {"points": [[60, 91000]]}, "delay_ms": 30},
    "spread": {"judge_delay_ms": [0, 800], "typing_ms": [500, 1500]}
  })",
                               "/nowhere");
  ASSERT_TRUE(std::holds_alternative<SimScenario>(r)) << std::get<ScenarioError>(r).message;
  const SimScenario& s = std::get<SimScenario>(r);
  EXPECT_FALSE(s.realMode);
  EXPECT_EQ(s.effectiveBidNumber(), "88888888");
  EXPECT_EQ(s.startMs, (11 * 3600 + 28 * 60) * 1000 + 500);
  EXPECT_EQ(s.profileKeys,
            (std::vector<std::pair<std::string, int32_t>>{{"Last Sec 2", 45}, {"adv op 18", 1}}));
  EXPECT_EQ(s.lowestPrice.priceAt(3'600'000), 90000);
  EXPECT_GT(s.lowestPrice.priceAt(0), 90000);
  EXPECT_TRUE(s.typingFor(0).wrongCaptcha);
  EXPECT_FALSE(s.typingFor(1).wrongCaptcha);
  EXPECT_EQ(s.typingFor(1).reactMs, 800);
  ASSERT_EQ(s.actions.size(), 2u);
  EXPECT_EQ(s.actions[1].moveBrowser, (Point{9, 9}));
  EXPECT_EQ(s.actions[1].steps, 3);
  EXPECT_EQ(s.captchaPictureDelayMs, 400);
  EXPECT_EQ(s.judgeQueue, (SimScenario::JudgeQueue{8, 100, 900}));
  EXPECT_EQ(s.localOffsetMs, -1500);
  EXPECT_EQ(s.mainParams, (std::vector<std::string>{"2", "0"}));
  EXPECT_EQ(s.netPrice.priceAt(0), 91000);
  EXPECT_EQ(s.judgeDelaySpread, (Spread{0, 800}));
  EXPECT_EQ(s.typingSpread, (Spread{500, 1500}));
  EXPECT_FALSE(s.reactSpread);
}

TEST(ScenarioTest, BadScenariosNameTheFieldAndTheProblem) {
  const struct {
    const char* json;
    const char* message;
  } cases[] = {
      {"{", "scenario: not valid JSON"},
      {"[]", "scenario: must be an object"},
      {R"({"name": 8.5e55555})", "scenario: not valid JSON"},
      {R"({"mdoe": "real"})", "mdoe: unknown field"},
      {R"({"mode": "rehearsal"})", "mode: must be \"real\" or \"practice\""},
      {R"({"start": "11:61:00"})", "start: must be a time of day"},
      {R"({"start": "09:00:00"})", "start: must lie from 10:00:00 up to the end"},
      {R"({"schedule": {"half": "11:40:00"}})", "schedule: the half must come before the end"},
      {R"({"strategy": {"Last Sec 9": 1}})", "strategy.Last Sec 9: unknown profile key"},
      {R"({"strategy": {"Last Sec 2": "48"}})", "strategy.Last Sec 2: must be a whole number"},
      {R"({"strategy": {"Last Sec 2": 4294967296}})", "strategy.Last Sec 2: must lie within"},
      {R"({"profile": "missing.ini"})", "profile: cannot read \"/nowhere/missing.ini\": missing"},
      {R"({"lowest_price": {}})", "lowest_price: needs one of \"points\", \"model\" or \"file\""},
      {R"({"lowest_price": {"model": "calm", "file": "x.csv"}})", "lowest_price: needs one of"},
      {R"({"lowest_price": {"file": "none.csv"}})",
       "lowest_price.file: cannot read \"/nowhere/none.csv\": missing"},
      {R"({"spread": {"judge_delay_ms": [500, 100]}})",
       "spread.judge_delay_ms: must be [lowest, highest] within 0..10000"},
      {R"({"lowest_price": {"model": "wild"}})", "lowest_price.model: unknown model \"wild\""},
      {R"({"lowest_price": {"points": [[10]]}})", "lowest_price.points[0]: must be [seconds left"},
      {R"({"page": {"captcha_delay_ms": -1}})", "page.captcha_delay_ms: must lie within 0..60000"},
      {R"({"page": {"browser": [1]}})", "page.browser: must be [x, y]"},
      {R"({"user": {"boxes": [{"keys": 99}]}})", "user.boxes[0].keys: must lie within -1..20"},
      {R"({"user": {"actions": [{"at": "11:29:00"}]}})",
       "user.actions[0]: needs either \"key\" or \"move_browser\""},
      {R"({"user": {"actions": [{"at": "11:29:00", "key": "f9"}]}})",
       "user.actions[0].key: must be one of"},
      {R"({"vendor": {"main_params": [2]}})", "vendor.main_params[0]: must be a text"},
      {R"({"bid_number": "1234"})", "bid_number: must be eight digits"},
      // The name becomes a file name inside the output folder.
      {R"({"name": "../../x"})", "name: must not hold a path separator"},
      {R"({"name": "a\\b"})", "name: must not hold a path separator"},
      {R"({"name": ".."})", "name: must not hold \"..\""},
      {R"({"name": "a\u0000b"})", "name: must not hold a control character"},
      {R"({"name": "a\nb"})", "name: must not hold a control character"},
      // A key given twice is refused, not silently the last one taken.
      {R"({"name": "a", "name": "b"})", "name: given twice"},
      {R"({"page": {"judge_delay_ms": 1, "judge_delay_ms": 2}})",
       "page.judge_delay_ms: given twice"},
      {R"({"user": {"boxes": [{}, {"keys": 1, "keys": 2}]}})", "user.boxes[1].keys: given twice"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ErrorOf(c.json).rfind(c.message, 0), 0u) << c.json << " gave: " << ErrorOf(c.json);
}

TEST(ScenarioTest, ProfileFileWithInlineKeysOverIt) {
  const auto dir = std::filesystem::temp_directory_path() / "tavik-scenario-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "mine.ini", std::ios::binary) << "[Settings]\r\nLast Sec 2=50\r\n";
  const auto r =
      ParseScenario(R"({"profile": "mine.ini", "strategy": {"Last Sec 2": 44}})", dir.string());
  ASSERT_TRUE(std::holds_alternative<SimScenario>(r)) << std::get<ScenarioError>(r).message;
  EXPECT_EQ(std::get<SimScenario>(r).profileText, "[Settings]\r\nLast Sec 2=50\r\n");
  EXPECT_EQ(std::get<SimScenario>(r).profileKeys.back().second, 44);
  std::filesystem::remove_all(dir);
}

// A finish the user watched, replayed from a table of (seconds left, lowest price) points.
TEST(ScenarioTest, CourseTableFromAFile) {
  const auto dir = std::filesystem::temp_directory_path() / "tavik-scenario-course-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "watched.csv", std::ios::binary)
      << "# seconds left, lowest price\r\n3600, 89300\r\n\r\n 30 ,90000\r\n5,91200\r\n";
  std::ofstream(dir / "bad.csv", std::ios::binary) << "60,90000\n\n30;90100\n";
  const auto read = [&](const char* file) {
    return ParseScenario(std::string(R"({"lowest_price": {"file": ")") + file + "\"}}",
                         dir.string());
  };
  const auto good = read("watched.csv");
  ASSERT_TRUE(std::holds_alternative<SimScenario>(good)) << std::get<ScenarioError>(good).message;
  const PriceCourse& c = std::get<SimScenario>(good).lowestPrice;
  EXPECT_EQ(c.priceAt(31'000), 89300);
  EXPECT_EQ(c.priceAt(30'000), 90000);
  EXPECT_EQ(c.priceAt(0), 91200);
  EXPECT_FALSE(c.isModel());
  const auto bad = read("bad.csv");
  ASSERT_TRUE(std::holds_alternative<ScenarioError>(bad));
  EXPECT_EQ(std::get<ScenarioError>(bad).message,
            "lowest_price.file line 3: must be \"seconds left, price\"");
  std::filesystem::remove_all(dir);
}

// Each way a scenario file cannot be read asks for a different fix, so each is named.
TEST(ScenarioTest, ReadFailuresAreToldApart) {
  const auto dir = std::filesystem::temp_directory_path() / "tavik-scenario-read-test";
  std::filesystem::create_directories(dir / "folder.json");
  std::ofstream(dir / "big.json", std::ios::binary) << std::string((1 << 20) + 1, ' ');
  const auto errorOf = [&](const char* file) {
    const auto r = LoadScenario((dir / file).string());
    const auto* e = std::get_if<ScenarioError>(&r);
    return e ? e->message : "(accepted)";
  };
  EXPECT_EQ(errorOf("none.json"), (dir / "none.json").string() + ": cannot read: missing");
  EXPECT_EQ(errorOf("folder.json"), (dir / "folder.json").string() + ": cannot read: unreadable");
  EXPECT_EQ(errorOf("big.json"), (dir / "big.json").string() + ": cannot read: over 1 MiB");
  std::filesystem::remove_all(dir);
}

TEST(ScenarioTest, SweepRanges) {
  std::string error;
  const auto r = ParseSweepRange("Last Sec 2=40..55", error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->key, "Last Sec 2");
  EXPECT_EQ(r->from, 40);
  EXPECT_EQ(r->to, 55);
  EXPECT_EQ(r->step, 1);
  EXPECT_EQ(ParseSweepRange("Pre Price 3=600..1200:100", error)->step, 100);
  for (const char* bad : {"Last Sec 2", "Last Sec 2=55..40", "Last Sec 2=1..x", "Nope=1..2",
                          "Last Sec 2=1..1000", "Last Sec 2=1..5:0"})
    EXPECT_FALSE(ParseSweepRange(bad, error)) << bad;
}

}  // namespace
}  // namespace tavik::testing
