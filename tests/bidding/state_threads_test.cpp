// The page tracker and the engine on threads of their own, in real time: the tracker keeps
// finding the captcha box gone while the engine clicks its OK and moves to state 6. The tracker
// only publishes what it saw; the engine's 6 survives every pass of the tracker and the engine
// enters no bid again.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "bid_world.h"
#include "bidding/bidding_engine.h"
#include "bidding/confirmation.h"
#include "bidding/page_actions.h"
#include "platform/clock.h"

namespace tavik {
namespace {

class StateThreadsTest : public ::testing::Test, protected testing::BasicBidWorld<RealClock> {
 protected:
  PageActions actions{context};
  ConfirmationTiming timing{context, store, actions};
  BiddingEngine engine{context, actions, timing};
};

TEST_F(StateThreadsTest, TheEnginesStateSixSurvivesTheTrackersPasses) {
  page.m_auctionStage = 2;
  clockState.PublishRemain(30, 0);
  page.m_lowestPrice.Set(90000);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    bid.m_bidPhase = int32_t(BidPhase::SecondBid);
    bid.m_systemState = int32_t(SystemState::EnterPressed);
    bid.m_myPrice = 90300;
    page.g_captchaState = 1;
    page.m_captchaShownMs = clock.utcNowMs();
    page.m_captchaGoneMs = 0;
    desktop.clearActions();

    std::atomic<bool> done{false};
    // The tracker: every pass finds no box on the (empty) screen and says so.
    std::thread tracker([&] {
      while (!done) {
        locator.TrackPage();
        clock.sleepMs(1);
      }
    });
    actions.ConfirmCaptchaBox();
    EXPECT_EQ(bid.m_systemState, int32_t(SystemState::Confirmed));
    for (int step = 0; step < 2; ++step) engine.BiddingEngineStep();
    done = true;
    tracker.join();
    EXPECT_EQ(bid.m_systemState, int32_t(SystemState::Confirmed));
    for (const FakeDesktop::Action& a : desktop.actions())
      EXPECT_EQ(a.what.find("clipboard"), std::string::npos) << "no bid entered again";
  }
}

}  // namespace
}  // namespace tavik
