#include "recognition/ocr.h"

#include <algorithm>
#include <bit>

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
    uint64_t* words = mask.rowWords(y);
    for (int x = 0; x < image.width; ++x) {
      const uint32_t p = row[x] & 0xffffff;
      if (p != last) {
        last = p;
        lastOn = spec.matches(p);
      }
      words[x >> 6] |= uint64_t(lastOn) << (x & 63);
    }
  }
  return mask;
}

// A glyph's top row must match the mask exactly. When every candidate's top row has ink, an
// empty 64-pixel window rules out a match at each x whose top row's first ink still falls in
// it: the search may jump that far. Most of a search area is background, so this is where the
// time goes.
static int EmptyWindowSkip(const Dictionary& dict, const std::vector<int>& candidates) {
  int skip = 64;
  for (int i : candidates) {
    const uint64_t top = dict.glyphs[size_t(i)].firstRow();
    if (top == 0) return 1;
    skip = std::min(skip, 64 - std::countr_zero(top));
  }
  return skip;
}

bool FindFirst(const BitImage& mask, const Dictionary& dict, const std::vector<int>& candidates,
               GlyphHit& hit) {
  const int W = mask.width(), H = mask.height();
  const int skip = EmptyWindowSkip(dict, candidates);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const uint64_t win = mask.window(x, y);
      if (win == 0) {
        x += skip - 1;
        continue;
      }
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
