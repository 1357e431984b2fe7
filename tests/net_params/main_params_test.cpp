// Reading the main parameters into one value: numbers, ranges and texts field by field, and
// the promises that hold for any reply (the fuzz target's corpus, replayed).

#include "net/main_params.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "net_params/main_params_invariants.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

TEST(ParseParamNumber, OnlyWholeNumbersWithinInt32) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"12", 12},
      {" -7\t", -7},
      {"+3", 3},
      {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"2147483648", std::nullopt},  // atoi's undefined overflow
      {"99999999999", std::nullopt},
      {"12abc", std::nullopt},  // atoi would read 12
      {"abc", std::nullopt},    // atoi would read 0
      {"", std::nullopt},
      {"-", std::nullopt},
      {"1 2", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseParamNumber(c.text), c.value);
  }
}

// Fields 0..20 where every field is valid, with some replaced.
std::vector<std::string> Fields(const std::map<int, std::string>& replaced = {}) {
  std::vector<std::string> fields = {"2",           "1",       "-2",   "3",       "-4",
                                     "x",           "6",       "5;-6", "1",       "112345",
                                     "ntp.test.cn", "1",       "1",    "4",       "-120",
                                     "1011111111",  "IEFrame", "2",    "120;340", "r1.test;r2.test",
                                     "9.2.0###919"};
  for (const auto& [index, text] : replaced) fields[size_t(index)] = text;
  return fields;
}

TEST(ParseMainParams, EveryValidFieldIsRead) {
  const MainParams p = ParseMainParams(Fields());
  EXPECT_EQ(p.m_netMode, 2);
  EXPECT_EQ(p.priceAreaX, 1);
  EXPECT_EQ(p.priceAreaY, -2);
  EXPECT_EQ(p.anchorJjX, 3);
  EXPECT_EQ(p.anchorJjY, -4);
  EXPECT_EQ(p.g_captchaDigits, 6);
  EXPECT_EQ(p.g_anchor201Adjust, (Point{5, -6}));
  EXPECT_EQ(p.m_pasteMode, 1);
  EXPECT_EQ(p.dataVersion, 12345);
  EXPECT_EQ(p.ntp, (NtpSetting{true, "ntp.test.cn"}));
  EXPECT_EQ(p.m_skipBidButtonCheck, 1);
  EXPECT_TRUE(p.secondHalf);
  EXPECT_EQ(p.forceShift, 4);
  EXPECT_EQ(p.m_ntpTrimMs, -120);
  EXPECT_EQ(p.m_featureSwitches, "1011111111");
  EXPECT_EQ(p.m_clientClass, "IEFrame");
  EXPECT_EQ(p.m_netPriceServer, 2);
  EXPECT_EQ(p.pageFocus, (Point{120, 340}));
  ASSERT_TRUE(p.relayHosts);
  EXPECT_EQ(p.relayHosts->hosts, (std::vector<std::string>{"r1.test", "r2.test"}));
  EXPECT_TRUE(p.relayHosts->udpEnabled);
  EXPECT_EQ(p.latestVersion, "9.2.0");
  EXPECT_TRUE(p.refused.empty());
}

