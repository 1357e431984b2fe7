// Recognition coordinates and the dictionary downloaded from a scripted vendor server: the
// version split, the "/r/n" decoding, the file beside the program and the slot it goes to.

#include "net/recognition_download.h"

#include <gtest/gtest.h>

#include "net/reply_envelope.h"
#include "net_params/vendor_fixture.h"
#include "recognition/dictionary.h"
#include "recognition/screen_driver.h"
#include "support/temp_dir.h"
#include "testing/fake_desktop.h"

namespace tavik {
namespace {

TEST(DecodeLineJoins, SlashRAndSlashNBecomeLineBreaks) {
  const struct {
    std::string payload, bytes;
  } cases[] = {
      {"a/r/nb", "a\r\nb"},
      {"/x/", "/x/"},  // any other letter keeps its "/"
      {"//n", "/\n"},
      {"/r/r/n/n", "\r\r\n\n"},
      {"", ""},
      {std::string("a\0/n", 4), std::string("a\0\n", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeLineJoins(c.payload), c.bytes) << c.payload;
}

TEST(RecognitionVersion, SplitsIntoCoordinatesAndDictionary) {
  EXPECT_EQ(CoordVersion(12345), 23);
  EXPECT_EQ(DictVersion(12345), 45);
  EXPECT_EQ(CoordVersion(10001), 0);
  EXPECT_EQ(DictVersion(10001), 1);
}

class RecognitionDownloadTest : public testing::VendorTest {
 protected:
  // Type 12 answers with the coordinate payload, type 14 with the dictionary body; an empty
  // text is a reply without envelope.
  void serve(std::string coordinates, std::string dictionaryBody) {
    server.answer([coordinates, dictionaryBody](const testing::VendorRequest& r) {
      if (r.param("type") == "12") return coordinates.empty() ? "" : "#AA" + coordinates + "*AA";
      if (r.param("type") == "14") return dictionaryBody;
      return std::string();
    });
  }
  std::string dictionaryFile() const { return dir.file(kDownloadedDictionaryFile); }

  testing::TempDir dir;
  ServerChoiceState serverChoice;
  testing::RecordedHooks recorded;
};

// A compact dictionary survives the trip through the reply's line joins to the byte, and the
// screen component loads it into slot 1 and uses it.
TEST_F(RecognitionDownloadTest, DictionaryIsWrittenByteExactAndLoadedIntoSlotOne) {
  Dictionary d;
  for (int g = 0; g < 40; ++g) {
    BitImage image(7, 9);
    for (int y = 0; y < 9; ++y) image.set((g + y) % 7, y, true);
    d.glyphs.emplace_back(std::to_string(g % 10), std::move(image));
  }
  std::string text = d.serialize(DictionaryFormat::kCompact);
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
    text.insert(at, "\r");
  ASSERT_LE(DownloadLength(text), kDictionaryDownloadWindow - 100);
  serve("", "<p>\r\n#AA" + text + "*AA\r\n</p>");

  FakeDesktop desktop(clock);
  ScreenDriver screen(desktop);
  RecognitionDownloads downloads(
      vendor, serverChoice,
      {{},
       {},
       [&](const std::string& file) { return screen.LoadDictionary(1, file) == 1; },
       [&](int slot) { return screen.UseDictionary(slot) == 1; }},
      dir.dir());
  EXPECT_EQ(downloads.DownloadDictionary(3), 1);
  EXPECT_EQ(testing::TempDir::readFile(dictionaryFile()), text);
  EXPECT_TRUE(screen.HasDictionary());
  EXPECT_EQ(server.asked(), std::vector<std::string>{"s3 type=14"});
}

TEST_F(RecognitionDownloadTest, NoDictionaryChangesNothing) {
  const struct {
    const char* what;
    std::string body;
    bool loads;
    std::vector<std::string> calls;
  } cases[] = {
      {"no envelope", "tavik-dictionary 2\r\n", true, {}},
      {"closing marker beyond the window",
       "#AA" + std::string(kDictionaryReplyLimit, 'x') + "*AA",
       true,
       {}},
      {"empty payload", "#AA*AA", true, {}},
      {"refused by the component",
       "#AAnot a dictionary*AA",
       false,
       {"load " + dictionaryFile() + kDownloadCandidateSuffix}},
  };
  // The last good download, which every refused one must leave byte for byte.
  const std::string lastGood = "tavik-dictionary 2\r\nlast good\r\n";
  dir.write(kDownloadedDictionaryFile, lastGood);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::RecordedHooks hooks;
    hooks.loadSucceeds = c.loads;
    RecognitionDownloads downloads(vendor, serverChoice, hooks.hooks(), dir.dir());
    serve("", c.body);
    EXPECT_EQ(downloads.DownloadDictionary(1), 0);
    EXPECT_EQ(hooks.calls, c.calls) << "nothing loaded and the dictionary in use kept";
    EXPECT_EQ(testing::TempDir::readFile(dictionaryFile()), lastGood);
    EXPECT_EQ(dir.entries(), 1u) << "no candidate left behind";
  }
}

// The outcome of one update: both parts must arrive for it to count.
TEST_F(RecognitionDownloadTest, UpdateSucceedsOnlyWhenEveryNeededPartArrived) {
  // A download is loaded from its own file first.
  const std::string file = dictionaryFile() + kDownloadCandidateSuffix;
  const struct {
    const char* what;
    int32_t coordBefore, dictBefore, v;
    bool coordsArrive, dictionaryArrives;
    int result;
    int32_t coordAfter, dictAfter;
    std::vector<std::string> asked;
    std::vector<std::string> calls;
  } cases[] = {
      {"both new, both arrive",
       0,
       0,
       12345,
       true,
       true,
       1,
       23,
       45,
       {"s2 type=12", "s2 type=14"},
       {"apply 0 net_rec_ddjj@", "load " + file, "use 1"}},
      {"coordinates missing",
       0,
       0,
       12345,
       false,
       true,
       0,
       0,
       45,
       {"s2 type=12", "s2 type=14"},
       {"load " + file, "use 1"}},
      {"dictionary missing",
       0,
       0,
       12345,
       true,
       false,
       0,
       23,
       0,
       {"s2 type=12", "s2 type=14"},
       {"apply 0 net_rec_ddjj@"}},
      {"dictionary 0 is the shipped one",
       0,
       7,
       12300,
       true,
       true,
       1,
       23,
       0,
       {"s2 type=12"},
       {"apply 0 net_rec_ddjj@", "use 0"}},
      {"only the dictionary is new",
       0,
       0,
       10001,
       true,
       true,
       1,
       0,
       1,
       {"s2 type=14"},
       {"load " + file, "use 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::VendorServer vendorServer;  // a fresh request record
    const Config cfg = vendorServer.config();
    const VendorAccess access{cfg, http, clock, log, vendor.requestValues};
    ServerChoiceState choice;
    testing::RecordedHooks hooks;
    RecognitionDownloads downloads(access, choice, hooks.hooks(), dir.dir());
    downloads.versions.m_coordVersion = c.coordBefore;
    downloads.versions.m_dictVersion = c.dictBefore;
    vendorServer.answer([&c](const testing::VendorRequest& r) -> std::string {
      if (r.param("type") == "12" && c.coordsArrive) return "#AAnet_rec_ddjj@*AA";
      if (r.param("type") == "14" && c.dictionaryArrives) return "#AAdictionary/r/n*AA";
      return "";
    });
    EXPECT_EQ(downloads.UpdateRecognitionData(c.v, 2), c.result);
    EXPECT_EQ(downloads.versions.m_coordVersion, c.coordAfter);
    EXPECT_EQ(downloads.versions.m_dictVersion, c.dictAfter);
    EXPECT_EQ(vendorServer.asked(), c.asked);
    EXPECT_EQ(hooks.calls, c.calls);
    EXPECT_EQ(choice.failures.get().m_serverFails[1], c.result == 1 ? 0 : 1);
  }
}

}  // namespace
}  // namespace tavik
