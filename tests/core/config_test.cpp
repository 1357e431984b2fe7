#include "core/config.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace tavik {
namespace {

using testing::TempDir;

TEST(Config, FileOverridesDefaultsAndReportsUnknownKeys) {
  TempDir dir;
  const std::string path = dir.file("tavik.conf");
  TempDir::writeFile(path,
                     "# comment\n"
                     "browser_command = chromium --new-window\n"
                     "ntp_servers = 127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4\n"
                     "ntp_port=1123\n"
                     "practice_bid_number_2 = 51000051\n"
                     "colour = blue\n"
                     "share_prices = 0\n"
                     "share_prices = maybe\n");
  Config c;
  std::vector<std::string> warnings;
  EXPECT_TRUE(c.load(path, &warnings));
  EXPECT_EQ(c.browserCommand, (std::vector<std::string>{"chromium", "--new-window"}));
  EXPECT_EQ(c.ntpServers[3], "127.0.0.4");
  EXPECT_EQ(c.ntpPort, 1123);
  EXPECT_EQ(c.practiceBidNumber2, "51000051");
  EXPECT_EQ(c.practiceBidNumber1, Config{}.practiceBidNumber1);
  EXPECT_FALSE(c.sharePrices) << "a bad value leaves the last good one";
  EXPECT_TRUE(Config{}.sharePrices);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find(":6: unknown key \"colour\""), std::string::npos);
  EXPECT_NE(warnings[1].find(":8: share_prices \"maybe\" is not 0 or 1"), std::string::npos);
}

// Notepad saves UTF-8 with a byte-order mark; the first key is still a key. The file may lie
// in a folder with a Chinese name.
TEST(Config, AByteOrderMarkAndAChineseFolderAreAccepted) {
  TempDir dir("拍牌工具");
  dir.write("tavik.conf", "\xEF\xBB\xBFntp_port = 1123\r\nshare_prices = 0\r\n");
  Config c;
  std::vector<std::string> warnings;
  EXPECT_TRUE(c.load(dir.file("tavik.conf"), &warnings));
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  EXPECT_EQ(c.ntpPort, 1123);
  EXPECT_FALSE(c.sharePrices);
}

// The users are in mainland China, where some foreign public time servers often do not answer.
// Server 1 is tried twice in each sync cycle, so the most dependable comes first.
TEST(Config, BuiltInTimeServersAreOnesThatAnswerInMainlandChina) {
  EXPECT_EQ(Config{}.ntpServers, (std::vector<std::string>{"ntp.aliyun.com", "ntp.tencent.com",
                                                           "ntp.ntsc.ac.cn", "cn.ntp.org.cn"}));
}

TEST(Config, MissingFileKeepsDefaultsAndShortServerListIsFilledUp) {
  TempDir dir;
  Config c;
  EXPECT_TRUE(c.load(dir.file("none.conf")));
  EXPECT_EQ(c.ntpServers.size(), 4u);
  TempDir::writeFile(dir.file("short.conf"), "ntp_servers = 127.0.0.9\nbrowser_command =\n");
  EXPECT_TRUE(c.load(dir.file("short.conf")));
  EXPECT_EQ(c.ntpServers, std::vector<std::string>(4, "127.0.0.9"));
  EXPECT_EQ(c.browserCommand, Config{}.browserCommand) << "an empty command falls back";
}

// The built-in hosts file is the system's own: /etc/hosts, or the one under %SystemRoot%.
TEST(Config, TheBuiltInHostsFileIsTheSystems) {
  EXPECT_TRUE(std::filesystem::exists(Config{}.hostsFile)) << Config{}.hostsFile;
}

// Pages open in the user's browser: through xdg-open, or on Windows the address alone, which the
// shell hands to the default browser (and which fails when there is none).
TEST(Config, TheBuiltInBrowserIsTheUsersDefault) {
#ifdef _WIN32
  EXPECT_TRUE(Config{}.browserCommand.empty());
#else
  EXPECT_EQ(Config{}.browserCommand, std::vector<std::string>{"xdg-open"});
#endif
}

}  // namespace
}  // namespace tavik
