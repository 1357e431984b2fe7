#include "settings/ini_file.h"

#include <gtest/gtest.h>

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

TEST(ReplaceFileContents, FailsWithoutTouchingAnythingWhenTheDirectoryIsMissing) {
  TempDir dir;
  EXPECT_FALSE(ReplaceFileContents(dir.file("missing/p.ini"), "x"));
  EXPECT_FALSE(CIni(dir.dir(), "missing/p.ini", "Settings").WriteInt("a", 1));
}

}  // namespace
}  // namespace tavik
