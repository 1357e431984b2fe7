#include "recognition/screen_driver.h"

#include <algorithm>
#include <filesystem>

#include "core/file_names.h"
#include "recognition/bmp.h"
#include "recognition/colour_spec.h"
#include "recognition/dictionary.h"
#include "recognition/ocr.h"

namespace tavik {

namespace {

std::vector<std::string> SplitNames(const std::string& words) {
  std::vector<std::string> out;
  size_t begin = 0;
  while (begin <= words.size()) {
    size_t end = words.find('|', begin);
    if (end == std::string::npos) end = words.size();
    out.push_back(words.substr(begin, end - begin));
    begin = end + 1;
  }
  return out;
}

}  // namespace

ScreenDriver::ScreenDriver(Desktop& desktop) : desktop_(desktop) {}
ScreenDriver::~ScreenDriver() = default;

void ScreenDriver::setLogSink(LogSink sink) {
  std::lock_guard lock(mutex_);
  logSink_ = std::move(sink);
}

void ScreenDriver::log(const std::string& line) {
  LogSink sink;
  {
    std::lock_guard lock(mutex_);
    sink = logSink_;
  }
  if (sink) sink(line);
}

int ScreenDriver::SetResourcePath(const std::string& folder) {
  std::lock_guard lock(mutex_);
  resourcePath_ = folder;
  return 1;
}

int ScreenDriver::LoadDictionary(int index, const std::string& file) {
  if (index != 0 && index != 1) {
    log("dictionary slot " + std::to_string(index) + " does not exist (0 or 1)");
    return 0;
  }
  std::filesystem::path path = PathFromUtf8(file);
  {
    std::lock_guard lock(mutex_);
    if (path.is_relative() && !resourcePath_.empty()) path = PathFromUtf8(resourcePath_) / path;
  }
  auto dict = std::make_shared<Dictionary>();
  std::string error;
  if (!Dictionary::Load(Utf8FromPath(path), *dict, error)) {
    log("dictionary refused, slot " + std::to_string(index) + " keeps its previous one: " + error);
    return 0;
  }
  std::lock_guard lock(mutex_);
  slots_[index] = std::move(dict);
  return 1;
}

int ScreenDriver::UseDictionary(int index) {
  {
    std::lock_guard lock(mutex_);
    if ((index == 0 || index == 1) && slots_[index]) {
      inUse_ = index;
      return 1;
    }
  }
  log("dictionary slot " + std::to_string(index) +
      " is empty or does not exist; still using the "
      "dictionary in use");
  return 0;
}

std::shared_ptr<const Dictionary> ScreenDriver::dictionaryInUse() const {
  std::lock_guard lock(mutex_);
  return slots_[inUse_];
}

bool ScreenDriver::capture(int x1, int y1, int x2, int y2, Rect& where, Image& image) {
  const Size screen = desktop_.screenSize();
  where = Rect{std::max(x1, 0), std::max(y1, 0), std::min(x2, screen.width),
               std::min(y2, screen.height)};
  if (where.empty()) return false;
  if (!desktop_.captureScreen(where, image)) return false;
  // The backend copies what lies on the screen; anything else in size is not trusted.
  return image.width == where.width() && image.height == where.height() &&
         image.pixels.size() >= size_t(image.width) * size_t(image.height);
}

int ScreenDriver::FindWord(int x1, int y1, int x2, int y2, const std::string& words,
                           const std::string& colours, double, int& x, int& y) {
  x = y = -1;
  const ColourSpec spec = ColourSpec::Parse(colours);
  const auto dict = dictionaryInUse();
  if (!spec.valid() || !dict) return -1;
  const std::vector<std::string> names = SplitNames(words);
  std::vector<int> candidates;
  for (const std::string& name : names)
    for (int i : dict->indicesOf(name)) candidates.push_back(i);
  if (candidates.empty()) return -1;

  Rect where;
  Image image;
  if (!capture(x1, y1, x2, y2, where, image)) return -1;
  GlyphHit hit;
  if (!FindFirst(*readingOf(where, image, colours, spec).mask, *dict, candidates, hit)) return -1;
  x = where.left + hit.x;
  y = where.top + hit.y;
  const std::string& found = dict->glyphs[hit.glyph].name();
  return int(std::find(names.begin(), names.end(), found) - names.begin());
}

int ScreenDriver::FindAnchorWord(int x1, int y1, int x2, int y2, const std::string& words,
                                 const std::string& colours, double similarity, int& x, int& y) {
  return FindWord(x1, y1, x2, y2, words, colours, similarity, x, y);
}

std::string ScreenDriver::OcrText(int x1, int y1, int x2, int y2, const std::string& colours,
                                  double) {
  return readText(x1, y1, x2, y2, colours, OcrTextOf);
}

std::string ScreenDriver::OcrWords(int x1, int y1, int x2, int y2, const std::string& colours,
                                   double) {
  return readText(x1, y1, x2, y2, colours, OcrWordsOf);
}

std::string ScreenDriver::readText(int x1, int y1, int x2, int y2, const std::string& colours,
                                   TextFormat format) {
  const ColourSpec spec = ColourSpec::Parse(colours);
  const auto dict = dictionaryInUse();
  Rect where;
  Image image;
  if (!spec.valid() || !dict || !capture(x1, y1, x2, y2, where, image)) return {};
  Reading reading = readingOf(where, image, colours, spec);
  return format(*recognised(where, colours, reading, dict), *dict);
}

void ScreenDriver::setMaskCache(size_t entries) {
  std::lock_guard lock(cacheMutex_);
  cacheEntries_ = entries;
  cache_.clear();
}

ScreenDriver::Reading ScreenDriver::readingOf(const Rect& where, Image& image,
                                              const std::string& colours, const ColourSpec& spec) {
  // The masking itself runs outside the lock, so that reads on several threads do not wait for
  // each other.
  {
    std::lock_guard lock(cacheMutex_);
    for (MaskEntry& e : cache_) {
      if (e.where == where && e.colours == colours && e.pixels == image.pixels) {
        e.lastUse = ++cacheUses_;
        return e.reading;
      }
    }
  }
  Reading reading{std::make_shared<const BitImage>(ColourMask(image, spec)), nullptr, nullptr};
  std::lock_guard lock(cacheMutex_);
  if (cacheEntries_ == 0) return reading;
  // One entry per rectangle and colours: a changed page replaces its entry; a new read takes
  // the place of the one unused longest.
  auto slot = std::find_if(cache_.begin(), cache_.end(), [&](const MaskEntry& e) {
    return e.where == where && e.colours == colours;
  });
  if (slot == cache_.end() && cache_.size() < cacheEntries_) slot = cache_.emplace(cache_.end());
  if (slot == cache_.end())
    slot = std::min_element(cache_.begin(), cache_.end(),
                            [](const auto& a, const auto& b) { return a.lastUse < b.lastUse; });
  *slot = MaskEntry{where, colours, std::move(image.pixels), reading, ++cacheUses_};
  return reading;
}

std::shared_ptr<const OcrResult> ScreenDriver::recognised(
    const Rect& where, const std::string& colours, Reading& reading,
    const std::shared_ptr<const Dictionary>& dict) {
  if (reading.ocr && reading.dict == dict) return reading.ocr;
  reading.dict = dict;
  reading.ocr = std::make_shared<const OcrResult>(Recognise(*reading.mask, *dict));
  std::lock_guard lock(cacheMutex_);
  // Kept with the mask it was read from, if that is still the entry for this place.
  for (MaskEntry& e : cache_)
    if (e.where == where && e.colours == colours && e.reading.mask == reading.mask)
      e.reading = reading;
  return reading.ocr;
}

std::string ScreenDriver::WordOfResult(const std::string& result, int index) {
  return WordAt(result, index);
}

int ScreenDriver::CaptureToFile(int x1, int y1, int x2, int y2, const std::string& path, int) {
  Rect where;
  Image image;
  if (!capture(x1, y1, x2, y2, where, image)) {
    log("screen capture failed for " + path);
    return 0;
  }
  std::string error;
  if (!WriteBmp(path, image, error)) {
    log("screen capture not saved: " + error);
    return 0;
  }
  return 1;
}

bool ScreenDriver::CaptureImage(int x1, int y1, int x2, int y2, Image& image) {
  Rect where;
  return capture(x1, y1, x2, y2, where, image);
}

}  // namespace tavik
