#pragma once
// The screen-recognition component: captures the screen through the desktop seam, filters
// pixels by colour specs and recognises text and words with a bitmap dictionary.
//
// Contract: rectangles are absolute screen pixels (left, top, right, bottom), right and bottom
// exclusive; they are clipped to the screen and an empty one finds nothing. Searches return 0
// for "found"; similarity is always 1.0 (an exact match) and the argument is not used.
//
// Safe to call from several threads at once: each call works on its own capture and on a
// snapshot of the dictionary in use, and dictionaries are swapped whole.

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace tavik {

class BitImage;
class ColourSpec;
class Dictionary;
struct OcrResult;

class ScreenDriver {
 public:
  using LogSink = std::function<void(const std::string&)>;

  explicit ScreenDriver(Desktop& desktop);
  ~ScreenDriver();
  ScreenDriver(const ScreenDriver&) = delete;
  ScreenDriver& operator=(const ScreenDriver&) = delete;

  // Where refusals (a damaged dictionary, a failed capture file) are reported; none by default.
  void setLogSink(LogSink sink);

  // Folder against which relative dictionary file names are resolved. Returns 1.
  int SetResourcePath(const std::string& folder);
  // Loads a dictionary file into slot 0 or 1. Returns 1 when loaded; 0 when the file is
  // missing, truncated or damaged, in which case the slot keeps what it held.
  int LoadDictionary(int index, const std::string& file);
  // Makes slot 0 or 1 the dictionary later recognition uses. Returns 1; 0 (and nothing changes)
  // for another index or an empty slot.
  int UseDictionary(int index);
  // Whether a dictionary is in use: without one nothing on the page can be read.
  bool HasDictionary() const { return dictionaryInUse() != nullptr; }
  // Finds the first exact match, in row-major order, of any of the dictionary words `words`
  // ("|"-separated names). Returns the index in `words` of the word found (0 for a single
  // word) with (x, y) its top-left on the screen, or -1 with (x, y) = (-1, -1).
  int FindWord(int x1, int y1, int x2, int y2, const std::string& words, const std::string& colours,
               double similarity, int& x, int& y);
  // The same search; used for page anchors and markers.
  int FindAnchorWord(int x1, int y1, int x2, int y2, const std::string& words,
                     const std::string& colours, double similarity, int& x, int& y);
  // Every character in the rectangle, left to right; lines top to bottom joined by "\n".
  std::string OcrText(int x1, int y1, int x2, int y2, const std::string& colours,
                      double similarity);
  // The recognised words, "|"-separated; empty when nothing is recognised.
  std::string OcrWords(int x1, int y1, int x2, int y2, const std::string& colours,
                       double similarity);
  // Word `index` (from 0) of an OcrWords result; empty when there is none.
  std::string WordOfResult(const std::string& result, int index);
  // Writes the rectangle as a 24-bit BMP file. Returns 1 when written, else 0. `quality` is
  // accepted for compatibility and not used (BMP is lossless).
  int CaptureToFile(int x1, int y1, int x2, int y2, const std::string& path, int quality);
  // The rectangle's pixels, clipped to the screen; false when nothing could be captured.
  bool CaptureImage(int x1, int y1, int x2, int y2, Image& image);

  // Remembers the colour masks of up to `entries` recent reads (by rectangle and colours) and
  // reuses one while the captured pixels are the same: a page that has not changed is then read
  // for the cost of its capture. The results are the same either way. Off (0) by default; the
  // simulator turns it on, where most reads see an unchanged page.
  void setMaskCache(size_t entries);

 private:
  // Recognises the characters in the rectangle and renders them as text or as a word list.
  using TextFormat = std::string (*)(const OcrResult&, const Dictionary&);
  std::string readText(int x1, int y1, int x2, int y2, const std::string& colours,
                       TextFormat format);
  bool capture(int x1, int y1, int x2, int y2, Rect& where, Image& image);
  std::shared_ptr<const Dictionary> dictionaryInUse() const;
  void log(const std::string& line);
  // What a capture reads as under a colour spec: its mask and, once asked for, its recognised
  // text with one dictionary.
  struct Reading {
    std::shared_ptr<const BitImage> mask;
    std::shared_ptr<const Dictionary> dict;
    std::shared_ptr<const OcrResult> ocr;
  };
  // The capture's reading, from the cache when the same pixels were read there last time.
  Reading readingOf(const Rect& where, Image& image, const std::string& colours,
                    const ColourSpec& spec);
  std::shared_ptr<const OcrResult> recognised(const Rect& where, const std::string& colours,
                                              Reading& reading,
                                              const std::shared_ptr<const Dictionary>& dict);

  struct MaskEntry {
    Rect where;
    std::string colours;
    std::vector<uint32_t> pixels;
    Reading reading;
    uint64_t lastUse = 0;
  };

  Desktop& desktop_;
  mutable std::mutex mutex_;
  std::string resourcePath_;
  std::array<std::shared_ptr<const Dictionary>, 2> slots_;
  int inUse_ = 0;
  LogSink logSink_;
  std::mutex cacheMutex_;  // guards the three below
  size_t cacheEntries_ = 0;
  uint64_t cacheUses_ = 0;
  std::vector<MaskEntry> cache_;
};

}  // namespace tavik
