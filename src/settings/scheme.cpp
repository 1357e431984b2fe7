#include "settings/scheme.h"

#include <algorithm>

namespace tavik {

namespace {

constexpr const char* kBidNumberKey = "Bid Number";

std::string Numbered(const char* stem, int n) {
  return stem + std::to_string(n);
}

}  // namespace

std::vector<SchemeKey> SchemeKeys(Strategy& s, int32_t& recording) {
  std::vector<SchemeKey> keys = {
      {"Auto Bid 2", &s.m_autoBid2},
      {"Last Sec 2", &s.m_bid2Sec},
      {"Bid Add 2", &s.m_bid2AddFlag},
      {"Bid Smart 2", &s.m_bid2SmartFlag},
      {"Bid Dir 2", &s.m_bid2DirFlag},
      {"Add Price 2", &s.m_bid2AddPrice},
      {"Dir Price 2", &s.m_bid2DirPrice},
      {"Bu2", &s.m_bid2TopUp},
      {"Auto Bid 3", &s.m_autoBid3},
      // Written for older readers of the file; the third bid's flags come from the keys below.
      {"Bid Add 3", &s.m_bid3SmartFlag, false},
      {"Bid Pre 3", &s.m_bid3AddFlag},
      {"Bid Smart 3", &s.m_bid3SmartFlag},
      {"Bid Dir 3", &s.m_bid3DirFlag},
      {"Pre Price 3", &s.m_bid3AddPrice},
      {"Dir Price 3", &s.m_bid3DirPrice},
      {"Bu3", &s.m_bid3TopUp},
      {"Bo 3", &s.m_remedyOn},
      {"Bo Last 3", &s.m_remedySec},
      {"Bo Cha 3", &s.m_remedyMaxDiff},
      {"Bo Cha 4", &s.m_remedyMinDiff},
      {"Bo Bu 3", &s.m_remedyTopUp},
      {"Bo Cha Add3", &s.m_remedyAdd},
  };
  for (int row = 1; row <= kSmartRows; ++row)
    keys.push_back({Numbered("Go Sec ", row), &s.m_smartSec[row]});
  for (int row = 1; row <= kSmartRows; ++row)
    keys.push_back({Numbered("Go Add ", row), &s.m_smartAdd[row]});
  for (int row = 1; row <= kSmartRows; ++row)
    keys.push_back({Numbered("Go Bu ", row), &s.m_smartTopUp[row]});
  keys.push_back({"Qiang Flag", &s.m_qiangFlag});
  keys.push_back({"Qiang Sec", &s.m_qiangSec});
  for (int n = 1; n <= kAdvOptions; ++n)
    keys.push_back({Numbered("adv op ", n), &s.m_advOption[n]});
  keys.insert(keys.end(), {
                              {"adv op 17_1", &s.m_earlyMaxDiff},
                              {"adv op 17_2", &s.m_earlySec},
                              {"adv op 17_3", &s.m_earlyDelayMs},
                              {"adv op 18_1", &s.m_forceSec},
                              {"adv op 18_3", &s.m_forceDelayMs},
                              {"adv op 12_1", &s.m_jumpFastThreshold},
                              {"adv op 12_2", &s.m_jumpSlowThreshold},
                              {"autoduan", &s.m_autoDisconnect},
                              {"bid3now", &s.m_bid3Now},
                              {"bid3lastsec", &s.m_bid3Sec},
                              {"BadGoSmart2", &s.m_bid2LateSmart},
                              {"BadGoSmart3", &s.m_bid3LateSmart},
                          });
  for (int row = 1; row <= kJumpRows; ++row)
    keys.push_back({Numbered("Go Fast ", row), &s.m_jumpFastAdd[row]});
  for (int row = 1; row <= kJumpRows; ++row)
    keys.push_back({Numbered("Go Slow ", row), &s.m_jumpSlowSub[row]});
  keys.push_back({"lx", &recording});
  return keys;
}

std::string SchemeFileName(int schemeIndex) {
  return "./profile_" + std::to_string(schemeIndex + 1) + ".ini";
}

void ReadScheme(const IniDocument& file, Strategy& strategy, int32_t& recording) {
  for (const SchemeKey& key : SchemeKeys(strategy, recording)) {
    if (key.read) *key.field = LeadingInt(file.get(kProfileSection, key.name).value_or("0"));
  }
  strategy.DeriveModes();
  // A scheme without jump limits would float on every jump; these are the working defaults.
  if (strategy.m_jumpFastThreshold == 0) strategy.m_jumpFastThreshold = 400;
  if (strategy.m_jumpSlowThreshold == 0) strategy.m_jumpSlowThreshold = 100;
}

bool LoadSchemeFile(const std::string& exeDir, int schemeIndex, Strategy& strategy,
                    int32_t& recording) {
  const std::string path = ResolveProgramPath(exeDir, SchemeFileName(schemeIndex));
  IniDocument::Status status;
  const IniDocument file = IniDocument::Load(path, &status);
  if (status == IniDocument::Status::kUnreadable) return false;
  ReadScheme(file, strategy, recording);
  return true;
}

bool SaveSchemeFile(const std::string& exeDir, int schemeIndex, Strategy strategy,
                    int32_t recording) {
  const std::string path = ResolveProgramPath(exeDir, SchemeFileName(schemeIndex));
  IniDocument::Status status;
  IniDocument file = IniDocument::Load(path, &status);
  // Replacing a file we could not read would lose the lines we keep for the user.
  if (status == IniDocument::Status::kUnreadable) return false;
  for (const SchemeKey& key : SchemeKeys(strategy, recording))
    file.set(kProfileSection, key.name, std::to_string(*key.field));
  return file.save(path);
}

bool SaveSchemeChoice(const std::string& exeDir, int schemeIndex) {
  return CIni(exeDir, kGlobalProfile, kProfileSection).WriteInt("fangan", schemeIndex);
}

std::string CloudSchemeText(std::string_view delivered) {
  std::string out;
  for (size_t i = 0; i < delivered.size() && out.size() < kCloudSchemeMaxChars; ++i) {
    if (delivered[i] == '/' && i + 1 < delivered.size() &&
        (delivered[i + 1] == 'r' || delivered[i + 1] == 'n')) {
      out += delivered[i + 1] == 'r' ? '\r' : '\n';
      ++i;
    } else {
      out += delivered[i];
    }
  }
  return out;
}

bool StoreCloudScheme(const std::string& exeDir, std::string_view delivered) {
  return ReplaceFileContents(ResolveProgramPath(exeDir, SchemeFileName(kCloudSchemeIndex)),
                             CloudSchemeText(delivered));
}

bool IsValidBidNumber(std::string_view text) {
  return text.size() == 8 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string LoadBidNumber(const std::string& exeDir) {
  std::string bid = CIni(exeDir, kGlobalProfile, kProfileSection).ReadString(kBidNumberKey, "");
  return IsValidBidNumber(bid) ? bid : std::string();
}

bool SaveBidNumber(const std::string& exeDir, std::string_view bidNumber) {
  return CIni(exeDir, kGlobalProfile, kProfileSection).WriteString(kBidNumberKey, bidNumber);
}

}  // namespace tavik
