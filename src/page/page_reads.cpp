#include "page/page_reads.h"

#include <sstream>

namespace tavik {

std::string ReadTextInRect(const PageContext& c, int x1, int y1, int x2, int y2,
                           const std::string& colours, int mode) {
  if (c.in.m_auctionWnd.load() == 0) return {};
  const Size screen = c.in.m_screenSize.loadSize();
  if (x1 < 0 || y1 < 0 || x2 >= screen.width || y2 >= screen.height) return {};
  if (mode != kReadWhole && mode != 4 && mode != kReadFirstWord) return {};
  const std::string words = c.screen.OcrWords(x1, y1, x2, y2, colours, 1.0);
  return mode == kReadFirstWord ? c.screen.WordOfResult(words, 0) : words;
}

int ElementShowsWord(const PageContext& c, RectRow row, std::string_view word) {
  if (c.in.m_auctionWnd.load() == 0) return 0;
  const ElementRow r = c.table.row(row);
  if (r.rect.x == 0 || r.colours.empty()) return 0;
  const Rect at = RowOnScreen(c.page.g_pageOrigin.load(), r.rect);
  const std::string text =
      ReadTextInRect(c, at.left, at.top, at.right, at.bottom, r.colours, kReadWhole);
  // The result lists whole words; a word is shown only when one of them is exactly it.
  std::istringstream words(text);
  for (std::string w; std::getline(words, w, '|');) {
    if (w == word) return 1;
  }
  return 0;
}

void ClickAt(const PageContext& c, int x, int y) {
  c.desktop.setCursorPos({x, y});
  c.desktop.leftButtonDown();
  c.time.sleepMs(10);
  c.desktop.leftButtonUp();
}

std::optional<Point> FindOnScreen(const PageContext& c, const Rect& r, const std::string& word,
                                  const std::string& colours, bool anchor) {
  int x = -1, y = -1;
  const int found =
      anchor ? c.screen.FindAnchorWord(r.left, r.top, r.right, r.bottom, word, colours, 1.0, x, y)
             : c.screen.FindWord(r.left, r.top, r.right, r.bottom, word, colours, 1.0, x, y);
  if (found != 0) return std::nullopt;
  return Point{x, y};
}

Rect RowOnScreen(Point origin, const ElementRect& r) {
  return Rect{origin.x + r.x, origin.y + r.y, origin.x + r.x + r.w, origin.y + r.y + r.h};
}

}  // namespace tavik
