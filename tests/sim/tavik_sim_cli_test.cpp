// The tavik-sim program: a run writes its events and log and prints the summary, the same bytes
// every time; a sweep prints its table; a bad scenario is refused with the field named.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace tavik::testing {
namespace {

struct SimRun {
  int status = -1;
  std::string output;
};

SimRun RunSim(const std::string& args) {
  SimRun r;
  FILE* pipe = popen((std::string(TAVIK_SIM_EXE) + " " + args + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer;
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) r.output.append(buffer.data(), n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Read(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SimCliTest : public ::testing::Test {
 protected:
  SimCliTest() { std::filesystem::create_directories(dir); }
  ~SimCliTest() override { std::filesystem::remove_all(dir); }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("tavik-sim-cli-" +
       std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  const std::string calm = std::string(TAVIK_SCENARIOS) + "/calm.json";
};

TEST_F(SimCliTest, RunWritesEventsLogAndSummaryTheSameEveryTime) {
  const SimRun first = RunSim("--out " + (dir / "a").string() + " " + calm);
  ASSERT_EQ(first.status, 0) << first.output;
  EXPECT_NE(first.output.find("  bid 2  91400  accepted at 11:29:24.200 (36 s left"),
            std::string::npos)
      << first.output;
  EXPECT_NE(first.output.find("your bid wins: yes"), std::string::npos);
  const SimRun second = RunSim("--out " + (dir / "b").string() + " " + calm);
  for (const char* file : {"calm.events.jsonl", "calm.log", "calm.html"}) {
    const std::string a = Read(dir / "a" / file);
    EXPECT_FALSE(a.empty()) << file;
    EXPECT_EQ(a, Read(dir / "b" / file)) << file;
  }
  EXPECT_NE(Read(dir / "a" / "calm.log").find("***第2次出价成功***"), std::string::npos);
}

TEST_F(SimCliTest, SweepPrintsATable) {
  const SimRun r = RunSim("--sweep 'Pre Price 3=600..1200:600' " + calm);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("| Pre Price 3 | second bid | third bid | final lowest | wins |"),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("| 600 | 91400 @ 36 s | 92200 @ 12 s | 92200 | yes |"), std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("| 1200 | 91400 @ 36 s | - | 92200 | no |"), std::string::npos)
      << r.output;
}

TEST_F(SimCliTest, RunsPrintTheWinRateAndEachWayOfLosing) {
  std::ofstream(dir / "short.json") << R"({"name": "short", "start": "11:29:05",
    "strategy": {"Auto Bid 2": 1, "Last Sec 2": 48, "Bid Add 2": 1, "Add Price 2": 700},
    "lowest_price": {"model": "fast_finish", "seed": 3}, "page": {"captcha_delay_ms": 1500}})";
  const SimRun r = RunSim("--out " + (dir / "out").string() + " --runs 2 --seed 9 " +
                          (dir / "short.json").string());
  ASSERT_EQ(r.status, 0) << r.output;
  for (const char* line : {"scenario short: 2 finishes drawn from seed 9\n",
                           "\nwin rate: ", "\nlost, refused outside the window: ",
                           "\nlost, not confirmed in time: ", "\nlost, outbid at the end: ",
                           "\nlost, no bid placed: ", "\nmedian seconds left at acceptance: "})
    EXPECT_NE(r.output.find(line), std::string::npos) << line << " in " << r.output;
  EXPECT_NE(Read(dir / "out" / "short.runs.html").find("<svg"), std::string::npos);
  for (const char* bad : {"--runs 0", "--runs x", "--threads 0", "--seed -1"})
    EXPECT_EQ(RunSim(std::string(bad) + " " + calm).status, 2) << bad;
}

TEST_F(SimCliTest, BadScenarioIsRefusedWithTheField) {
  std::ofstream(dir / "bad.json") << R"({"page": {"bids_made": 7}})";
  const SimRun r = RunSim((dir / "bad.json").string());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("page.bids_made: must lie within 0..3"), std::string::npos) << r.output;
  EXPECT_EQ(RunSim("").status, 2);
  EXPECT_EQ(RunSim("--sweep nonsense " + calm).status, 2);
}

}  // namespace
}  // namespace tavik::testing
