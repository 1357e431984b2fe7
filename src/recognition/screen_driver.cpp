#include "recognition/screen_driver.h"

namespace tavik {

// Placeholder until the recognition component lands: nothing is ever found.
ScreenDriver::ScreenDriver(Desktop& desktop) : desktop_(desktop) {}
ScreenDriver::~ScreenDriver() = default;
int ScreenDriver::SetResourcePath(const std::string&) {
  return 0;
}
int ScreenDriver::LoadDictionary(int, const std::string&) {
  return 0;
}
int ScreenDriver::UseDictionary(int) {
  return 0;
}
int ScreenDriver::FindWord(int, int, int, int, const std::string&, const std::string&, double,
                           int& x, int& y) {
  x = y = -1;
  return -1;
}
int ScreenDriver::FindAnchorWord(int x1, int y1, int x2, int y2, const std::string& w,
                                 const std::string& c, double s, int& x, int& y) {
  return FindWord(x1, y1, x2, y2, w, c, s, x, y);
}
std::string ScreenDriver::OcrText(int, int, int, int, const std::string&, double) {
  return {};
}
std::string ScreenDriver::OcrWords(int, int, int, int, const std::string&, double) {
  return {};
}
std::string ScreenDriver::WordOfResult(const std::string&, int) {
  return {};
}
int ScreenDriver::CaptureToFile(int, int, int, int, const std::string&, int) {
  return -1;
}

}  // namespace tavik
