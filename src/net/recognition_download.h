#pragma once
// Downloads of the recognition data that the main parameters announce: the element
// coordinates (rps.php type=12), handed to the recognition updater, and the OCR dictionary
// (rps.php type=14), written to "sscai_2.dll" in the program's folder and loaded into
// dictionary slot 1. Both run on worker 4; the recognition side is reached only through the
// callbacks the controller wires.

#include <functional>
#include <string>
#include <string_view>

#include "core/atomic_int.h"
#include "net/server_choice.h"
#include "net/vendor_access.h"

namespace tavik {

inline constexpr const char* kDownloadedDictionaryFile = "sscai_2.dll";
// A dictionary download is written beside it under this suffix and loaded from there first.
inline constexpr const char* kDownloadCandidateSuffix = ".download";

// The versions applied so far; they live for the program's life (no run reset).
struct RecognitionVersions {
  AtomicInt m_coordVersion{0};  // coordinate version last applied
  AtomicInt m_dictVersion{0};   // dictionary version last loaded (0 = the shipped one)
  AtomicInt m_dataVersion{0};   // total version last applied
};

// The total version v (0..19999) splits into a coordinate version and a dictionary version:
// 12345 gives 23 and 45.
inline int32_t CoordVersion(int32_t v) {
  return v / 100 - 100;
}
inline int32_t DictVersion(int32_t v) {
  return v % 100;
}

// What the downloads do to the recognition side; wired by the controller.
struct RecognitionHooks {
  // Applies a coordinate payload (the recognition updater); `version` is named in its log lines.
  std::function<void(std::string_view payload, int version)> applyRecognitionUpdate;
  // Every element and the dictionary in use back to the built-in ones.
  std::function<void()> restoreRecognitionDefaults;
  // Loads the dictionary file at this path into slot 1; false when it is not a dictionary (the
  // slot keeps what it held).
  std::function<bool(const std::string& file)> loadDictionaryIntoSlot1;
  // Makes slot 0 (the shipped dictionary) or 1 the one in use; false for an empty slot.
  std::function<bool(int slot)> useDictionary;
};

// A dictionary payload with its line joins turned back into bytes: "/r" becomes CR, "/n" LF;
// every other character, a "/" before anything else included, is copied.
std::string DecodeLineJoins(std::string_view payload);

class RecognitionDownloads {
 public:
  // `programDir` ends with "/"; the dictionary is written there.
  RecognitionDownloads(const VendorAccess& vendor, ServerChoiceState& serverChoice,
                       RecognitionHooks hooks, std::string programDir);

  // Brings coordinates and dictionary up to the total version `v` from `server` (1..3). 1 on
  // success; 0, with a failure of the server counted, when a download failed.
  int UpdateRecognitionData(int32_t v, int server);
  // Downloads the dictionary from `server`, loads it from a file of its own, and only then
  // writes it over the last good download and puts it in use. 1 when the new dictionary is
  // loaded, written and in use; 0 otherwise (nothing in use changes, and the last good
  // download stays on disk byte for byte).
  int DownloadDictionary(int server);
  // Every element and the dictionary back to the built-in ones, and the versions back to 0 with
  // them, so that a later announcement of any version is applied again.
  void RestoreRecognitionDefaults();

  RecognitionVersions versions;
  const RecognitionHooks& hooks() const { return hooks_; }

 private:
  bool updateCoordinates(int32_t c, int server);
  bool updateDictionary(int32_t d, int server);

  const VendorAccess& vendor_;
  ServerChoiceState& serverChoice_;
  RecognitionHooks hooks_;
  std::string dictionaryPath_;
};

}  // namespace tavik
