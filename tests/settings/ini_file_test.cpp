#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "support/temp_dir.h"

namespace tavik {
namespace {

using testing::TempDir;

TEST(LeadingInt, FollowsTheCLibraryRule) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"300", 300},
      {"  -45", -45},
      {"+7", 7},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"0012", 12},
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
      {"-2147483648", INT32_MIN},
      {"3.9", 3},
  };
  for (const Case& c : cases) EXPECT_EQ(LeadingInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(ResolveProgramPath, RelativeNamesLieBesideTheProgram) {
  EXPECT_EQ(ResolveProgramPath("/opt/tavik/", "./profile.ini"), "/opt/tavik/profile.ini");
  EXPECT_EQ(ResolveProgramPath("/opt/tavik/", "profile_2.ini"), "/opt/tavik/profile_2.ini");
  EXPECT_EQ(ResolveProgramPath("/opt/tavik/", "/etc/x.ini"), "/etc/x.ini");
}

TEST(CIni, ReadsLikeThePrivateProfileCalls) {
  TempDir dir;
  dir.write("p.ini",
            "; a comment = 5\n"
            "[other]\n"
            "Last Sec 2=11\n"
            "[SETTINGS]\n"
            "  last sec 2 = 48  \n"
            "Last Sec 2=99\n"
            "Text=12 apples\n"
            "Quoted=\"42\"\n"
            "Empty=\n"
            "[Settings]\n"
            "Second=7\n");
  const CIni ini(dir.dir(), "./p.ini", "Settings");
  EXPECT_EQ(ini.ReadInt("LAST SEC 2"), 48);  // first section and first key win, any case
  EXPECT_EQ(ini.ReadInt("Text"), 12);
  EXPECT_EQ(ini.ReadInt("Quoted"), 42);
  EXPECT_EQ(ini.ReadInt("Empty"), 0);
  EXPECT_EQ(ini.ReadInt("Missing"), 0);
  EXPECT_EQ(ini.ReadInt("Second"), 0);  // only the first [Settings] counts
  EXPECT_EQ(ini.ReadString("a comment", "none"), "none");
  EXPECT_EQ(CIni(dir.dir(), "./absent.ini", "Settings").ReadInt("Last Sec 2"), 0);
  EXPECT_EQ(CIni(dir.dir(), "./p.ini", "Absent").ReadString("Last Sec 2", "d"), "d");
}

TEST(CIni, AByteOrderMarkDoesNotHideTheFirstSection) {
  TempDir dir;
  dir.write("p.ini", "\xEF\xBB\xBF[Settings]\nLast Sec 2=48\n");
  const CIni ini(dir.dir(), "p.ini", "Settings");
  EXPECT_EQ(ini.ReadInt("Last Sec 2"), 48);
  ASSERT_TRUE(ini.WriteInt("Bu2", 1));
  EXPECT_EQ(dir.read("p.ini"), "\xEF\xBB\xBF[Settings]\nLast Sec 2=48\nBu2=1\n");
}

TEST(CIni, LongValuesAreCutTo255Bytes) {
  TempDir dir;
  dir.write("p.ini", "[Settings]\nLong=" + std::string(300, '7') + "\n");
  EXPECT_EQ(CIni(dir.dir(), "p.ini", "Settings").ReadString("Long", "").size(), 255u);
}

TEST(CIni, WritesKeepEveryOtherLine) {
  TempDir dir;
  dir.write("p.ini",
            "# kept comment\r\n"
            "[Settings]\r\n"
            "Unknown Key = keep me\r\n"
            "bu2=0\r\n"
            "\r\n"
            "[Other]\r\n"
            "Bu2=5\r\n");
  const CIni ini(dir.dir(), "p.ini", "settings");
  ASSERT_TRUE(ini.WriteInt("Bu2", 1));        // replaced in place
  ASSERT_TRUE(ini.WriteInt("Go Sec 1", -3));  // appended to the section
  EXPECT_EQ(dir.read("p.ini"),
            "# kept comment\r\n"
            "[Settings]\r\n"
            "Unknown Key = keep me\r\n"
            "Bu2=1\r\n"
            "Go Sec 1=-3\r\n"
            "\r\n"
            "[Other]\r\n"
            "Bu2=5\r\n");
  EXPECT_EQ(dir.entries(), 1u);  // no temporary file left behind
}

TEST(CIni, CreatesTheFileAndTheSection) {
  TempDir dir;
  ASSERT_TRUE(CIni(dir.dir(), "./new.ini", "Settings").WriteInt("fangan", 2));
  EXPECT_EQ(dir.read("new.ini"), "[Settings]\nfangan=2\n");

  dir.write("tail.ini", "[Other]\nx=1");  // no line end after the last line
  ASSERT_TRUE(CIni(dir.dir(), "tail.ini", "Settings").WriteInt("fangan", 0));
  EXPECT_EQ(dir.read("tail.ini"), "[Other]\nx=1\n[Settings]\nfangan=0\n");
  ASSERT_TRUE(CIni(dir.dir(), "tail.ini", "Other").WriteInt("y", 2));
  EXPECT_EQ(dir.read("tail.ini"), "[Other]\nx=1\ny=2\n[Settings]\nfangan=0\n");
}

// A disk that fills up in the middle of a save: the write of the temporary file fails, and
// the user's previous file must still be there, whole, with no stray temporary file.
TEST(ReplaceFileContents, AFailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string old = "[Settings]\nLast Sec 2=48\n";
  dir.write("profile_1.ini", old);

  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool ok = ReplaceFileContents(dir.file("profile_1.ini"), std::string(4096, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(ok);
  EXPECT_EQ(dir.read("profile_1.ini"), old);
  EXPECT_EQ(dir.entries(), 1u);
}

TEST(ReplaceFileContents, FailsWithoutTouchingAnythingWhenTheDirectoryIsMissing) {
  TempDir dir;
  EXPECT_FALSE(ReplaceFileContents(dir.file("missing/p.ini"), "x"));
  EXPECT_FALSE(CIni(dir.dir(), "missing/p.ini", "Settings").WriteInt("a", 1));
}

TEST(ReplaceFileContents, ALinkedProfileStaysALink) {
  TempDir dir;
  dir.write("real.ini", "[Settings]\n");
  std::filesystem::create_symlink(dir.file("real.ini"), dir.file("profile_1.ini"));
  ASSERT_TRUE(CIni(dir.dir(), "profile_1.ini", "Settings").WriteInt("Bu2", 1));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("profile_1.ini")));
  EXPECT_EQ(dir.read("real.ini"), "[Settings]\nBu2=1\n");
}

TEST(ReplaceFileContents, KeepsTheFilePermissions) {
  TempDir dir;
  dir.write("p.ini", "a");
  std::filesystem::permissions(dir.file("p.ini"), std::filesystem::perms(0600));
  ASSERT_TRUE(ReplaceFileContents(dir.file("p.ini"), "b"));
  EXPECT_EQ(std::filesystem::status(dir.file("p.ini")).permissions(), std::filesystem::perms(0600));
  EXPECT_EQ(dir.read("p.ini"), "b");
}

}  // namespace
}  // namespace tavik
