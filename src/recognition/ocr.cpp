#include "recognition/ocr.h"

#include <algorithm>

namespace tavik {

namespace {

// True when the box of `h` overlaps any pixel already taken in `taken` (width `w`).
bool Overlaps(const std::vector<uint8_t>& taken, int w, const GlyphHit& h) {
  for (int y = h.y; y < h.y + h.height; ++y) {
    for (int x = h.x; x < h.x + h.width; ++x)
      if (taken[size_t(y) * w + x]) return true;
  }
  return false;
}

void Take(std::vector<uint8_t>& taken, int w, const GlyphHit& h) {
  for (int y = h.y; y < h.y + h.height; ++y)
    std::fill_n(taken.begin() + size_t(y) * w + h.x, h.width, uint8_t{1});
}

// Every exact match of every glyph.
std::vector<GlyphHit> AllHits(const BitImage& mask, const Dictionary& dict) {
  std::vector<GlyphHit> hits;
  // A glyph whose top row starts with ink can only match where the window holds ink, so empty
  // background is skipped at once unless some glyph starts with an empty run.
  bool anyBlankStart = false;
  for (const Glyph& g : dict.glyphs) anyBlankStart |= g.firstWindowFits(0);
  const int W = mask.width(), H = mask.height();
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const uint64_t win = mask.window(x, y);
      if (win == 0 && !anyBlankStart) continue;
      for (size_t i = 0; i < dict.glyphs.size(); ++i) {
        const Glyph& g = dict.glyphs[i];
        if (x + g.width() > W || y + g.height() > H || !g.firstWindowFits(win)) continue;
        if (g.matchesAt(mask, x, y)) hits.push_back({int(i), x, y, g.width(), g.height()});
      }
    }
  }
  return hits;
}

// Keeps the strongest of overlapping matches: more ink first, then the larger box, then the
// earlier position in row-major order.
std::vector<GlyphHit> ResolveOverlaps(std::vector<GlyphHit> hits, const BitImage& mask,
                                      const Dictionary& dict) {
  std::stable_sort(hits.begin(), hits.end(), [&](const GlyphHit& a, const GlyphHit& b) {
    const int ia = dict.glyphs[a.glyph].inkCount(), ib = dict.glyphs[b.glyph].inkCount();
    if (ia != ib) return ia > ib;
    return a.width * a.height > b.width * b.height;
  });
  std::vector<uint8_t> taken(size_t(mask.width()) * mask.height(), 0);
  std::vector<GlyphHit> kept;
  for (const GlyphHit& h : hits) {
    if (Overlaps(taken, mask.width(), h)) continue;
    Take(taken, mask.width(), h);
    kept.push_back(h);
  }
  return kept;
}

struct LineBuild {
  int top, bottom;
  std::vector<GlyphHit> hits;
};

// Groups hits into lines of overlapping vertical spans; taller glyphs first so that they set
// the line, and small marks (".", "-") join the line they sit in.
std::vector<LineBuild> GroupLines(std::vector<GlyphHit> hits) {
  std::stable_sort(hits.begin(), hits.end(),
                   [](const GlyphHit& a, const GlyphHit& b) { return a.height > b.height; });
  std::vector<LineBuild> lines;
  for (const GlyphHit& h : hits) {
    auto it = std::find_if(lines.begin(), lines.end(), [&](const LineBuild& l) {
      return h.y < l.bottom && h.y + h.height > l.top;
    });
    if (it == lines.end()) {
      lines.push_back({h.y, h.y + h.height, {h}});
    } else {
      it->top = std::min(it->top, h.y);
      it->bottom = std::max(it->bottom, h.y + h.height);
      it->hits.push_back(h);
    }
  }
  std::sort(lines.begin(), lines.end(),
            [](const LineBuild& a, const LineBuild& b) { return a.top < b.top; });
  return lines;
}

OcrLine SplitWords(LineBuild& line, const Dictionary& dict) {
  std::sort(line.hits.begin(), line.hits.end(), [](const GlyphHit& a, const GlyphHit& b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  });
  const int gap = dict.wordGap > 0 ? dict.wordGap : std::max(2, (line.bottom - line.top + 1) / 2);
  OcrLine out;
  int right = 0;
  for (const GlyphHit& h : line.hits) {
    if (out.words.empty() || h.x - right >= gap) out.words.emplace_back();
    out.words.back().push_back(h);
    right = std::max(right, h.x + h.width);
  }
  return out;
}

}  // namespace

BitImage ColourMask(const Image& image, const ColourSpec& spec) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < size_t(image.width) * size_t(image.height))
    return BitImage();
  BitImage mask(image.width, image.height);
  if (!spec.valid()) return mask;
  // Screens are mostly runs of one colour: remember the last verdict.
  uint32_t last = 0;
  bool lastOn = spec.matches(0);
  for (int y = 0; y < image.height; ++y) {
    const uint32_t* row = image.pixels.data() + size_t(y) * image.width;
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = row[x] & 0xffffff;
      if (p != last) {
        last = p;
        lastOn = spec.matches(p);
      }
      if (lastOn) mask.set(x, y, true);
    }
  }
  return mask;
}

bool FindFirst(const BitImage& mask, const Dictionary& dict, const std::vector<int>& candidates,
               GlyphHit& hit) {
  const int W = mask.width(), H = mask.height();
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const uint64_t win = mask.window(x, y);
      for (int i : candidates) {
        const Glyph& g = dict.glyphs[i];
        if (x + g.width() > W || y + g.height() > H || !g.firstWindowFits(win)) continue;
        if (g.matchesAt(mask, x, y)) {
          hit = {i, x, y, g.width(), g.height()};
          return true;
        }
      }
    }
  }
  return false;
}

OcrResult Recognise(const BitImage& mask, const Dictionary& dict) {
  std::vector<LineBuild> lines = GroupLines(ResolveOverlaps(AllHits(mask, dict), mask, dict));
  OcrResult out;
  for (LineBuild& l : lines) out.lines.push_back(SplitWords(l, dict));
  return out;
}

std::string OcrTextOf(const OcrResult& r, const Dictionary& dict) {
  std::string out;
  for (size_t i = 0; i < r.lines.size(); ++i) {
    if (i > 0) out += '\n';
    for (const auto& word : r.lines[i].words)
      for (const GlyphHit& h : word) out += dict.glyphs[h.glyph].name();
  }
  return out;
}

std::string OcrWordsOf(const OcrResult& r, const Dictionary& dict) {
  std::string out;
  for (const OcrLine& line : r.lines) {
    for (const auto& word : line.words) {
      if (!out.empty()) out += '|';
      for (const GlyphHit& h : word) out += dict.glyphs[h.glyph].name();
    }
  }
  return out;
}

std::string WordAt(const std::string& words, int index) {
  if (index < 0 || words.empty()) return {};
  size_t begin = 0;
  for (int i = 0; i < index; ++i) {
    begin = words.find('|', begin);
    if (begin == std::string::npos) return {};
    ++begin;
  }
  const size_t end = words.find('|', begin);
  return words.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace tavik
