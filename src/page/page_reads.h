#pragma once
// The page reads and the click that the locator, the readers and the bid actions share.

#include <optional>
#include <string>
#include <string_view>

#include "page/page_context.h"

namespace tavik {

// ReadTextInRect modes.
inline constexpr int kReadWhole = 2;  // 4 is the same
inline constexpr int kReadFirstWord = 3;

// The text in the screen rectangle: the recognised words ("|"-separated) in whole mode, the
// first of them in first-word mode, empty in any other mode. Empty too without an auction
// window or unless the rectangle lies on the screen (x1, y1 >= 0; x2, y2 below its size).
std::string ReadTextInRect(const PageContext& c, int x1, int y1, int x2, int y2,
                           const std::string& colours, int mode);

// Whether row `row` at the page origin shows `word` as one of its recognised words. Whole
// words only: "901" is not found inside "1901". 0 without an auction window, or when the row's
// x is 0 or its colours are empty.
int ElementShowsWord(const PageContext& c, RectRow row, std::string_view word);

// Moves the cursor to (x, y), presses the left button, waits 10 ms and releases it.
void ClickAt(const PageContext& c, int x, int y);

// Searches one word in a screen rectangle (FindWord, or FindAnchorWord for anchors); the top-left
// of the match, or nothing.
std::optional<Point> FindOnScreen(const PageContext& c, const Rect& r, const std::string& word,
                                  const std::string& colours, bool anchor = false);

// The row's rectangle on the screen at the current origin.
Rect RowOnScreen(Point origin, const ElementRect& r);

}  // namespace tavik
