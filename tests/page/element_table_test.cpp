#include <gtest/gtest.h>

#include "page/element_table.h"
#include "page/element_table_store.h"
#include "page_layout.h"

namespace tavik {
namespace {

using namespace layout;

const ElementTable& Defaults() {
  return ElementTable::Defaults();
}

// The built-in table is the page's layout, value for value, and has no row the layout lacks.
TEST(ElementTableDefaults, EqualThePageLayoutValueForValue) {
  const ElementTable& t = Defaults();
  size_t rectRows = 0, fixedRows = 0, points = 0;
  for (const Pinned& p : kPageLayout) {
    SCOPED_TRACE(p.name);
    if (const auto* row = std::get_if<RectRow>(&p.place)) {
      // Updatable rows are listed in the order their keys are tried.
      EXPECT_EQ(static_cast<size_t>(*row), rectRows++);
      EXPECT_EQ(RowKey(*row), p.name);
      EXPECT_EQ(RowLabel(*row), p.label);
      EXPECT_EQ(t.row(*row), (ElementRow{p.rect, p.colours}));
    } else if (const auto* fixed = std::get_if<FixedRow>(&p.place)) {
      EXPECT_EQ(static_cast<size_t>(*fixed), fixedRows++);
      EXPECT_EQ(t.row(*fixed), (ElementRow{p.rect, p.colours}));
    } else if (const auto* point = std::get_if<ClickPoint>(&p.place)) {
      EXPECT_EQ(static_cast<size_t>(*point), points++);
      EXPECT_EQ(PointName(*point), p.name);
      EXPECT_EQ(t.point(*point), (ElementPoint{p.rect.x, p.rect.y}));
    } else {
      EXPECT_EQ(std::get<MarkerColours>(p.place).code, p.colours);
    }
  }
  // Every row and point of the code's table is in the list.
  EXPECT_EQ(rectRows, kRectRowCount);
  EXPECT_EQ(fixedRows, kFixedRowCount);
  EXPECT_EQ(points, kClickPointCount);
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
