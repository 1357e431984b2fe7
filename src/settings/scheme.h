#pragma once
// Strategy schemes on disk: one profile file per scheme ("./profile_1.ini" .. "./profile_4.ini")
// and the global "./profile.ini", all in section "Settings" beside the program.

#include <string>
#include <string_view>
#include <vector>

#include <cstdint>
#include "settings/ini_file.h"
#include "settings/strategy.h"

namespace tavik {

inline constexpr const char* kProfileSection = "Settings";
inline constexpr const char* kGlobalProfile = "./profile.ini";
inline constexpr int kCloudSchemeIndex = 3;  // "云方案", profile_4.ini
inline constexpr size_t kCloudSchemeMaxChars = 4999;

// One key of a scheme file and the field it holds. Keys that are only written (the third-bid
// "Bid Add 3") carry read = false.
struct SchemeKey {
  std::string name;
  int32_t* field;
  bool read = true;
};

// Every key of a scheme file, in the order a save writes them. `recording` is the run's
// m_recording (key "lx").
std::vector<SchemeKey> SchemeKeys(Strategy& strategy, int32_t& recording);

// "./profile_%d.ini" for the zero-based scheme index.
std::string SchemeFileName(int schemeIndex);

// Reads every key (0 when missing), derives the modes and applies the jump-threshold
// fallbacks 400 and 100.
void ReadScheme(const IniDocument& file, Strategy& strategy, int32_t& recording);
// The scheme's file read as above (a missing file reads as all zeros). False, with nothing
// changed, when the file exists but cannot be read (permissions, an I/O error, oversized).
bool LoadSchemeFile(const std::string& exeDir, int schemeIndex, Strategy& strategy,
                    int32_t& recording);

// Writes every key in order into the scheme's file, keeping the file's other lines. The file
// is replaced in one step: false means nothing was changed on disk (also when the existing
// file cannot be read, since its other lines would be lost).
bool SaveSchemeFile(const std::string& exeDir, int schemeIndex, Strategy strategy,
                    int32_t recording);

// "fangan" in the global file: the last saved scheme (kept for the record; start-up always
// selects scheme 1).
bool SaveSchemeChoice(const std::string& exeDir, int schemeIndex);

// A delivered cloud scheme as it is stored: each "/r" becomes a carriage return, each "/n" a
// line feed, and at most 4999 characters are kept.
std::string CloudSchemeText(std::string_view delivered);
// Replaces "profile_4.ini" beside the program with the converted text.
bool StoreCloudScheme(const std::string& exeDir, std::string_view delivered);

// The user's bid number: exactly eight decimal digits.
bool IsValidBidNumber(std::string_view text);
// The bid number kept in the global file, or empty when none or not valid.
std::string LoadBidNumber(const std::string& exeDir);
bool SaveBidNumber(const std::string& exeDir, std::string_view bidNumber);

}  // namespace tavik
