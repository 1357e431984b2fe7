// What a save keeps on POSIX file systems: a full disk (the file-size limit), links and
// permissions.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "core/file_replace.h"
#include "settings/ini_file.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

using testing::TempDir;

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
