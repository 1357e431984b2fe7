// The dictionary tool on image files: a dictionary cut from a rendered line of text reads the
// page it came from.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "recognition/bmp.h"
#include "recognition/glyph_font.h"
#include "recognition/run_tool.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

class TavikDictTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("dict-" + std::to_string(getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    image_ = (dir_ / "page.bmp").string();
    dict_ = (dir_ / "digits.dict").string();
    // A sample line of every character, and a page line to read back, on grey.
    Image page(120, 40, 0xC0C0C0);
    const Dictionary font = test::DigitDictionary();
    test::DrawText(page, 5, 5, "0123456789:.", 0x0000FF, font);
    test::DrawText(page, 5, 20, "88300 10:25", 0x0000FF, font);
    test::DrawText(page, 70, 20, "7", 0xFF0000, font);
    std::string error;
    ASSERT_TRUE(WriteBmp(image_, page, error)) << error;
  }
  void TearDown() override { fs::remove_all(dir_); }

  test::ToolResult tool(std::vector<std::string> args) {
    args.insert(args.begin(), TAVIK_DICT_PATH);
    return test::RunTool(args);
  }

  fs::path dir_;
  std::string image_;
  std::string dict_;
};

TEST_F(TavikDictTest, GlyphsCutFromASampleLineReadThePage) {
  auto r = tool({"glyphs", dict_, image_, "0,0,120,15", "240.100.100-0.0.0", "0123456789:."});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  r = tool({"list", dict_});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("12 glyphs, word gap automatic"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(": 1x3"), std::string::npos) << "cut to its ink: " << r.out;

  r = tool({"ocr", dict_, image_, "0,15,120,40", "240.100.100-0.0.0"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("text: \"8830010:25\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("words: \"88300|10:25\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("8 at 5,20"), std::string::npos) << r.out;

  r = tool({"find", dict_, image_, "0,15,120,40", "240.100.100-0.0.0", "3"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("\"3\" found at 13,20"), std::string::npos) << r.out;
  r = tool({"find", dict_, image_, "0,15,120,40", "240.100.100-0.0.0", "7"});
  EXPECT_EQ(r.exitCode, 1) << "the red 7 is not blue: " << r.out;
  r = tool({"find", dict_, image_, "0,15,120,40", "0.100.100-0.0.0", "7"});
  EXPECT_NE(r.out.find("\"7\" found at 70,20"), std::string::npos) << r.out;
}

TEST_F(TavikDictTest, AddRemoveAndRefusals) {
  // A word cut as one picture, then removed again.
  auto r = tool({"add", dict_, image_, "0,18,25,30", "240.100.100-0.0.0", "price"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("added \"price\" 19x5"), std::string::npos) << r.out;
  r = tool({"add", dict_, image_, "0,18,25,30", "240.100.100-0.0.0", "other"});
  EXPECT_EQ(r.exitCode, 1) << "the same picture under a second name";
  EXPECT_EQ(tool({"remove", dict_, "price"}).exitCode, 0);
  EXPECT_NE(tool({"list", dict_}).out.find("0 glyphs"), std::string::npos);

  // Bad input is refused with a usage error and leaves the file alone.
  const std::string before = tool({"list", dict_, "--show"}).out;
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"add", dict_, image_, "0,18,40", "240.100.100-0.0.0", "x"},
           {"add", dict_, image_, "0,18,40,30", "240.100-0.0.0", "x"},
           {"add", dict_, image_, "0,18,40,30", "240.100.100-0.0.0", "a|b"},
           {"glyphs", dict_, image_, "0,0,120,15", "240.100.100-0.0.0", "0123"},
           {"nonsense"}}) {
    EXPECT_NE(tool(args).exitCode, 0) << args[0] << " " << args.back();
  }
  EXPECT_EQ(tool({"add", dict_, image_, "0,0,120,4", "240.100.100-0.0.0", "x"}).exitCode, 1)
      << "no ink in the rectangle";
  EXPECT_EQ(tool({"list", dict_, "--show"}).out, before);

  // A damaged dictionary is not overwritten.
  std::ofstream(dict_, std::ios::trunc) << "tavik-dictionary 1\nglyph 7 3 2\n###\n";
  EXPECT_EQ(
      tool({"glyphs", dict_, image_, "0,0,120,15", "240.100.100-0.0.0", "0123456789:."}).exitCode,
      1);
  std::ifstream in(dict_);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "tavik-dictionary 1\nglyph 7 3 2\n###\n");
}

TEST_F(TavikDictTest, WritesAndReadsTheCompactFormat) {
  const auto firstLine = [](const std::string& path) {
    std::string line;
    std::getline(std::ifstream(path) >> std::ws, line);
    return line;
  };
  const std::string compact = (dir_ / "compact.dict").string();
  ASSERT_EQ(
      tool({"glyphs", dict_, image_, "0,0,120,15", "240.100.100-0.0.0", "0123456789:."}).exitCode,
      0);
  auto r = tool({"convert", dict_, compact, "--format", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("format 2, 12 glyphs"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" of the 15000 characters a download holds"), std::string::npos) << r.out;
  EXPECT_EQ(firstLine(compact), "tavik-dictionary 2");
  EXPECT_NE(tool({"list", compact}).out.find("12 glyphs, word gap automatic, format 2"),
            std::string::npos);
  const auto pictures = [&](const std::string& path) {
    const std::string out = tool({"list", path, "--show"}).out;
    return out.substr(out.find('\n'));
  };
  EXPECT_EQ(pictures(compact), pictures(dict_)) << "the same glyphs in both formats";
  r = tool({"ocr", compact, image_, "0,15,120,40", "240.100.100-0.0.0"});
  EXPECT_NE(r.out.find("words: \"88300|10:25\""), std::string::npos) << r.out;

  // Editing keeps the file's format unless another is asked for.
  ASSERT_EQ(tool({"word-gap", compact, "3"}).exitCode, 0);
  EXPECT_EQ(firstLine(compact), "tavik-dictionary 2");
  ASSERT_EQ(tool({"remove", compact, ".", "--format", "1"}).exitCode, 0);
  EXPECT_EQ(firstLine(compact), "tavik-dictionary 1");
  EXPECT_NE(tool({"list", compact}).out.find("11 glyphs, word gap 3, format 1"), std::string::npos);
  const std::string fresh = (dir_ / "fresh.dict").string();
  ASSERT_EQ(
      tool({"add", fresh, image_, "0,18,25,30", "240.100.100-0.0.0", "price", "--format", "2"})
          .exitCode,
      0);
  EXPECT_EQ(firstLine(fresh), "tavik-dictionary 2");

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"convert", dict_, compact},
                                             {"convert", dict_, compact, "--format", "3"},
                                             {"convert", dict_, compact, "--format"},
                                             {"list", dict_, "--format", "2"}}) {
    EXPECT_EQ(tool(args).exitCode, 2) << args.back();
  }
}

}  // namespace
}  // namespace tavik
