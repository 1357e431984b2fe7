// Pictures of the rendered auction page: the glyph sheet that the test dictionary is cut from,
// and a sample page to look at or to build a practice page after (docs/test-page.md).

#include <iostream>
#include <string>

#include "recognition/bmp.h"
#include "testing/page_renderer.h"

namespace tavik {
namespace {

// The second half with everything outside the pop-ups shown, cut to the browser window.
Image SamplePage() {
  PageScene s;
  s.browser = {0, 0};
  s.origin = {25, 62};
  s.half = AuctionHalf::second;
  s.clock = "11:29:32";
  s.endTime = "11:30";
  s.lowestPrice = s.mqzdPrice = "89300";
  s.rangeLowPrice = "89000";
  s.rangeHighPrice = "89600";
  s.halfMark = "4500";
  s.bidButton = s.bidStatus = true;
  s.bidCount = 1;
  s.submittedPrice = "89400";
  s.submittedTime = "11:29:45";
  Image page(s.browserSize.width, s.browserSize.height, kPageBackground);
  PageRenderer().render(s, page);
  return page;
}

int Run(int argc, char** argv) {
  const std::string what = argc == 3 ? argv[1] : "";
  if (what != "sheet" && what != "page") {
    std::cerr << "usage: page_pictures sheet|page OUT.bmp\n";
    return 2;
  }
  std::string error;
  if (!WriteBmp(argv[2], what == "sheet" ? PageGlyphSheet() : SamplePage(), error)) {
    std::cerr << error << "\n";
    return 1;
  }
  std::cout << "wrote " << argv[2] << "\n";
  return 0;
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
  return tavik::Run(argc, argv);
}
