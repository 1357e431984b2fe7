// The starter profiles shipped beside the program: every key is one the program reads, each
// gives the strategy the README describes (cautious, aggressive, common), and installing them never
// replaces a user's file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "settings/scheme.h"
#include "support/temp_dir.h"

namespace tavik::testing {
namespace {

const std::string kProfiles = TAVIK_SOURCE_DIR "/profiles/";

TEST(StarterProfiles, EveryKeyIsKnownAndTheStrategyIsTheDocumentedOne) {
  Strategy probe;
  int32_t recordingProbe = 0;
  std::set<std::string> known;
  for (const SchemeKey& k : SchemeKeys(probe, recordingProbe)) known.insert(k.name);

  for (int scheme = 0; scheme < 3; ++scheme) {
    SCOPED_TRACE(SchemeFileName(scheme));
    std::ifstream in(kProfiles + "profile_" + std::to_string(scheme + 1) + ".ini");
    ASSERT_TRUE(in);
    std::string line;
    size_t keys = 0;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line.front() == '[') continue;
      EXPECT_TRUE(known.count(line.substr(0, line.find('=')))) << line;
      ++keys;
    }
    EXPECT_EQ(keys, known.size());

    // The README's tables: cautious, aggressive, common (the practice scheme).
    struct Documented {
      int bid2Add, bid3Add, bid3Sec, earlyDiff, earlySec, forceSec;
    };
    constexpr Documented kSchemes[] = {
        {600, 300, 22, 300, 10, 5}, {900, 600, 18, 600, 6, 3}, {700, 400, 20, 400, 8, 4}};
    const Documented& want = kSchemes[scheme];
    Strategy s;
    int32_t recording = 0;
    ASSERT_TRUE(LoadSchemeFile(kProfiles, scheme, s, recording));
    EXPECT_EQ(s.m_bid2Sec, 48);
    EXPECT_EQ(s.m_bid2Mode, 0);
    EXPECT_EQ(s.m_bid2AddPrice, want.bid2Add);
    EXPECT_EQ(s.m_bid3Mode, 0);
    EXPECT_EQ(s.m_bid3AddPrice, want.bid3Add);
    EXPECT_EQ(s.m_bid3Now, 0);
    EXPECT_EQ(s.m_bid3Sec, want.bid3Sec);
    EXPECT_EQ(s.m_advOption[17], 1);
    EXPECT_EQ(s.m_advOption[18], 1);
    EXPECT_EQ(s.m_advOption[3], 0);
    EXPECT_EQ(s.m_earlyMaxDiff, want.earlyDiff);
    EXPECT_EQ(s.m_earlySec, want.earlySec);
    EXPECT_EQ(s.m_forceSec, want.forceSec);
  }
}

TEST(StarterProfiles, InstallingKeepsTheUsersOwnProfile) {
  TempDir dir;
  std::ofstream(dir.file("profile_1.ini")) << "[Settings]\nLast Sec 2=45\n";
  const std::string command = std::string(CMAKE_COMMAND) + " -DSRC=" + kProfiles +
                              " -DDEST=" + dir.path().string() + " -P " +
                              TAVIK_SOURCE_DIR "/cmake/starter_profiles.cmake";
  for (int run = 0; run < 2; ++run) ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(TempDir::readFile(dir.file("profile_1.ini")), "[Settings]\nLast Sec 2=45\n");
  for (const char* name : {"profile_2.ini", "profile_3.ini"}) {
    EXPECT_EQ(TempDir::readFile(dir.file(name)), TempDir::readFile(kProfiles + name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("profile_4.ini")));
}

}  // namespace
}  // namespace tavik::testing
