#pragma once
// The screen-recognition component: captures the screen through the desktop seam, filters
// pixels by colour specs and recognises text and words with a bitmap dictionary.
//
// Contract: rectangles are absolute screen pixels (left, top, right, bottom); searches return
// 0 for "found"; similarity is always 1.0 (an exact match).

#include <string>

#include "platform/desktop.h"

namespace tavik {

class ScreenDriver {
 public:
  explicit ScreenDriver(Desktop& desktop);
  ~ScreenDriver();
  ScreenDriver(const ScreenDriver&) = delete;
  ScreenDriver& operator=(const ScreenDriver&) = delete;

  int SetResourcePath(const std::string& folder);
  int LoadDictionary(int index, const std::string& file);
  int UseDictionary(int index);
  int FindWord(int x1, int y1, int x2, int y2, const std::string& words, const std::string& colours,
               double similarity, int& x, int& y);
  int FindAnchorWord(int x1, int y1, int x2, int y2, const std::string& words,
                     const std::string& colours, double similarity, int& x, int& y);
  std::string OcrText(int x1, int y1, int x2, int y2, const std::string& colours,
                      double similarity);
  std::string OcrWords(int x1, int y1, int x2, int y2, const std::string& colours,
                       double similarity);
  std::string WordOfResult(const std::string& result, int index);
  int CaptureToFile(int x1, int y1, int x2, int y2, const std::string& path, int quality);

 private:
  Desktop& desktop_;
};

}  // namespace tavik
