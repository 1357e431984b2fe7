// File names in UTF-8, in a folder with a Chinese name (a user's "D:\拍牌工具"): what one call
// writes, every other call finds, on Windows as on Linux.

#include "core/file_names.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/file_replace.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

using testing::TempDir;

TEST(FileNames, AChineseFolderIsOneFolderForEveryCall) {
  TempDir dir("拍牌工具");
  const std::string path = dir.file("方案.ini");
  EXPECT_EQ(Utf8FromPath(PathFromUtf8(path)), path);

  std::string text;
  EXPECT_EQ(ReadFileUtf8(path, 100, text), FileRead::kMissing);
  ASSERT_TRUE(ReplaceFileContents(path, "[Settings]\r\n"));
  EXPECT_TRUE(std::filesystem::exists(PathFromUtf8(path)));
  std::FILE* log = OpenFileUtf8(path, "ab");
  ASSERT_NE(log, nullptr);
  std::fputs("Bid Number=12345678\r\n", log);
  std::fclose(log);
  ASSERT_EQ(ReadFileUtf8(path, 100, text), FileRead::kRead);
  EXPECT_EQ(text, "[Settings]\r\nBid Number=12345678\r\n");
  // The test's own way to the file (wide on Windows) sees the same bytes.
  EXPECT_EQ(dir.read("方案.ini"), text);
}

TEST(FileNames, ReadsTellMissingFromUnreadableAndTooLarge) {
  TempDir dir("拍牌工具");
  dir.write("full.ini", std::string(64, 'x'));
  std::filesystem::create_directory(dir.pathOf("目录.ini"));
  std::string text = "kept?";
  EXPECT_EQ(ReadFileUtf8(dir.file("full.ini"), 64, text), FileRead::kRead);
  EXPECT_EQ(text.size(), 64u);
  EXPECT_EQ(ReadFileUtf8(dir.file("full.ini"), 63, text), FileRead::kTooLarge);
  EXPECT_EQ(text, "") << "nothing of a refused file is handed on";
  EXPECT_EQ(ReadFileUtf8(dir.file("目录.ini"), 64, text), FileRead::kUnreadable);
  EXPECT_EQ(ReadFileUtf8(dir.file("无此目录/a.ini"), 64, text), FileRead::kMissing);
}

TEST(FileNames, AByteOrderMarkIsTakenOffOnlyAtTheStart) {
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB\xBFkey=1"), "key=1");
  EXPECT_EQ(WithoutByteOrderMark("key=\xEF\xBB\xBF"), "key=\xEF\xBB\xBF");
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

}  // namespace
}  // namespace tavik
