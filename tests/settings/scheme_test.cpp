#include "settings/scheme.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>

#include "support/temp_dir.h"

namespace tavik {
namespace {

using testing::TempDir;

// Gives every stored field its own value, so that a key read into the wrong field shows.
void FillDistinct(Strategy& s, int32_t& recording, int base) {
  int n = base;
  for (const SchemeKey& key : SchemeKeys(s, recording)) *key.field = n++;
}

TEST(SchemeKeys, ListEveryKeyOnceInFileOrder) {
  Strategy s;
  int32_t rec = 0;
  const auto keys = SchemeKeys(s, rec);
  ASSERT_EQ(keys.size(), 22u + 36 + 2 + 20 + 7 + 5 + 12 + 1);
  EXPECT_EQ(keys.front().name, "Auto Bid 2");
  EXPECT_EQ(keys[9].name, "Bid Add 3");
  EXPECT_EQ(keys[22].name, "Go Sec 1");
  EXPECT_EQ(keys[58].name, "Qiang Flag");
  EXPECT_EQ(keys[60].name, "adv op 1");
  EXPECT_EQ(keys[80].name, "adv op 17_1");
  EXPECT_EQ(keys[92].name, "Go Fast 1");
  EXPECT_EQ(keys.back().name, "lx");
  std::set<std::string> names;
  for (const auto& k : keys) names.insert(k.name);
  EXPECT_EQ(names.size(), keys.size());
}

TEST(Scheme, SaveThenLoadReproducesEveryField) {
  TempDir dir("拍牌工具");
  Strategy saved;
  int32_t savedRec = 0;
  FillDistinct(saved, savedRec, 1000);
  saved.m_bid3SmartFlag = 1;  // "Bid Add 3" is written from it and must not be read back
  ASSERT_TRUE(SaveSchemeFile(dir.dir(), 1, saved, savedRec));

  Strategy loaded;
  int32_t loadedRec = 0;
  FillDistinct(loaded, loadedRec, 5000);
  LoadSchemeFile(dir.dir(), 1, loaded, loadedRec);
  const auto want = SchemeKeys(saved, savedRec);
  const auto got = SchemeKeys(loaded, loadedRec);
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(*got[i].field, *want[i].field) << want[i].name;

  // The file holds the keys in table order, one line each.
  const std::string text = dir.read("profile_2.ini");
  size_t at = 0;
  for (const auto& key : want) {
    const size_t found = text.find("\n" + key.name + "=", at);
    ASSERT_NE(found, std::string::npos) << key.name;
    at = found + 1;
  }
  EXPECT_NE(text.find("Bid Add 3=1\n"), std::string::npos);
}

// The field each key of a scheme file names, typed by hand from the file's key list rather than
// taken from SchemeKeys: save and load share that list, so two keys swapped there survive a
// save and a load, and only a file written elsewhere shows it.
struct KeyField {
  const char* key;
  int32_t Strategy::*field;
};
const KeyField kKeyFields[] = {
    {"Auto Bid 2", &Strategy::m_autoBid2},
    {"Last Sec 2", &Strategy::m_bid2Sec},
    {"Bid Add 2", &Strategy::m_bid2AddFlag},
    {"Bid Smart 2", &Strategy::m_bid2SmartFlag},
    {"Bid Dir 2", &Strategy::m_bid2DirFlag},
    {"Add Price 2", &Strategy::m_bid2AddPrice},
    {"Dir Price 2", &Strategy::m_bid2DirPrice},
    {"Bu2", &Strategy::m_bid2TopUp},
    {"Auto Bid 3", &Strategy::m_autoBid3},
    {"Bid Pre 3", &Strategy::m_bid3AddFlag},
    {"Bid Smart 3", &Strategy::m_bid3SmartFlag},
    {"Bid Dir 3", &Strategy::m_bid3DirFlag},
    {"Pre Price 3", &Strategy::m_bid3AddPrice},
    {"Dir Price 3", &Strategy::m_bid3DirPrice},
    {"Bu3", &Strategy::m_bid3TopUp},
    {"Bo 3", &Strategy::m_remedyOn},
    {"Bo Last 3", &Strategy::m_remedySec},
    {"Bo Cha 3", &Strategy::m_remedyMaxDiff},
    {"Bo Cha 4", &Strategy::m_remedyMinDiff},
    {"Bo Bu 3", &Strategy::m_remedyTopUp},
    {"Bo Cha Add3", &Strategy::m_remedyAdd},
    {"Qiang Flag", &Strategy::m_qiangFlag},
    {"Qiang Sec", &Strategy::m_qiangSec},
    {"adv op 17_1", &Strategy::m_earlyMaxDiff},
    {"adv op 17_2", &Strategy::m_earlySec},
    {"adv op 17_3", &Strategy::m_earlyDelayMs},
    {"adv op 18_1", &Strategy::m_forceSec},
    {"adv op 18_3", &Strategy::m_forceDelayMs},
    {"adv op 12_1", &Strategy::m_jumpFastThreshold},
    {"adv op 12_2", &Strategy::m_jumpSlowThreshold},
    {"autoduan", &Strategy::m_autoDisconnect},
    {"bid3now", &Strategy::m_bid3Now},
    {"bid3lastsec", &Strategy::m_bid3Sec},
    {"BadGoSmart2", &Strategy::m_bid2LateSmart},
    {"BadGoSmart3", &Strategy::m_bid3LateSmart},
};
// Numbered keys: "<stem>1" .. "<stem><rows>" name entries 1.. of a table.
struct KeySeries {
  const char* stem;
  int rows;
  int32_t* (*table)(Strategy&);
};
const KeySeries kKeySeries[] = {
    {"Go Sec ", 12, [](Strategy& s) { return s.m_smartSec; }},
    {"Go Add ", 12, [](Strategy& s) { return s.m_smartAdd; }},
    {"Go Bu ", 12, [](Strategy& s) { return s.m_smartTopUp; }},
    {"adv op ", 20, [](Strategy& s) { return s.m_advOption; }},
    {"Go Fast ", 6, [](Strategy& s) { return s.m_jumpFastAdd; }},
    {"Go Slow ", 6, [](Strategy& s) { return s.m_jumpSlowSub; }},
};

TEST(Scheme, AHandWrittenFileLoadsEachKeyIntoTheFieldItNames) {
  // Every key with a value of its own; "lx" is the run's recording flag.
  std::string text = "[Settings]\n";
  int value = 100;
  for (const KeyField& k : kKeyFields)
    text += std::string(k.key) + "=" + std::to_string(++value) + "\n";
  for (const KeySeries& k : kKeySeries) {
    for (int row = 1; row <= k.rows; ++row)
      text += k.stem + std::to_string(row) + "=" + std::to_string(++value) + "\n";
  }
  text += "lx=" + std::to_string(++value) + "\n";
  TempDir dir;
  dir.write("profile_1.ini", text);

  Strategy s;
  int32_t rec = 0;
  ASSERT_TRUE(LoadSchemeFile(dir.dir(), 0, s, rec));
  value = 100;
  for (const KeyField& k : kKeyFields) EXPECT_EQ(s.*k.field, ++value) << k.key;
  for (const KeySeries& k : kKeySeries) {
    for (int row = 1; row <= k.rows; ++row) EXPECT_EQ(k.table(s)[row], ++value) << k.stem << row;
  }
  EXPECT_EQ(rec, ++value) << "lx";

  // Every key the program reads is one of these.
  size_t read = 0;
  for (const SchemeKey& key : SchemeKeys(s, rec)) read += key.read ? 1 : 0;
  EXPECT_EQ(read, std::size(kKeyFields) + 12 * 3 + 20 + 6 * 2 + 1);
}

TEST(Scheme, WithoutFilesEverythingIsZeroButTheJumpLimits) {
  TempDir dir;
  Strategy s;
  int32_t rec = 1;
  LoadSchemeFile(dir.dir(), 0, s, rec);
  EXPECT_EQ(s.m_bid2Sec, 0);
  EXPECT_EQ(s.m_bid2AddPrice, 0);
  EXPECT_EQ(s.m_remedyMinDiff, 0);
  EXPECT_EQ(s.m_advOption[3], 0);
  EXPECT_EQ(rec, 0);
  EXPECT_EQ(s.m_jumpFastThreshold, 400);
  EXPECT_EQ(s.m_jumpSlowThreshold, 100);
  EXPECT_EQ(s.m_bid2Mode, 2);
  EXPECT_EQ(s.m_bid3AtSecFlag, 1);
  EXPECT_EQ(dir.entries(), 0u);  // loading creates nothing
}

TEST(Scheme, ModesAndFallbacksFollowTheFile) {
  struct Case {
    const char* keys;
    int bid2Mode, bid3Mode, atSec, fast, slow;
  } cases[] = {
      {"Bid Add 2=1\nBid Smart 2=1\n", 0, 2, 1, 400, 100},
      {"Bid Smart 2=1\nBid Pre 3=1\n", 1, 0, 1, 400, 100},
      {"Bid Dir 2=1\nBid Smart 3=1\nbid3now=1\n", 2, 1, 0, 400, 100},
      {"bid3now=2\nadv op 12_1=250\nadv op 12_2=-5\n", 2, 2, 1, 250, -5},
      // "Bid Add 3" is never read: only "Bid Pre 3" and "Bid Smart 3" choose the third mode.
      {"Bid Add 3=1\n", 2, 2, 1, 400, 100},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("profile_1.ini", std::string("[Settings]\n") + c.keys);
    Strategy s;
    int32_t rec = 0;
    LoadSchemeFile(dir.dir(), 0, s, rec);
    EXPECT_EQ(s.m_bid2Mode, c.bid2Mode) << c.keys;
    EXPECT_EQ(s.m_bid3Mode, c.bid3Mode) << c.keys;
    EXPECT_EQ(s.m_bid3AtSecFlag, c.atSec) << c.keys;
    EXPECT_EQ(s.m_jumpFastThreshold, c.fast) << c.keys;
    EXPECT_EQ(s.m_jumpSlowThreshold, c.slow) << c.keys;
    EXPECT_EQ(s.m_bid3SmartFlag, std::string(c.keys).find("Bid Smart 3=1") != std::string::npos);
  }
}

TEST(Scheme, SaveKeepsTheUsersOtherLinesAndReplacesKeysInPlace) {
  TempDir dir;
  dir.write("profile_1.ini",
            "; my notes about this scheme\n"
            "[Settings]\n"
            "Last Sec 2=40\n"
            "My Own Key=abc\n"
            "\n"
            "[Extra]\n"
            "Last Sec 2=1\n");
  Strategy s;
  int32_t rec = 0;
  s.m_bid2Sec = 48;
  ASSERT_TRUE(SaveSchemeFile(dir.dir(), 0, s, rec));
  const std::string text = dir.read("profile_1.ini");
  EXPECT_EQ(text.rfind("; my notes about this scheme\n[Settings]\nLast Sec 2=48\nMy Own Key=abc\n"
                       "Auto Bid 2=1\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\nlx=0\n\n[Extra]\nLast Sec 2=1\n"), std::string::npos) << text;
}

TEST(Scheme, ChoiceAndBidNumberShareTheGlobalFile) {
  TempDir dir;
  ASSERT_TRUE(SaveBidNumber(dir.dir(), "12345678"));
  ASSERT_TRUE(SaveSchemeChoice(dir.dir(), 1));
  ASSERT_TRUE(SaveSchemeChoice(dir.dir(), 2));
  EXPECT_EQ(dir.read("profile.ini"), "[Settings]\nBid Number=12345678\nfangan=2\n");
  EXPECT_EQ(LoadBidNumber(dir.dir()), "12345678");
  dir.write("profile.ini", "[Settings]\nBid Number=1234\n");
  EXPECT_EQ(LoadBidNumber(dir.dir()), "");  // a hand-edited bad number is not used
}

TEST(Scheme, BidNumbersAreEightDigits) {
  for (const char* ok : {"12345678", "00000000", "88888888"})
    EXPECT_TRUE(IsValidBidNumber(ok)) << ok;
  for (const char* bad :
       {"", "1234567", "123456789", "1234567a", " 2345678", "１２３４５６７８", "../../x1"})
    EXPECT_FALSE(IsValidBidNumber(bad)) << bad;
}

TEST(CloudScheme, SlashRAndSlashNBecomeLineBreaks) {
  EXPECT_EQ(CloudSchemeText("[Settings]/r/nLast Sec 2=45/r/nBu2=1"),
            "[Settings]\r\nLast Sec 2=45\r\nBu2=1");
  EXPECT_EQ(CloudSchemeText("a/b/"), "a/b/");  // other slashes stay
  EXPECT_EQ(CloudSchemeText(std::string(6000, 'x')).size(), kCloudSchemeMaxChars);
  // The limit counts stored characters: a line break that does not fit is cut in half.
  EXPECT_TRUE(CloudSchemeText(std::string(4998, 'x') + "/r/n") == std::string(4998, 'x') + "\r");

  TempDir dir;
  dir.write("profile_4.ini", "old scheme that must go entirely");
  ASSERT_TRUE(StoreCloudScheme(dir.dir(), "[Settings]/r/nLast Sec 2=45/r/nAdd Price 2=600"));
  Strategy s;
  int32_t rec = 0;
  LoadSchemeFile(dir.dir(), kCloudSchemeIndex, s, rec);
  EXPECT_EQ(s.m_bid2Sec, 45);
  EXPECT_EQ(s.m_bid2AddPrice, 600);
}

}  // namespace
}  // namespace tavik
