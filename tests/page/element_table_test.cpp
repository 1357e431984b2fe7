#include <gtest/gtest.h>

#include "page/element_table.h"
#include "page/element_table_store.h"

namespace tavik {
namespace {

constexpr const char* kA = "208.79.87-0.0.0|208.70.87-0.0.0|209.81.85-0.0.0|208.49.88-0.0.0";
constexpr const char* kC = "0.100.100-0.0.0|0.79.90-0.0.0";

const ElementTable& Defaults() {
  return ElementTable::Defaults();
}

TEST(ElementTableDefaults, RepresentativeRowsKeyAndLabel) {
  struct Case {
    RectRow row;
    ElementRow expected;
    const char* key;
    const char* label;
  };
  const Case cases[] = {
      {RectRow::net_rec_nowprice,
       {{152, 390, 48, 14}, "0.100.100-0.0.0|240.100.100-0.0.0"},
       "net_rec_nowprice",
       "nowprice"},
      {RectRow::net_rec_priceconfirmbutton,
       {{479, 440, 149, 66}, kA},
       "net_rec_priceconfirmbutton",
       "priceconfirmbutton_rec"},
      {RectRow::net_rec_priceconfirmrec2,
       {{450, 320, 400, 170}, "26.10.98-0.0.0"},
       "net_rec_priceconfirmrec2",
       "priceconfirmrec2"},
      {RectRow::net_rec_bidtimesrec_first,
       {{433, 482, 82, 19}, kC},
       "net_rec_bidtimesrec_first",
       "bidtimesrec_first"},
      {RectRow::net_rec_bidstatus,
       {{438, 431, 5, 10}, "258.68.70-0.0.0"},
       "net_rec_bidstatus",
       "net_rec_bidstatus"},
      {RectRow::net_rec_ddjj, {{23, 147, 0, 0}, "213.81.87-0.0.0"}, "net_rec_ddjj", "net_rec_ddjj"},
      {RectRow::net_rec_find_priceconfirmbutton,
       {{450, 440, 400, 95}, kA},
       "net_rec_find_priceconfirmbutton",
       "net_rec_find_priceconfirmbutton"},
      {RectRow::net_rec_priceshuabutton,
       {{450, 320, 400, 170}, "0.0.100-0.0.0"},
       "net_rec_priceshuabutton",
       "net_rec_priceshuabutton"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(Defaults().row(c.row), c.expected);
    EXPECT_EQ(RowKey(c.row), c.key);
    EXPECT_EQ(RowLabel(c.row), c.label);
  }
}

TEST(ElementTableDefaults, FixedRowsAndClickPoints) {
  const ElementTable& t = Defaults();
  EXPECT_EQ(t.row(FixedRow::nowprice1), (ElementRow{{152, 406, 48, 14}, "ff0000-ff0000"}));
  EXPECT_EQ(t.row(FixedRow::priceconfirm904_rec),
            (ElementRow{{450, 320, 400, 170}, "0.0.0-0.0.0"}));
  EXPECT_EQ(t.row(FixedRow::bidtimesrec_practice), (ElementRow{{433, 456, 82, 19}, kC}));
  EXPECT_EQ(t.row(FixedRow::readback_time_first_practice), (ElementRow{{571, 485, 70, 30}, kC}));
  EXPECT_EQ(t.row(FixedRow::clock_second_seconds).rect, (ElementRect{172, 375, 18, 14}));
  EXPECT_EQ(t.row(FixedRow::endtime_minutes).rect, (ElementRect{194, 327, 15, 14}));
  // Both halves read the submitted price from the same cell.
  EXPECT_EQ(t.row(FixedRow::readback_price_first), t.row(FixedRow::readback_price_second));

  EXPECT_EQ(t.point(ClickPoint::bidpriceselfedit), (ElementPoint{676, 399}));
  EXPECT_EQ(t.point(ClickPoint::errorinfobutton), (ElementPoint{661, 463}));
  EXPECT_EQ(t.point(ClickPoint::pagefocus), (ElementPoint{290, 84}));
  EXPECT_EQ(PointName(ClickPoint::bid_addprice_selfedit), "bid_addprice_selfedit");
}

// A typo in a built-in colour spec would make its row match nothing on the page.
TEST(ElementTableDefaults, EveryBuiltInColourSpecIsAccepted) {
  for (size_t i = 0; i < kRectRowCount; ++i) {
    const auto row = static_cast<RectRow>(i);
    EXPECT_TRUE(IsStorableColourSpec(Defaults().colours(row))) << RowKey(row);
  }
  for (size_t i = 0; i < kFixedRowCount; ++i) {
    EXPECT_TRUE(IsStorableColourSpec(Defaults().row(static_cast<FixedRow>(i)).colours)) << i;
  }
  EXPECT_TRUE(IsStorableColourSpec(kMarkerColoursP));
  EXPECT_TRUE(IsStorableColourSpec(kMarkerColoursQ));
}

TEST(ElementTable, ConfirmButtonRowsShareOneColoursBuffer) {
  ElementTable t = Defaults();
  ASSERT_TRUE(t.setColours(RectRow::net_rec_find_priceconfirmbutton, "1.2.3-0.0.0"));
  EXPECT_EQ(t.colours(RectRow::net_rec_priceconfirmbutton), "1.2.3-0.0.0");
  EXPECT_EQ(t.colours(RectRow::net_rec_find_pricecancelbutton), kA);

  t.setRect(RectRow::net_rec_find_priceconfirmbutton, {20, 20, 1, 1});
  t.restoreRow(RectRow::net_rec_find_priceconfirmbutton);
  EXPECT_EQ(t, Defaults());
}

TEST(ElementTable, PracticeMarkerAreaFollowsTheBidCountColours) {
  ElementTable t = Defaults();
  ASSERT_TRUE(t.setColours(RectRow::net_rec_bidtimesrec, "9.9.9-1.1.1"));
  EXPECT_EQ(t.row(FixedRow::bidtimesrec_practice).colours, "9.9.9-1.1.1");
  EXPECT_EQ(t.row(FixedRow::readback_price_first).colours, kC);
}

TEST(ElementTable, RefusedColoursLeaveTheRowAsItWas) {
  ElementTable t = Defaults();
  for (const char* bad : {"", "red", "360.0.0-0.0.0", "1.2.3-0.0.0|", "1.2.3"}) {
    EXPECT_FALSE(t.setColours(RectRow::net_rec_nowprice, bad)) << bad;
  }
  // A valid colour spec that does not fit the 1023-character buffer.
  std::string tooLong = "1.1.1-0.0.0";
  while (tooLong.size() <= kColourSpecCapacity) tooLong += "|1.1.1-0.0.0";
  EXPECT_FALSE(t.setColours(RectRow::net_rec_nowprice, tooLong));
  EXPECT_EQ(t, Defaults());
}

TEST(ElementTable, RestoresKeepPageFocus) {
  ElementTable t = Defaults();
  t.setPoint(ClickPoint::pagefocus, {300, 90});
  t.setPoint(ClickPoint::bidbutton, {500, 500});
  t.setRect(RectRow::net_rec_dd201, {40, 40, 0, 0});
  t.restoreRows();
  t.restoreButtonPositions();
  EXPECT_EQ(t.point(ClickPoint::pagefocus), (ElementPoint{300, 90}));
  t.setPoint(ClickPoint::pagefocus, Defaults().point(ClickPoint::pagefocus));
  EXPECT_EQ(t, Defaults());
}

TEST(ElementTableStore, StartsWithDefaultsAndPublishesEditsWhole) {
  ElementTableStore store;
  const auto before = store.snapshot();
  EXPECT_EQ(*before, Defaults());
  store.edit([](ElementTable& t) {
    t.setRect(RectRow::net_rec_bidbutton, {100, 100, 10, 10});
    t.setColours(RectRow::net_rec_bidbutton, "1.1.1-0.0.0");
  });
  EXPECT_EQ(store.row(RectRow::net_rec_bidbutton), (ElementRow{{100, 100, 10, 10}, "1.1.1-0.0.0"}));
  // A snapshot taken earlier is not changed under its holder.
  EXPECT_EQ(*before, Defaults());
}

}  // namespace
}  // namespace tavik
