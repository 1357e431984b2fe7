#pragma once
// Draws the auction page into an image, the way the page readers and trackers expect to find it:
// every figure and word at its element-table place relative to the page origin, in a colour its
// row's colour spec takes, on a background that no spec takes. Tests render a page into the fake
// desktop's framebuffer and read it back through the screen driver; the auction simulator draws
// its pages with it, and the layout is the reference for the practice web page
// (docs/test-page.md).
//
// Glyphs are small pixel pictures built in here; tests/data/page_glyphs.dict is cut from
// PageGlyphSheet() with tavik-dict and holds exactly these pictures.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/window_ref.h"
#include "page/element_table.h"
#include "platform/image.h"
#include "recognition/dictionary.h"

namespace tavik {

enum class AuctionHalf : uint8_t { first, second };

// Position markers, offsets from the page origin. Each sits where the readers that measure from
// it find the figure drawn beside it; "920" is placed so that its clock reads cover the clock
// digits of the cells of either half.
inline constexpr Point kMqzdMarkerAt{20, 430};     // "908": its price read starts at +(117, 0)
inline constexpr Point kQujianMarkerAt{20, 448};   // "915": range low end at +(33, 0)
inline constexpr Point kZhiMarkerAt{110, 448};     // "909": range high end at +(13, 0)
inline constexpr Point kNowTimeMarkerAt{61, 375};  // "920": clock reads at +(61/85/109, 0)

// Text sits this far inside the cell or read rectangle it belongs to.
inline constexpr Point kTextInset{3, 3};
// The captcha box's "901" and "911" sit this far up and left of the confirm and cancel click
// points: the click code presses at the word's position plus this much.
inline constexpr Point kButtonWordShift{50, 5};
// The information window's "901", from the top-left of its row. Its OK button is found at the
// word + (50, 4). The place keeps the word out of the captcha box's rows, which overlap this one,
// so an information window is never taken for the captcha box.
inline constexpr Point kInfoWordAt{70, 20};
// The bid-count marker, from the top-left of its row: the read-back price cell then lies at the
// marker + (62, 17), where the outcome reader looks when the cell itself reads nothing.
inline constexpr Point kBidCountWordAt{2, 2};

// Plain greys that no colour spec of the page takes: the page, and the captcha box and the
// information window, which are drawn last and hide what lies under them.
inline constexpr uint32_t kPageBackground = 0xE6E6E6;
inline constexpr uint32_t kPopupBackground = 0xF7F7F7;

// What the page shows. Empty texts and false flags are not drawn.
struct PageScene {
  Point browser{10, 10};  // top-left of the browser window on the screen
  Size browserSize{950, 850};
  Point origin{35, 72};  // page origin on the screen (browser + (25, 62))
  // The real bid page: "dd_jj" sits 4 pixels lower than its row says (the locator takes that
  // off in real mode only), and the bid-count marker and read-back cells are those of the real
  // page rather than the practice page.
  bool realMode = false;
  // The anchors are drawn this far up and left of their rows' places. The practice page titled
  // "51沪牌" is laid out so (3, 2), which the locator adds back in practice mode.
  Point anchorShift{0, 0};
  bool showDd201 = true;  // anchor "dd_201" at origin + row net_rec_dd201
  bool showDdjj = true;   // anchor "dd_jj" at origin + row net_rec_ddjj
  // Position markers (offsets from the origin); nullopt hides one.
  std::optional<Point> mqzdMarker = kMqzdMarkerAt;
  std::optional<Point> qujianMarker = kQujianMarkerAt;
  std::optional<Point> zhiMarker = kZhiMarkerAt;
  std::optional<Point> nowTimeMarker = kNowTimeMarkerAt;

  AuctionHalf half = AuctionHalf::first;  // which clock cells and price cell are used
  // "hh:mm:ss": the parts between ":" go into the hours, minutes and seconds cells as given.
  std::string clock;
  std::string endTime;         // "hh:mm" into the end-time cells
  std::string lowestPrice;     // nowprice1 in the first half, net_rec_nowprice in the second
  std::string rangeLowPrice;   // beside "915", where the range reader looks
  std::string mqzdPrice;       // beside "908"
  std::string rangeHighPrice;  // beside "909"
  std::string halfMark;        // halfmark_rec, e.g. "4500" in the second half

  bool bidButton = false;      // "902" in net_rec_bidbutton
  bool bidStatus = false;      // "903" in net_rec_bidstatus
  int bidCount = 0;            // 1: "501", 2: "502", 3: "503" in the bid-count row; else none
  std::string submittedPrice;  // read-back price cell of the half
  std::string submittedTime;   // read-back time cell of the half, e.g. "11:29:45"

  // The captcha box: a panel over its search areas (net_rec_priceconfirmrec2 and the button
  // searches) with "901" confirm and "911" cancel placed before their click points. The signs
  // are drawn on their own, so that each way of recognising the box can be shown alone.
  bool captchaBox = false;
  bool captchaSign302 = false;  // "302" in net_rec_priceconfirmrec2
  bool captchaSign904 = false;  // "904" in priceconfirm904_rec
  bool captchaRefresh = false;  // "303" in net_rec_priceshuabutton
  // The information window: a panel over net_rec_errorinfo_confirmbutton with "901" at
  // kInfoWordAt; drawn over the captcha box.
  bool infoWindow = false;
};

// One RGB colour (0x00RRGGBB) that `spec` takes and none of `avoid` takes, looked for near the
// centre of each alternative in turn; nullopt when the colour spec is malformed or there is none.
std::optional<uint32_t> ColourMatching(std::string_view spec,
                                       const std::vector<std::string_view>& avoid = {});

// The glyphs the renderer draws: digits 0-9 and ":" (4x7 and 2x5 pixels) and the words the page
// shows as one picture each.
Dictionary PageGlyphDictionary();
// The same glyphs in bold, one column wider: a page in a font the shipped dictionary does not
// know, for learning a dictionary from the screen.
Dictionary BoldPageGlyphDictionary();
// Every glyph of PageGlyphDictionary() in red on white, in 12-pixel bands 64 pixels wide: band 0
// the characters "0123456789:", then one word a band in PageGlyphSheetWords() order, each drawn
// at (2, 2) of its band. tavik-dict cuts tests/data/page_glyphs.dict from it.
Image PageGlyphSheet();
const std::vector<std::string>& PageGlyphSheetWords();

class PageRenderer {
 public:
  // Places and colours come from `table`, so a page can follow recognition updates.
  explicit PageRenderer(const ElementTable& table = ElementTable::Defaults());
  // The same page drawn with other pictures of the same names (another font).
  PageRenderer(const ElementTable& table, const Dictionary& font);

  // Fills the browser window with the background and draws the scene. False when something
  // could not be drawn whole: off the image, a character without a glyph, or a colour spec with
  // no usable colour. Everything else is drawn all the same.
  bool render(const PageScene& scene, Image& image) const;

 private:
  ElementTable table_;
  std::vector<Glyph> glyphs_;
};

}  // namespace tavik
