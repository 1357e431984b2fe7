#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "page/recognition_update.h"
#include "page/update_invariants.h"
#include "support/temp_dir.h"

namespace tavik {
namespace {

constexpr const char* kD = "0.100.100-0.0.0|240.100.100-0.0.0";

std::string Rect(std::string_view key, std::string_view numbers, std::string_view colours = kD) {
  return std::string(key) + ",func=1;pos=" + std::string(numbers) +
         ";color=" + std::string(colours);
}

RectRefused Refused(RectRow row, Refusal why, std::string colours = {}) {
  return RectRefused{row, why, std::move(colours)};
}

PointsChange Points(std::initializer_list<PointChange> points) {
  return PointsChange{points};
}

// The bid button set to (200 + i, 300) for i in 0..count-1.
PointsChange BidButtonPoints(int count) {
  PointsChange c;
  for (int i = 0; i < count; ++i) c.points.push_back({ClickPoint::bidbutton, {200 + i, 300}});
  return c;
}

struct Case {
  const char* name;
  std::string payload;
  std::vector<UpdateEntry> expected;
  bool refused = false;  // the payload as a whole
};

// A click-point entry with `parts` parts after the key, every one setting the bid button.
std::string ManyPointParts(int parts) {
  std::string entry = "net_btn_pos,func=1";
  for (int i = 0; i < parts; ++i) entry += ";bidbutton=" + std::to_string(200 + i) + ",300";
  return entry;
}

std::vector<Case> ParserCases() {
  using R = RectRow;
  const std::string longEntry =
      Rect("net_rec_nowprice", "152,390,48,14", kD) + std::string(990, ' ');
  return {
      {"valid row",
       Rect("net_rec_nowprice", "152,390,48,14"),
       {RectChange{R::net_rec_nowprice, {152, 390, 48, 14}, kD}}},
      {"bounds of x and y",
       Rect("net_rec_bidbutton", "11,999,0,9999"),
       {RectChange{R::net_rec_bidbutton, {11, 999, 0, 9999}, kD}}},
      {"x below range",
       Rect("net_rec_bidbutton", "10,400,1,1"),
       {Refused(R::net_rec_bidbutton, Refusal::kOutOfRange)}},
      {"y above range",
       Rect("net_rec_bidbutton", "400,1000,1,1"),
       {Refused(R::net_rec_bidbutton, Refusal::kOutOfRange)}},
      {"size that could overflow",
       Rect("net_rec_bidbutton", "400,400,2147483647,1"),
       {Refused(R::net_rec_bidbutton, Refusal::kOutOfRange)}},
      {"height out of range",
       Rect("net_rec_bidbutton", "400,400,1,10000"),
       {Refused(R::net_rec_bidbutton, Refusal::kOutOfRange)}},
      {"sign or letters in a number",
       Rect("net_rec_bidbutton", "400,-400,1,1"),
       {Refused(R::net_rec_bidbutton, Refusal::kMalformed)}},
      {"third comma missing",
       Rect("net_rec_bidbutton", "400,400,1"),
       {Refused(R::net_rec_bidbutton, Refusal::kMalformed)}},
      {"semicolon after h missing",
       "net_rec_bidbutton,func=1;pos=400,400,1,1 color=" + std::string(kD),
       {Refused(R::net_rec_bidbutton, Refusal::kMalformed)}},
      {"color= missing",
       "net_rec_bidbutton,func=1;pos=400,400,1,1;" + std::string(kD),
       {Refused(R::net_rec_bidbutton, Refusal::kMalformed)}},
      {"bad colour spec",
       Rect("net_rec_bidbutton", "400,400,1,1", "red"),
       {Refused(R::net_rec_bidbutton, Refusal::kBadColours, "red")}},
      {"hue out of range",
       Rect("net_rec_bidbutton", "400,400,1,1", "360.1.1-0.0.0"),
       {Refused(R::net_rec_bidbutton, Refusal::kBadColours, "360.1.1-0.0.0")}},
      {"empty colour spec",
       Rect("net_rec_bidbutton", "400,400,1,1", " "),
       {Refused(R::net_rec_bidbutton, Refusal::kBadColours, "")}},
      {"trailing \\r and blanks",
       Rect("net_rec_ddjj", " 23, 147 ,0,0", "  213.81.87-0.0.0 \r"),
       {RectChange{R::net_rec_ddjj, {23, 147, 0, 0}, "213.81.87-0.0.0"}}},
      {"joined lines cut at /r",
       Rect("net_rec_ddjj", "23,147,0,0", "1.2.3-0.0.0/r/nnoise|x"),
       {RectChange{R::net_rec_ddjj, {23, 147, 0, 0}, "1.2.3-0.0.0"}}},
      {"entry over 1000 characters",
       longEntry + "x",
       {Refused(R::net_rec_nowprice, Refusal::kTooLong)}},
      {"longer key wins",
       Rect("net_rec_priceconfirmrec2", "20,20,1,1"),
       {RectChange{R::net_rec_priceconfirmrec2, {20, 20, 1, 1}, kD}}},
      {"first row wins",
       Rect("net_rec_bidtimesrec_first", "20,20,1,1"),
       {RectChange{R::net_rec_bidtimesrec_first, {20, 20, 1, 1}, kD}}},
      {"no func=1 restores the row", "net_rec_ddjj,pos=50,50,0,0", {RectRestore{R::net_rec_ddjj}}},
      {"unknown key", Rect("net_rec_somethingelse", "20,20,1,1"), {}},
      {"click points",
       "net_btn_pos,func=1;bidbutton=800,410; priceedit = 741 , 404 ;plus300=100,200;"
       "addbutton=300;errorinfobutton=999,101\r",
       {Points({{ClickPoint::bidbutton, {800, 410}},
                {ClickPoint::priceedit, {741, 404}},
                {ClickPoint::errorinfobutton, {999, 101}}})}},
      {"bid_addprice_selfedit is not addbutton",
       "net_btn_pos,func=1;bid_addprice_selfedit=600,300",
       {Points({{ClickPoint::bid_addprice_selfedit, {600, 300}}})}},
      {"short part ends the list",
       "net_btn_pos,func=1;bidbutton=800,410;x=1;priceedit=741,404",
       {Points({{ClickPoint::bidbutton, {800, 410}}})}},
      {"short leading part applies nothing", "func=1;net_btn_pos;bidbutton=800,410", {Points({})}},
      {"at most 30 parts", ManyPointParts(30), {BidButtonPoints(29)}},
      {"click points restored", "net_btn_pos", {PointsRestore{}}},
      {"entries in order",
       "net_btn_pos/r/n@" + Rect("net_rec_dd201", "40,250,0,0") + "/r/n@junk@@net_rec_dd201",
       {PointsRestore{}, RectChange{R::net_rec_dd201, {40, 250, 0, 0}, kD},
        RectRestore{R::net_rec_dd201}}},
      {"empty payload", "", {}},
      {"payload of the largest size", std::string(kMaxUpdatePayload, '@'), {}},
      {"payload too large",
       Rect("net_rec_dd201", "40,250,0,0") + std::string(kMaxUpdatePayload, ' '),
       {},
       true},
  };
}

TEST(ParseRecognitionUpdate, Cases) {
  for (const Case& c : ParserCases()) {
    SCOPED_TRACE(c.name);
    const std::optional<RecognitionUpdate> parsed = ParseRecognitionUpdate(c.payload);
    ASSERT_EQ(parsed.has_value(), !c.refused);
    if (parsed) {
      EXPECT_TRUE(parsed->entries == c.expected);
    }
    EXPECT_EQ(testing::CheckRecognitionUpdate(c.payload), "");
  }
}

// Inputs kept from fuzzing and written by hand, replayed so that the ordinary test run covers
// them: none may break a promise of the parser or the apply step.
TEST(ParseRecognitionUpdate, CorpusKeepsEveryPromise) {
  size_t files = 0;
  for (const auto& file : std::filesystem::directory_iterator(TAVIK_UPDATE_CORPUS)) {
    SCOPED_TRACE(file.path().filename().string());
    EXPECT_EQ(testing::CheckRecognitionUpdate(testing::TempDir::readFile(file.path())), "");
    ++files;
  }
  EXPECT_GE(files, 5u);
}

}  // namespace
}  // namespace tavik
