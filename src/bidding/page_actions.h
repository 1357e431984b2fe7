#pragma once
// What the bidding engine does to the auction page, acting like a user: it enters a price (as a
// full price or as an increment), presses the bid button, and confirms or cancels the captcha
// box, with the cursor, the left button, keys and the clipboard, at the element table's click
// points on the page origin. Every move, press, key and pause goes through the desktop and the
// clock, in a fixed order: the page needs its pauses to take each input.
//
// All of it runs on the engine's thread and blocks it for 0.5 to 3 seconds per call. Every
// input and pause asks the engine's run guard first: once the run has ended, the pauses end
// and nothing more is clicked, typed or pasted.

#include <cstdint>
#include <string>

#include "bidding/bid_context.h"
#include "core/atomic_int.h"
#include "page/element_table.h"

namespace tavik {

// How prices go in.
struct EntryState {
  // 1: through the clipboard (remote parameter, SetPasteMode), otherwise typed key by key.
  AtomicInt m_pasteMode{1};
  // Pasted entries made with 15 or fewer seconds left in this run; from the third on, entries
  // are typed.
  AtomicInt m_lateBidCount{0};

  void reset() { m_lateBidCount = 0; }

  // The remote main parameters choose how prices go in (field 8).
  void SetPasteMode(int32_t mode) { m_pasteMode = mode; }
};

// The engine state back to 0 (ready), logged as "状态初始化".
void ResetSystemState(BidContext& c);

// What came of an entry.
enum class EntryResult {
  Entered,     // the price is in the box and bid was pressed; m_myPrice is the page's price
  Unverified,  // bid was pressed, but the page's price box could not be read back
};

class PageActions : public CaptchaBoxActions {
 public:
  explicit PageActions(BidContext& c) : c_(c) {}

  // Enters an increment and presses bid. An increment that is not a positive multiple of 100
  // up to 2000 is replaced by the smart increment of the current second.
  EntryResult EnterIncrementBid(int32_t increment);
  // Enters a full price (after the floating adjustment, and at least the lowest price + 300)
  // and presses bid.
  EntryResult EnterPriceBid(int32_t price);
  // Clicks into an input box and empties it.
  void ClearField(ClickPoint field);

  void CancelCaptchaBox() override;
  void ConfirmCaptchaBox() override;
  void ResetSystemState() { tavik::ResetSystemState(c_); }

  // False when the clipboard could not be set.
  bool SetClipboardText(const std::string& text);
  // The clipboard's text as a price in 80000..150000, else 0.
  int32_t ReadClipboardPrice();

  EntryState& entryState() { return entry_; }

 private:
  bool pasteVariant() const;
  EntryResult pasteIncrement(int32_t increment);
  void pastePrice(int32_t price);
  // The typed entries. `fallback`: typing stands in for a paste whose clipboard could not be
  // set; what follows the entry is then the paste's.
  void typeIncrement(int32_t increment, Point cursor, bool fallback);
  void typePrice(int32_t price, Point cursor, bool fallback);
  void afterTypedEntry(Point cursor);
  bool readBack(int32_t increment);
  void afterPastedEntry();
  void typeDigits(int32_t value);
  void pressBidAndRestore(Point cursor);

  // Cancel methods; each returns true once the box is gone.
  bool cancelWithButton(Point k);
  bool cancelAtFoundButton();
  void cancelAround(Point k);
  void confirmSweep(Point c);
  void confirmFallbacks(Point c);

  Point at(ClickPoint p) const;
  bool live() const { return c_.run.Live(); }
  void clearKeyCount();
  int32_t remain() const;
  bool boxShown() const;
  void wait(int ms);
  void move(Point p);
  void down();
  void up();
  void click(Point p);
  void pressAt(Point p, int holdMs);
  void key(int vk);
  void withControl(int vk);
  void logStatus(const std::string& text);

  BidContext& c_;
  EntryState entry_;
  // A left-button press this object sent and has not released yet (engine thread only).
  bool buttonHeld_ = false;
};

}  // namespace tavik
