// The page locator on rendered pages: the origin from the anchors and after the browser moves,
// the captcha box and its buttons, the refresh, the information window, the bid-count marker.

#include "page_fixture.h"
#include "page_layout.h"

namespace tavik::testing {
namespace {

using Locator = PageFixture;

TEST_F(Locator, TheOriginComesFromEachAnchorAndFollowsTheBrowser) {
  const struct {
    const char* what;
    bool dd201, ddjj;
    int prefer;
    const char* logged;     // the anchor whose position was logged
    const char* notLogged;  // the one that must not have been searched
  } cases[] = {
      {"dd_201 preferred and shown", true, true, 0, "201位置信息变化", "JJ位置信息变化"},
      {"dd_jj preferred and shown", true, true, 1, "JJ位置信息变化", "201位置信息变化"},
      {"only dd_jj shown", false, true, 0, "JJ位置信息变化", nullptr},
      {"only dd_201 shown", true, false, 1, "201位置信息变化", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir::writeFile(dir.file("my.Log"), "");
    page.g_pageOrigin = Point{};
    page.g_browserPos = Point{};
    page.g_anchor201Pos = Point{};
    page.g_anchorJJPos = Point{};
    page.g_preferJjAnchor = c.prefer;
    PageScene s = sceneAt({10, 10});
    s.showDd201 = c.dd201;
    s.showDdjj = c.ddjj;
    show(s);
    locator.TrackPage();
    EXPECT_EQ(page.g_pageOrigin.load(), (Point{35, 72}));
    EXPECT_EQ(page.g_originInBrowser.load(), (Point{25, 62}));
    bool logged = false, other = false;
    for (const auto& l : logLines()) {
      logged = logged || l.rfind(c.logged, 0) == 0;
      other = other || (c.notLogged && l.rfind(c.notLogged, 0) == 0);
    }
    EXPECT_TRUE(logged);
    EXPECT_FALSE(other) << "the other anchor is tried only when the preferred one is missing";

    // The browser moves; the page and its anchors move with it.
    show(sceneAt({110, 40}));
    locator.TrackPage();
    EXPECT_EQ(page.g_browserPos.load(), (Point{110, 40}));
    EXPECT_EQ(page.g_pageOrigin.load(), (Point{135, 102}));
  }
}

TEST_F(Locator, WithoutAnAnchorTheOriginKeepsItsPlaceInTheBrowser) {
  show(sceneAt({10, 10}));
  locator.TrackPage();
  ASSERT_EQ(page.g_pageOrigin.load(), (Point{35, 72}));

  PageScene gone = sceneAt({10, 10});
  gone.showDd201 = gone.showDdjj = false;
  show(gone);
  locator.TrackPage();
  EXPECT_EQ(page.g_pageOrigin.load(), (Point{35, 72})) << "unmoved browser: origin kept";

  PageScene moved = sceneAt({60, 30});
  moved.showDd201 = moved.showDdjj = false;
  show(moved);
  locator.TrackPage();
  EXPECT_EQ(page.g_pageOrigin.load(), (Point{85, 92})) << "browser + origin in browser";
  EXPECT_EQ(
      logCount(
          "浏览器移动但是没识别到DD,使用浏览器相对位置,主窗口当前是:85,92.浏览器相对位置:25,62"),
      1);
}

// Practice pages are drawn a little off the real layout; a "51沪牌" page also runs on the real
// schedule and ends at 11:30.
TEST_F(Locator, PracticePagesAreCorrected) {
  const struct {
    const char* title;
    Point shift;
    bool schedule;
  } cases[] = {{"模拟拍牌 - Chromium", {-1, -2}, false},
               {"51沪牌模拟拍牌", {3, 2}, true},
               {"拍牌系统", {0, 0}, true},
               {"额度投标拍卖", {0, 0}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir::writeFile(dir.file("my.Log"), "");
    pageTitle.set(c.title);
    clockState.m_auctionStartSec = 36000;
    clockState.m_endTimeText.clear();
    page.g_pageOrigin = Point{};
    show(sceneAt({10, 10}));
    locator.TrackPage();
    EXPECT_EQ(page.g_pageOrigin.load(), (Point{35 + c.shift.x, 72 + c.shift.y}));
    EXPECT_EQ(clockState.m_auctionStartSec, c.schedule ? 37800 : 36000);
    const bool fixedEnd = std::string(c.title).find("51沪牌") != std::string::npos;
    EXPECT_EQ(clockState.m_endTimeText.get(), fixedEnd ? "11:30:00" : "");
  }
  EXPECT_EQ(logCount("51纠正拍牌起止时间"), 0) << "the log was cleared per case";
}

TEST_F(Locator, ACandidateAtOrAboveOrLeftOfTheBrowserIsIgnored) {
  // The page drawn with its origin (and so its anchors) up and left of where the browser is.
  for (Point origin : {Point{10, 72}, Point{35, 10}, Point{5, 5}}) {
    SCOPED_TRACE(::testing::Message() << origin.x << "," << origin.y);
    page.g_pageOrigin = Point{300, 300};
    page.g_browserPos = Point{};
    PageScene s = sceneAt({10, 10});
    s.origin = {origin.x, origin.y};
    show(s);
    locator.TrackPage();
    EXPECT_EQ(page.g_anchor201Pos.load(), (Point{origin.x + 35, origin.y + 249})) << "seen";
    EXPECT_EQ(page.g_pageOrigin.load(), (Point{300, 300})) << "but not taken";
  }
}

TEST_F(Locator, TheFirstActivationClicksIntoThePageAndResetsTheZoom) {
  show(sceneAt({10, 10}));
  desktop.clearActions();
  const int64_t start = clock.utcNowMs();
  locator.TrackPage();
  // Browser moved from (0, 0): zoom reset. Origin found: 300 ms, click at pagefocus - 60,
  // 100 ms, zoom reset; no third reset, since the browser moved in this tick.
  const std::vector<std::string> zoom = {"key_down 0x11", "key_down 0x30", "key_up 0x30",
                                         "key_up 0x11"};
  std::vector<std::string> expected = zoom;
  expected.insert(expected.end(), {"move 325,96", "left_down", "left_up"});
  expected.insert(expected.end(), zoom.begin(), zoom.end());
  EXPECT_EQ(actions(), expected);
  EXPECT_EQ(page.m_pageActivated, 1);
  EXPECT_EQ(clock.utcNowMs() - start, 400 + 300 + 10 + 100 + 400);
  desktop.clearActions();
  locator.TrackPage();
  EXPECT_TRUE(actions().empty()) << "nothing changed, nothing done";
}

TEST_F(Locator, CaptchaBoxButtonsAndTheKeyCount) {
  show(sceneAt({10, 10}));
  locator.TrackPage();
  keyCount = 9;
  PageScene s = sceneAt({10, 10});
  s.captchaBox = true;
  show(s);
  int64_t before = clock.utcNowMs();
  locator.TrackPage();
  EXPECT_EQ(page.g_captchaState, 1);
  EXPECT_EQ(page.m_keyCountAtBox, 9) << "keys count for the box from its first sight";
  EXPECT_GE(page.m_captchaShownMs, before);
  EXPECT_LE(page.m_captchaShownMs, clock.utcNowMs());
  EXPECT_EQ(logCount("第一次验证码框在最前"), 1);
  const Point origin = page.g_pageOrigin.load();
  const ElementPoint ok = table.point(ClickPoint::priceconfirmbutton);
  const ElementPoint cancel = table.point(ClickPoint::pricecancelbutton);
  EXPECT_EQ(page.m_captchaOkPos.load(),
            (Point{origin.x + ok.x - kButtonWordShift.x, origin.y + ok.y - kButtonWordShift.y}));
  EXPECT_EQ(page.m_captchaCancelPos.load(), (Point{origin.x + cancel.x - kButtonWordShift.x,
                                                   origin.y + cancel.y - kButtonWordShift.y}));
  const int64_t shown = page.m_captchaShownMs;
  keyCount = 14;
  clock.sleepMs(300);
  locator.TrackPage();
  EXPECT_EQ(page.m_keyCountAtBox, 9) << "only the first sight";

  // The tracker says since when the box is gone; what that means is the engine's to decide.
  show(sceneAt({10, 10}));
  before = clock.utcNowMs();
  locator.TrackPage();
  EXPECT_EQ(page.g_captchaState, 0);
  EXPECT_GE(page.m_captchaGoneMs, before);
  // Back within a moment (a look missed while the browser moved): the same box.
  clock.sleepMs(400);
  show(s);
  locator.TrackPage();
  EXPECT_EQ(page.m_captchaShownMs, shown);
  EXPECT_EQ(page.m_captchaGoneMs, 0);
  EXPECT_EQ(logCount("第一次验证码框在最前"), 1);
  // Gone for longer: a box that comes up then is a new one.
  show(sceneAt({10, 10}));
  locator.TrackPage();
  clock.sleepMs(1500);
  keyCount = 20;
  show(s);
  before = clock.utcNowMs();
  locator.TrackPage();
  EXPECT_GE(page.m_captchaShownMs, before);
  EXPECT_EQ(page.m_keyCountAtBox, 20);
  EXPECT_EQ(logCount("第一次验证码框在最前"), 2);
}

TEST_F(Locator, EachSignOfTheCaptchaBox) {
  show(sceneAt({10, 10}));
  locator.TrackPage();
  const struct {
    const char* what;
    bool sign302, sign904;
    const char* switches;
    int expected;
  } cases[] = {
      {"302 with switch 7", true, false, "11111111111111111111", 1},
      {"302 without switch 7", true, false, "11111110111111111111", 0},
      {"904", false, true, "11111111111111111111", 1},
      {"nothing", false, false, "11111111111111111111", 0},
      {"switch 0 off: always", false, false, "01111111111111111111", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PageScene s = sceneAt({10, 10});
    s.captchaSign302 = c.sign302;
    s.captchaSign904 = c.sign904;
    show(s);
    net.m_featureSwitches.set(c.switches);
    EXPECT_EQ(locator.DetectCaptchaBox(), c.expected);
  }
}

TEST_F(Locator, AtMostThreeRefreshesUntilTheBoxHasGoneAndComeBack) {
  show(sceneAt({10, 10}));
  locator.TrackPage();
  PageScene box = sceneAt({10, 10});
  box.captchaBox = true;
  box.captchaRefresh = true;
  int refreshes = 0;
  auto refreshesAt = [&](int remain) {
    clockState.m_remainSec = remain;
    const int before = page.m_captchaRefreshCount;
    locator.TrackPage();
    return page.m_captchaRefreshCount - before;
  };
  show(box);
  for (int remain = 100; remain > 60; remain -= 3) refreshes += refreshesAt(remain);
  EXPECT_EQ(refreshes, 3);
  EXPECT_EQ(page.m_captchaRefreshCount, 3);

  show(sceneAt({10, 10}));  // the box goes
  locator.TrackPage();
  clock.sleepMs(1500);
  show(box);  // and comes back
  locator.TrackPage();
  EXPECT_EQ(page.m_captchaRefreshCount, 0);
  EXPECT_EQ(refreshesAt(50), 1);
  // Not in the last three seconds.
  page.m_captchaRefreshCount = 0;
  page.m_captchaRefreshSec = 0;
  EXPECT_EQ(refreshesAt(3), 0);
}

TEST_F(Locator, TheInformationWindowIsDismissed) {
  show(sceneAt({10, 10}));
  locator.TrackPage();
  PageScene s = sceneAt({10, 10});
  s.infoWindow = true;
  show(s);
  clockState.m_remainSec = 33;
  desktop.clearActions();
  locator.TrackPage();
  EXPECT_EQ(logCount("***找到信息提示窗口***"), 1);
  EXPECT_EQ(logCount("***还是找到信息提示窗口，+-20处理***"), 1) << "the fake page stays";
  EXPECT_EQ(outcomeChecks, 1);
  // Published for the engine, which starts over on its next step.
  EXPECT_EQ(page.m_infoWindowSec, 33);
  EXPECT_EQ(page.m_infoWindowCount, 1);
  const Point origin = page.g_pageOrigin.load();
  const ElementPoint ok = table.point(ClickPoint::errorinfobutton);
  EXPECT_EQ(actions().front(),
            "move " + std::to_string(origin.x + ok.x) + "," + std::to_string(origin.y + ok.y));
}

TEST_F(Locator, BidCountMarkers) {
  show(sceneAt({10, 10}));
  locator.TrackPage();
  EXPECT_EQ(locator.LocateBidCountMarker(), 0);
  for (int count : {1, 2}) {
    PageScene s = sceneAt({10, 10});
    s.realMode = true;
    s.bidCount = count;
    show(s);
    EXPECT_EQ(locator.LocateBidCountMarker(), count);
    EXPECT_NE(page.g_nddPos.load(), (Point{}));
  }
}

TEST_F(Locator, AWordIsMatchedWholeNotInsideALongerOne) {
  show(sceneAt({10, 10}));
  locator.TrackPage();
  // The bid button row shows "902" only when the page draws it.
  EXPECT_EQ(ElementShowsWord(context, RectRow::net_rec_bidbutton, "902"), 0);
  PageScene s = sceneAt({10, 10});
  s.bidButton = true;
  show(s);
  EXPECT_EQ(ElementShowsWord(context, RectRow::net_rec_bidbutton, "902"), 1);
  EXPECT_EQ(ElementShowsWord(context, RectRow::net_rec_bidbutton, "02"), 0);
  EXPECT_EQ(ElementShowsWord(context, RectRow::net_rec_bidbutton, "9021"), 0);
  auctionWnd = 0;
  EXPECT_EQ(ElementShowsWord(context, RectRow::net_rec_bidbutton, "902"), 0);
}

// The bid button's "902" or the status mark "903" tells that the bid button is up.
TEST_F(Locator, TheBidButtonOrTheStatusMarkShowsTheButton) {
  const struct {
    bool button, status;
    int seen;
  } cases[] = {{false, false, 0}, {true, false, 1}, {false, true, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.button) + std::to_string(c.status));
    PageScene s = sceneAt({10, 10});
    s.bidButton = c.button;
    s.bidStatus = c.status;
    show(s);
    locator.TrackPage();
    EXPECT_EQ(page.g_bidButtonSeen, c.seen);
  }
}

// Every word the page is searched or read for is drawn inside its place of the hand-typed layout
// and in colours that place takes (an anchor exactly at its place). With the tests above, which
// find each word where the page draws it, this holds the locator's words to the layout.
TEST_F(Locator, ThePageShowsEachWordInItsPlace) {
  for (const layout::Pinned& p : layout::kPageLayout) {
    if (!p.word) continue;
    SCOPED_TRACE(std::string(p.name) + " " + p.word);
    const std::string word = p.word;
    const auto* row = std::get_if<RectRow>(&p.place);
    PageScene s = sceneAt({10, 10});
    if (row && *row == RectRow::net_rec_errorinfo_confirmbutton) {
      s.infoWindow = true;
    } else {
      s.captchaBox = word == "901" || word == "911";
    }
    s.captchaSign302 = word == "302";
    s.captchaSign904 = word == "904";
    s.captchaRefresh = word == "303";
    s.bidButton = word == "902";
    s.bidStatus = word == "903";
    s.realMode = word == "501";
    s.bidCount = word == "501" ? 1 : 0;
    show(s);

    const Point o = s.origin;
    int x = -1, y = -1;
    if (std::holds_alternative<layout::MarkerColours>(p.place)) {
      EXPECT_EQ(screen.FindWord(o.x, o.y, o.x + 900, o.y + 750, word, p.colours, 1.0, x, y), 0);
    } else if (p.rect.w == 0 && p.rect.h == 0) {
      const Point at{o.x + p.rect.x, o.y + p.rect.y};
      EXPECT_EQ(screen.FindAnchorWord(at.x - 5, at.y - 5, at.x + 100, at.y + 40, word, p.colours,
                                      1.0, x, y),
                0);
      EXPECT_EQ((Point{x, y}), at);
    } else {
      const Rect r = RowOnScreen(o, p.rect);
      EXPECT_EQ(screen.FindWord(r.left, r.top, r.right, r.bottom, word, p.colours, 1.0, x, y), 0);
    }
  }
}

}  // namespace
}  // namespace tavik::testing
