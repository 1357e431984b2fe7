// tavik-dict: makes and checks recognition dictionaries. When the page's font, zoom or DPI
// changes, the user captures the page, cuts the new glyphs out of the capture and checks that
// the dictionary reads the page again.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/calibrator.h"
#include "core/file_names.h"
#include "platform/clock.h"
#include "platform/native_desktop.h"
#include "recognition/bmp.h"
#include "recognition/colour_spec.h"
#include "recognition/dictionary.h"
#include "recognition/glyph_cut.h"
#include "recognition/ocr.h"

namespace tavik {
namespace {

constexpr int kUsage = 2;

const char* kHelp = R"(usage: tavik-dict COMMAND ARGS

Images are BMP files; IMAGE may also be "screen" for the live screen. Rectangles are
X1,Y1,X2,Y2 in pixels (right and bottom exclusive), clipped to the image. COLOURS is a colour
spec: "H.S.V-dH.dS.dV" alternatives joined by "|", or "RRGGBB-DRDGDB".

  capture OUT.bmp [X1,Y1,X2,Y2 | --window TITLE]
                     save the screen, an area of it, or the first window whose title
                     contains TITLE
  pixel IMAGE X,Y    print a pixel's RGB and HSV (to write a colour spec)
  mask IMAGE RECT COLOURS
                     print which pixels of RECT match COLOURS (# on, . off)
  glyphs DICT IMAGE RECT COLOURS CHARS
                     cut one line of text into glyphs at empty columns and add them named by
                     the characters of CHARS, in order (spaces in CHARS are skipped)
  add DICT IMAGE RECT COLOURS NAME [--keep-box]
                     add the matching pixels of RECT as one glyph NAME, cut to its ink
                     unless --keep-box
  remove DICT NAME   remove every glyph named NAME
  word-gap DICT N    set the gap in pixels that separates words (0 = automatic)
  list DICT [--show] list the glyphs, with their pictures when --show is given
  ocr DICT IMAGE RECT COLOURS
                     print OcrText, OcrWords and every glyph found with its position
  find DICT IMAGE RECT COLOURS WORD
                     print where WORD is first found (exit 1 when it is not)
  convert DICT OUT --format N
                     write DICT to OUT in format N and print its size as a download
  calibrate DICT --window TITLE [--box X1,Y1,X2,Y2] [--seconds N] [--words W,W]
            [--bids N] [--price N] [--offset-ms N] [--real]
                     learn DICT from the auction window on the live screen: the anchor (with
                     DICT's own, or cut from --box, a box around the anchor text), the digits
                     from the page clock, which must show the machine's time (plus
                     --offset-ms), and the words the page shows meanwhile (--words: wait for
                     these too; --bids: bids made, which the bid-count marker shows; --price:
                     the lowest price, for figures in other colours). Gives up after N seconds
                     (60), saying what is missing and writing nothing; else DICT is replaced
                     and its previous content kept as DICT.bak

Commands that change DICT write it in the format it was read in (format 1 for a new
file) unless "--format N" is given: 1 draws each glyph as rows of # and ., 2 is the
compact form for downloads.
)";

struct Failure {
  std::string message;
  int code = 1;
};

[[noreturn]] void Fail(const std::string& message, int code = 1) {
  throw Failure{message, code};
}

std::vector<int> Numbers(const std::string& text, size_t count, const char* what) {
  std::vector<int> out;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) {
    size_t used = 0;
    int v = 0;
    try {
      v = std::stoi(part, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || used != part.size()) Fail(std::string("bad ") + what + ": " + text, kUsage);
    out.push_back(v);
  }
  if (out.size() != count) Fail(std::string("bad ") + what + ": " + text, kUsage);
  return out;
}

Rect ParseRect(const std::string& text) {
  const auto n = Numbers(text, 4, "rectangle (want X1,Y1,X2,Y2)");
  return Rect{n[0], n[1], n[2], n[3]};
}

ColourSpec ParseColours(const std::string& text) {
  ColourSpec spec = ColourSpec::Parse(text);
  if (!spec.valid()) Fail("bad colour spec: \"" + text + "\"", kUsage);
  return spec;
}

std::unique_ptr<Desktop> OpenDesktop() {
  auto desktop = createNativeDesktop();
  if (!desktop || !desktop->available()) Fail("no usable display");
  return desktop;
}

Image CaptureScreen(Desktop& desktop, const Rect& r) {
  Image image;
  if (!desktop.captureScreen(r, image)) Fail("screen capture failed");
  return image;
}

Image LoadImage(const std::string& source) {
  if (source == "screen") {
    auto desktop = OpenDesktop();
    const Size s = desktop->screenSize();
    return CaptureScreen(*desktop, Rect{0, 0, s.width, s.height});
  }
  Image image;
  std::string error;
  if (!ReadBmp(source, image, error)) Fail(error);
  return image;
}

// The part of `image` inside `r`, with `r` clipped to the image.
Image Crop(const Image& image, Rect& r) {
  r = Rect{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, image.width),
           std::min(r.bottom, image.height)};
  if (r.empty()) Fail("the rectangle lies outside the image");
  Image out(r.width(), r.height());
  for (int y = 0; y < r.height(); ++y)
    for (int x = 0; x < r.width(); ++x) out.at(x, y) = image.at(r.left + x, r.top + y);
  return out;
}

// A dictionary file as read: its glyphs and the format it was written in.
struct DictFile {
  Dictionary dict;
  DictionaryFormat format = DictionaryFormat::kRows;
};

DictFile LoadOrCreate(const std::string& path) {
  DictFile file;
  std::error_code ec;
  if (!std::filesystem::exists(PathFromUtf8(path), ec)) return file;
  std::string error;
  if (!Dictionary::Load(path, file.dict, error, &file.format)) Fail(error + " (not changed)");
  return file;
}

DictFile LoadExisting(const std::string& path) {
  DictFile file;
  std::string error;
  if (!Dictionary::Load(path, file.dict, error, &file.format)) Fail(error);
  return file;
}

// Writes in the format asked for, else in the one the file was read in, so that editing a
// compact dictionary keeps it compact.
void Save(const DictFile& file, const std::string& path, std::optional<DictionaryFormat> asked) {
  std::string error;
  if (!file.dict.save(path, error, asked.value_or(file.format))) Fail(error);
}

// Takes "--format N" out of `args`; nothing when it is not there.
std::optional<DictionaryFormat> TakeFormat(std::vector<std::string>& args) {
  const auto it = std::find(args.begin(), args.end(), "--format");
  if (it == args.end()) return std::nullopt;
  if (it + 1 == args.end() || (it[1] != "1" && it[1] != "2"))
    Fail("--format wants 1 (rows of # and .) or 2 (compact)", kUsage);
  const auto format = it[1] == "1" ? DictionaryFormat::kRows : DictionaryFormat::kCompact;
  args.erase(it, it + 2);
  return format;
}

// Adds a glyph unless the same picture is already there; a picture already known under another
// name is refused, since recognition could not tell the two apart.
void AddGlyph(Dictionary& dict, const std::string& name, BitImage bits) {
  if (!IsValidGlyphName(name))
    Fail("bad glyph name \"" + name + "\" (1-64 bytes, no spaces or |)", kUsage);
  if (bits.width() > kMaxGlyphSide || bits.height() > kMaxGlyphSide)
    Fail("glyph \"" + name + "\" is larger than " + std::to_string(kMaxGlyphSide) + " pixels");
  for (const Glyph& g : dict.glyphs) {
    if (!SameBits(g.bits(), bits)) continue;
    if (g.name() == name) {
      std::cout << "\"" << name << "\": this picture is already in the dictionary\n";
      return;
    }
    Fail("this picture of \"" + name + "\" is already in the dictionary as \"" + g.name() + "\"");
  }
  std::cout << "added \"" << name << "\" " << bits.width() << "x" << bits.height() << "\n";
  dict.glyphs.emplace_back(name, std::move(bits));
}

// UTF-8 characters of `text`, spaces skipped.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    size_t n = 1;
    const unsigned char c = text[i];
    if (c >= 0xF0) {
      n = 4;
    } else if (c >= 0xE0) {
      n = 3;
    } else if (c >= 0xC0) {
      n = 2;
    }
    if (c != ' ') out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

// The first window, in z-order from the front, whose title holds `title`; 0 when none.
WindowId FindWindow(Desktop& desktop, const std::string& title) {
  for (WindowId w = desktop.foregroundWindow(); w; w = desktop.windowBelow(w))
    if (desktop.windowTitle(w).find(title) != std::string::npos) return w;
  for (WindowId w = desktop.foregroundWindow(); w; w = desktop.windowAbove(w))
    if (desktop.windowTitle(w).find(title) != std::string::npos) return w;
  return 0;
}

int Capture(const std::vector<std::string>& a) {
  if (a.size() != 1 && a.size() != 2 && !(a.size() == 3 && a[1] == "--window")) Fail(kHelp, kUsage);
  auto desktop = OpenDesktop();
  const Size s = desktop->screenSize();
  Rect r{0, 0, s.width, s.height};
  if (a.size() == 2) r = ParseRect(a[1]);
  if (a.size() == 3 && !desktop->windowRect(FindWindow(*desktop, a[2]), r))
    Fail("no window with \"" + a[2] + "\" in its title");
  const Image image = CaptureScreen(*desktop, r);
  std::string error;
  if (!WriteBmp(a[0], image, error)) Fail(error);
  std::cout << "wrote " << a[0] << " (" << image.width << "x" << image.height << " at " << r.left
            << "," << r.top << ")\n";
  return 0;
}

int Pixel(const std::vector<std::string>& a) {
  if (a.size() != 2) Fail(kHelp, kUsage);
  const Image image = LoadImage(a[0]);
  const auto p = Numbers(a[1], 2, "point (want X,Y)");
  if (p[0] < 0 || p[1] < 0 || p[0] >= image.width || p[1] >= image.height)
    Fail("the point lies outside the image");
  const uint32_t rgb = image.at(p[0], p[1]) & 0xFFFFFF;
  const Hsv hsv = PixelHsv(rgb);
  char line[128];
  std::snprintf(line, sizeof line, "%d,%d rgb %06x hsv %d.%d.%d  (spec \"%d.%d.%d-0.0.0\")\n", p[0],
                p[1], rgb, hsv.h, hsv.s, hsv.v, hsv.h, hsv.s, hsv.v);
  std::cout << line;
  return 0;
}

int Mask(const std::vector<std::string>& a) {
  if (a.size() != 3) Fail(kHelp, kUsage);
  Rect r = ParseRect(a[1]);
  const Image area = Crop(LoadImage(a[0]), r);
  std::cout << Picture(ColourMask(area, ParseColours(a[2])));
  return 0;
}

int Glyphs(const std::vector<std::string>& a, std::optional<DictionaryFormat> format) {
  if (a.size() != 5) Fail(kHelp, kUsage);
  DictFile file = LoadOrCreate(a[0]);
  Rect r = ParseRect(a[2]);
  const BitImage mask = ColourMask(Crop(LoadImage(a[1]), r), ParseColours(a[3]));
  const auto chars = Characters(a[4]);
  const auto runs = InkColumns(mask);
  if (runs.size() != chars.size()) {
    std::ostringstream why;
    why << "found " << runs.size() << " glyphs but " << chars.size() << " characters were given;"
        << " glyphs at columns";
    for (const auto& [b, e] : runs) why << " " << r.left + b << "-" << r.left + e - 1;
    why << " (touching glyphs need \"add\" one by one)";
    Fail(why.str());
  }
  for (size_t i = 0; i < runs.size(); ++i)
    AddGlyph(file.dict, chars[i], CutBits(mask, InkBox(mask, runs[i].first, runs[i].second)));
  Save(file, a[0], format);
  return 0;
}

int Add(const std::vector<std::string>& a, std::optional<DictionaryFormat> format) {
  const bool keepBox = a.size() == 6 && a[5] == "--keep-box";
  if (a.size() != 5 && !keepBox) Fail(kHelp, kUsage);
  DictFile file = LoadOrCreate(a[0]);
  Rect r = ParseRect(a[2]);
  const BitImage mask = ColourMask(Crop(LoadImage(a[1]), r), ParseColours(a[3]));
  const Rect box = keepBox ? Rect{0, 0, mask.width(), mask.height()} : InkBox(mask);
  if (box.empty()) Fail("no pixel of the rectangle matches the colours");
  AddGlyph(file.dict, a[4], CutBits(mask, box));
  Save(file, a[0], format);
  return 0;
}

int Remove(const std::vector<std::string>& a, std::optional<DictionaryFormat> format) {
  if (a.size() != 2) Fail(kHelp, kUsage);
  DictFile file = LoadExisting(a[0]);
  std::vector<Glyph>& glyphs = file.dict.glyphs;
  const size_t before = glyphs.size();
  std::erase_if(glyphs, [&](const Glyph& g) { return g.name() == a[1]; });
  if (glyphs.size() == before) Fail("no glyph named \"" + a[1] + "\"");
  Save(file, a[0], format);
  std::cout << "removed " << before - glyphs.size() << " glyph(s) \"" << a[1] << "\"\n";
  return 0;
}

int WordGap(const std::vector<std::string>& a, std::optional<DictionaryFormat> format) {
  if (a.size() != 2) Fail(kHelp, kUsage);
  DictFile file = LoadExisting(a[0]);
  const int gap = Numbers(a[1], 1, "word gap")[0];
  if (gap < 0 || gap > kMaxGlyphSide) Fail("bad word gap: " + a[1], kUsage);
  file.dict.wordGap = gap;
  Save(file, a[0], format);
  return 0;
}

int List(const std::vector<std::string>& a) {
  const bool show = a.size() == 2 && a[1] == "--show";
  if (a.size() != 1 && !show) Fail(kHelp, kUsage);
  const DictFile file = LoadExisting(a[0]);
  const Dictionary& dict = file.dict;
  std::cout << dict.glyphs.size() << " glyphs, word gap "
            << (dict.wordGap ? std::to_string(dict.wordGap) : "automatic") << ", format "
            << int(file.format) << "\n";
  for (const Glyph& g : dict.glyphs) {
    std::cout << g.name() << " " << g.width() << "x" << g.height() << " ink " << g.inkCount()
              << "\n";
    if (show) std::cout << Picture(g.bits());
  }
  return 0;
}

int Ocr(const std::vector<std::string>& a) {
  if (a.size() != 4) Fail(kHelp, kUsage);
  const Dictionary dict = LoadExisting(a[0]).dict;
  Rect r = ParseRect(a[2]);
  const OcrResult result =
      Recognise(ColourMask(Crop(LoadImage(a[1]), r), ParseColours(a[3])), dict);
  std::cout << "text: \"" << OcrTextOf(result, dict) << "\"\n";
  std::cout << "words: \"" << OcrWordsOf(result, dict) << "\"\n";
  for (const OcrLine& line : result.lines) {
    for (const auto& word : line.words) {
      for (const GlyphHit& h : word) {
        std::cout << dict.glyphs[h.glyph].name() << " at " << r.left + h.x << "," << r.top + h.y
                  << "\n";
      }
    }
  }
  return 0;
}

int Find(const std::vector<std::string>& a) {
  if (a.size() != 5) Fail(kHelp, kUsage);
  const Dictionary dict = LoadExisting(a[0]).dict;
  const std::vector<int> candidates = dict.indicesOf(a[4]);
  if (candidates.empty()) Fail("no glyph named \"" + a[4] + "\" in " + a[0]);
  Rect r = ParseRect(a[2]);
  GlyphHit hit;
  if (!FindFirst(ColourMask(Crop(LoadImage(a[1]), r), ParseColours(a[3])), dict, candidates, hit)) {
    std::cout << "\"" << a[4] << "\" not found\n";
    return 1;
  }
  std::cout << "\"" << a[4] << "\" found at " << r.left + hit.x << "," << r.top + hit.y << "\n";
  return 0;
}

int Convert(const std::vector<std::string>& a, std::optional<DictionaryFormat> format) {
  if (a.size() != 2 || !format) Fail(kHelp, kUsage);
  const DictFile file = LoadExisting(a[0]);
  Save(file, a[1], format);
  const std::string text = file.dict.serialize(*format);
  const size_t download = DownloadLength(text);
  std::cout << "wrote " << a[1] << ": format " << int(*format) << ", " << file.dict.glyphs.size()
            << " glyphs, " << text.size() << " bytes, " << download << " of the "
            << kDictionaryDownloadWindow << " characters a download holds\n";
  if (download > kDictionaryDownloadWindow) std::cout << "too large to be downloaded\n";
  return 0;
}

// Takes "NAME VALUE" out of `args`; nullopt when NAME is not there.
std::optional<std::string> TakeOption(std::vector<std::string>& args, const std::string& name) {
  const auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return std::nullopt;
  if (it + 1 == args.end()) Fail(name + " wants a value", kUsage);
  std::string value = it[1];
  args.erase(it, it + 2);
  return value;
}

int NumberOption(std::vector<std::string>& args, const std::string& name, int fallback) {
  const auto v = TakeOption(args, name);
  return v ? Numbers(*v, 1, name.c_str())[0] : fallback;
}

// The window as the calibration sees it: its pixels, where it is and what time it should show.
bool CaptureFrame(Desktop& desktop, Clock& clock, WindowId w, int offsetMs, int bids,
                  CalibrationFrame& frame) {
  Rect r;
  if (!desktop.windowRect(w, r) || !desktop.captureScreen(r, frame.image)) return false;
  frame.at = {r.left, r.top};
  const int64_t now = clock.utcNowMs() + offsetMs;
  frame.expectedSecond = calendarFromUnixMs(now + clock.localOffsetMs(now)).secondsOfDay();
  frame.bidsMade = bids;
  return true;
}

// The words still wanted, with how to bring each on screen. A name is learned once any of its
// places showed it (the captcha box's OK and the information window's are both "901").
std::vector<std::string> WordsMissing(const Calibrator& c, const std::vector<std::string>& wanted) {
  const auto learned = [&](const std::string& name) {
    return std::any_of(c.words().begin(), c.words().end(),
                       [&](const WordNeed& w) { return w.learned && w.name == name; });
  };
  std::vector<std::string> out;
  for (const WordNeed& w : c.words())
    if (!learned(w.name) && std::find(wanted.begin(), wanted.end(), w.name) != wanted.end())
      out.push_back(w.what + " (\"" + w.name + "\"): " + w.howToShow);
  return out;
}

int Calibrate(std::vector<std::string> a, std::optional<DictionaryFormat> format) {
  const auto title = TakeOption(a, "--window");
  const auto box = TakeOption(a, "--box");
  const int seconds = NumberOption(a, "--seconds", 60);
  const int bids = NumberOption(a, "--bids", 1);
  const int price = NumberOption(a, "--price", 0);
  const int offsetMs = NumberOption(a, "--offset-ms", 0);
  const auto wordList = TakeOption(a, "--words");
  const auto real = std::find(a.begin(), a.end(), "--real");
  const bool realMode = real != a.end();
  if (realMode) a.erase(real);
  if (a.size() != 1 || !title || seconds < 1 || seconds > 3600) Fail(kHelp, kUsage);
  std::vector<std::string> wanted;
  if (wordList) {
    std::stringstream in(*wordList);
    for (std::string w; std::getline(in, w, ',');) wanted.push_back(w);
  }
  const DictFile before = LoadOrCreate(a[0]);
  auto desktop = OpenDesktop();
  RealClock clock;
  const WindowId w = FindWindow(*desktop, *title);
  if (!w) Fail("no window with \"" + *title + "\" in its title");
  Calibrator c(ElementTable::Defaults(), desktop->windowTitle(w), realMode, before.dict);
  CalibrationFrame frame;
  if (!CaptureFrame(*desktop, clock, w, offsetMs, bids, frame)) Fail("screen capture failed");
  if (!c.findAnchor(frame)) {
    if (!box) Fail("the anchor is not found with " + a[0] + ": give --box around the anchor text");
    if (!c.anchorFromBox(frame, ParseRect(*box))) Fail(c.messages().at(0));
  }
  std::cout << "origin " << c.origin()->x << "," << c.origin()->y << "\n" << std::flush;
  std::string shown;
  bool priceDone = price == 0;
  for (uint32_t start = clock.tickCountMs(); clock.tickCountMs() - start < uint32_t(seconds) * 1000;
       clock.sleepMs(200)) {
    if (!CaptureFrame(*desktop, clock, w, offsetMs, bids, frame)) continue;
    c.addFrame(frame);
    if (!priceDone && c.clockLearned()) priceDone = c.learnLowestPrice(frame, price);
    std::vector<std::string> missing = c.missing();
    if (!priceDone) missing.push_back("the lowest price " + std::to_string(price));
    for (const std::string& m : WordsMissing(c, wanted)) missing.push_back(m);
    for (const std::string& m : c.messages()) std::cout << m << "\n";
    std::string now;
    for (const std::string& m : missing) now += "  missing: " + m + "\n";
    if (now != shown) std::cout << (now.empty() ? "  complete\n" : now) << std::flush;
    shown = now;
    if (missing.empty()) {
      std::string error;
      if (!WriteDictionary(c.dictionary(), a[0], format.value_or(before.format), error))
        Fail(error);
      std::cout << "wrote " << a[0] << ": " << c.dictionary().glyphs.size() << " glyphs"
                << (std::filesystem::exists(a[0] + ".bak")
                        ? ", the previous one kept as " + a[0] + ".bak"
                        : "")
                << "\n";
      for (const std::string& m :
           WordsMissing(c, {"902", "901", "911", "302", "904", "501", "502"}))
        std::cout << "not learned: " << m << "\n";
      return 0;
    }
  }
  Fail("gave up after " + std::to_string(seconds) + " s; " + a[0] + " not changed; missing:\n" +
       shown);
}

int Run(std::vector<std::string> args) {
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::cout << kHelp;
    return args.empty() ? kUsage : 0;
  }
  const std::string command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  const std::optional<DictionaryFormat> format = TakeFormat(rest);
  if (command == "glyphs") return Glyphs(rest, format);
  if (command == "add") return Add(rest, format);
  if (command == "remove") return Remove(rest, format);
  if (command == "word-gap") return WordGap(rest, format);
  if (command == "convert") return Convert(rest, format);
  if (command == "calibrate") return Calibrate(rest, format);
  if (format) Fail("--format applies only to commands that write a dictionary", kUsage);
  if (command == "capture") return Capture(rest);
  if (command == "pixel") return Pixel(rest);
  if (command == "mask") return Mask(rest);
  if (command == "list") return List(rest);
  if (command == "ocr") return Ocr(rest);
  if (command == "find") return Find(rest);
  Fail("unknown command \"" + command + "\"\n" + kHelp, kUsage);
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
  try {
    tavik::UseUtf8Console();
    return tavik::Run(tavik::Utf8Arguments(argc, argv));
  } catch (const tavik::Failure& f) {
    std::cerr << "tavik-dict: " << f.message << (f.message.ends_with('\n') ? "" : "\n");
    return f.code;
  }
}