// One field replaced: what it reads as, and whether it is refused (a refused field carries no
// value at all; the other fields are read as before).
TEST(ParseMainParams, EachFieldOnItsOwn) {
  const struct {
    int field;
    std::string text;
    bool refused;
    std::function<bool(const MainParams&)> holds;
  } cases[] = {
      {0, "12", false, [](const MainParams& p) { return p.m_netMode == 0; }},
      {0, "abc", true, [](const MainParams& p) { return !p.m_netMode; }},
      {1, "51", true, [](const MainParams& p) { return !p.priceAreaX && p.priceAreaY == -2; }},
      {2, "-49", false, [](const MainParams& p) { return p.priceAreaY == -49; }},
      {6, "1", true, [](const MainParams& p) { return !p.g_captchaDigits; }},
      {6, "2", false, [](const MainParams& p) { return p.g_captchaDigits == 2; }},
      {6, "10", false, [](const MainParams& p) { return p.g_captchaDigits == 10; }},
      {6, "11", true, [](const MainParams& p) { return !p.g_captchaDigits; }},
      {7, "12;abc", true, [](const MainParams& p) { return !p.g_anchor201Adjust; }},
      {7, "1;", true, [](const MainParams& p) { return !p.g_anchor201Adjust; }},
      {7, "1;99999", true, [](const MainParams& p) { return !p.g_anchor201Adjust; }},
      {8, "2", true, [](const MainParams& p) { return !p.m_pasteMode; }},
      {9, "100000", false, [](const MainParams& p) { return p.dataVersion == 0; }},
      {9, "120000", false, [](const MainParams& p) { return p.dataVersion == -1; }},
      {9, "-2147483648", false, [](const MainParams& p) { return p.dataVersion == -1; }},
      {10, "abcde", false, [](const MainParams& p) { return p.ntp == NtpSetting{}; }},
      {10, "ntp.example.cn", false,
       [](const MainParams& p) {
         return p.ntp == NtpSetting{true, "ntp.example.cn"};
       }},
      {10, "time.a-very-long.example.cn", true, [](const MainParams& p) { return !p.ntp; }},
      {10, "ntp;rm -rf", true, [](const MainParams& p) { return !p.ntp; }},
      {12, "0", false, [](const MainParams& p) { return !p.secondHalf; }},
      {13, "25", false, [](const MainParams& p) { return p.forceShift == 25; }},
      {14, "5001", true, [](const MainParams& p) { return !p.m_ntpTrimMs; }},
      {15, "101111111", true, [](const MainParams& p) { return !p.m_featureSwitches; }},
      {15, "1011 11111", true, [](const MainParams& p) { return !p.m_featureSwitches; }},
      {16, "\xCA\xD4\xD1\xE9", false,  // GBK for "试验"
       [](const MainParams& p) { return p.m_clientClass == "试验"; }},
      {16, "IE\x01", true, [](const MainParams& p) { return !p.m_clientClass; }},
      {17, "4", true, [](const MainParams& p) { return !p.m_netPriceServer; }},
      {18, "1;2", true, [](const MainParams& p) { return !p.pageFocus; }},
      {19, "ab", false,
       [](const MainParams& p) {
         return !p.relayHosts->udpEnabled && p.relayHosts->hosts == std::vector<std::string>{"ab"};
       }},
      {19, "a;b;c;d;e;f;g", false,
       [](const MainParams& p) { return p.relayHosts->hosts.size() == 5; }},
      {19, "r1.test;bad host", true, [](const MainParams& p) { return !p.relayHosts; }},
      {19, "r1.test;a-twenty-chars-names", true, [](const MainParams& p) { return !p.relayHosts; }},
      {20, "9.2.0", false, [](const MainParams& p) { return !p.latestVersion; }},
      {20, "../x###919", true, [](const MainParams& p) { return !p.latestVersion; }},
      {20, "###919", true, [](const MainParams& p) { return !p.latestVersion; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("field " + std::to_string(c.field) + " = " + c.text);
    const MainParams p = ParseMainParams(Fields({{c.field, c.text}}));
    EXPECT_TRUE(c.holds(p));
    EXPECT_EQ(p.refused, c.refused ? std::vector<int>{c.field} : std::vector<int>{});
  }
}

TEST(ParseMainParams, FewerFieldsReadOnlyThoseSent) {
  const MainParams p = ParseMainParams({"3", "7"});
  EXPECT_EQ(p.m_netMode, 3);
  EXPECT_EQ(p.priceAreaX, 7);
  EXPECT_FALSE(p.priceAreaY);
  EXPECT_FALSE(p.latestVersion);
  EXPECT_TRUE(p.refused.empty());
}

TEST(ParseMainParams, CorpusKeepsEveryPromise) {
  size_t files = 0;
  for (const auto& file : std::filesystem::directory_iterator(TAVIK_MAIN_PARAMS_CORPUS)) {
    SCOPED_TRACE(file.path().filename().string());
    EXPECT_EQ(testing::CheckMainParamsReply(testing::TempDir::readFile(file.path())), "");
    ++files;
  }
  EXPECT_GE(files, 5u);
}

}  // namespace
}  // namespace tavik
