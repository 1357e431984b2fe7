#include "net/main_params_poll.h"

#include <optional>

#include "net/reply_envelope.h"

namespace tavik {
namespace {

constexpr int32_t kParamTickWrap = 5000;
constexpr int32_t kParamTickDue = 950;
// An exchange that took longer than this many auction seconds counts as a failure of its
// server, even though its fields have been applied.
constexpr int32_t kSlowReplySec = 9;

std::string Numbers(const std::vector<int>& indices) {
  std::string text;
  for (const int i : indices) text += (text.empty() ? "" : ",") + std::to_string(i);
  return text;
}

}  // namespace

MainParamsPoll::MainParamsPoll(const VendorAccess& vendor, MainParamsTargets targets,
                               RecognitionDownloads& downloads)
    : vendor_(vendor), t_(targets), downloads_(downloads) {}

bool MainParamsPoll::requestDue(int32_t remainSec) const {
  const ServerChoiceState& sc = t_.serverChoice;
  const int32_t period = sc.g_paramPeriod > 0 ? sc.g_paramPeriod.load() : kParamPeriod;
  if (sc.m_paramTick % period == kParamTickDue && remainSec > 50) return true;
  return sc.m_paramAttempts == 0 && remainSec > 15 && remainSec < 70;
}

void MainParamsPoll::FetchMainParams() {
  ServerChoiceState& sc = t_.serverChoice;
  if (++sc.m_paramTick > kParamTickWrap) sc.m_paramTick = 0;
  // Service modes 9 and 3 ask the copies to poll less often.
  if (t_.net.m_netMode == 9) {
    vendor_.clock.sleepMs(60'000);
  } else if (t_.net.m_netMode == 3) {
    vendor_.clock.sleepMs(30'000);
  }
  if (t_.m_realMode != 1) return;
  const int32_t s0 = t_.m_remainSec;
  if (!requestDue(s0)) return;

  const int server = SelectParamServer(sc, vendor_.log);
  ++sc.m_paramAttempts;
  const std::string reply = vendor_.get(server, VendorName::Base,
                                        MainParamsQuery(vendor_.values(), s0, t_.net.g_addmiao));
  const auto fields = ParseMainParamsReply(reply);
  if (fields) ApplyMainParams(ParseMainParams(*fields), server);

  const int32_t now = t_.m_remainSec;
  if (now > 1 && s0 - now > kSlowReplySec) {
    vendor_.log.LogStatus("读取主参数时间大于9秒失败", true);
    CountServerFailure(sc, server, FailedRequest::MainParams, vendor_.log);
  } else if (!fields) {
    CountServerFailure(sc, server, FailedRequest::MainParams, vendor_.log);
  }
}

void MainParamsPoll::ApplyMainParams(const MainParams& p, int server) {
  if (!p.refused.empty()) vendor_.log.LogStatus("主参数无效项未采用:" + Numbers(p.refused), false);
  NetState& net = t_.net;
  RemoteTuning& owners = t_.owners;
  if (p.m_netMode) net.m_netMode = *p.m_netMode;
  if (p.priceAreaX || p.priceAreaY) owners.AdjustPriceArea(p.priceAreaX, p.priceAreaY);
  if (p.anchorJjX || p.anchorJjY) owners.AdjustAnchorJj(p.anchorJjX, p.anchorJjY);
  if (p.g_captchaDigits) net.g_captchaDigits = *p.g_captchaDigits;
  if (p.g_anchor201Adjust) owners.AdjustAnchor201(*p.g_anchor201Adjust);
  if (p.m_pasteMode) owners.SetPasteMode(*p.m_pasteMode);
  if (p.dataVersion) applyDataVersion(*p.dataVersion, server);
  if (p.ntp) owners.ApplyNtpSetting(*p.ntp);
  if (p.m_skipBidButtonCheck) net.m_skipBidButtonCheck = *p.m_skipBidButtonCheck;
  if (p.secondHalf) owners.EnterSecondHalf();
  if (p.forceShift) applyForceShift(*p.forceShift);
  if (p.m_ntpTrimMs) owners.SetNtpTrim(*p.m_ntpTrimMs);
  if (p.m_featureSwitches) applyFeatureSwitches(*p.m_featureSwitches);
  if (p.m_clientClass) owners.SetClientClass(*p.m_clientClass);
  if (p.m_netPriceServer) t_.serverChoice.m_netPriceServer = *p.m_netPriceServer;
  if (p.pageFocus) owners.UpdatePageFocus(*p.pageFocus);
  if (p.relayHosts) applyRelayHosts(*p.relayHosts);
  if (p.latestVersion) owners.AnnounceVersion(*p.latestVersion);
}

void MainParamsPoll::applyDataVersion(int32_t v, int server) {
  Logger& log = vendor_.log;
  const int32_t m = downloads_.versions.m_dataVersion;
  if (m >= 1 && v == 0) {
    log.LogStatus("全部恢复原来数据：0", true);
    downloads_.RestoreRecognitionDefaults();
  } else if (v > 10000 && v != m) {
    const std::string named = std::to_string(v) + ",服务器：" + std::to_string(server);
    log.LogStatus("计划更新总数据版本：" + named, true);
    const bool ok = downloads_.UpdateRecognitionData(v, server) == 1;
    log.LogStatus((ok ? "更新总数据版本成功!：" : "更新总数据版本失败!：") + named + " ", true);
    log.LogStatus("更新结束", true);
    if (ok) downloads_.versions.m_dataVersion = v;
  }
}

void MainParamsPoll::applyForceShift(int32_t sent) {
  if (sent == t_.net.m_forceShift) return;
  const int32_t shift = sent >= 0 && sent <= 20 ? sent : 10;
  t_.net.m_forceShift = shift;
  vendor_.log.LogStatus("4秒强制出价时间矫正：" + std::to_string(shift), true);
}

void MainParamsPoll::applyFeatureSwitches(const std::string& switches) {
  if (switches.size() < 3 || switches == t_.net.m_featureSwitches.get()) return;
  t_.net.m_featureSwitches.set(switches);
  // Switch 1: "0" tries the "dd_jj" anchor first, "1" the "dd_201" anchor.
  if (switches[1] == '0') t_.owners.PreferJjAnchor(true);
  if (switches[1] == '1') t_.owners.PreferJjAnchor(false);
  // Switch 2: "0" makes the warning price the lowest price of the first half.
  const int32_t remain = t_.m_remainSec;
  if (switches[2] == '0' && remain > 1800 && remain < 3600 && t_.m_lowestPrice != t_.m_warningPrice)
    t_.m_lowestPrice.HoldAtWarning(t_.m_warningPrice);
}

void MainParamsPoll::applyRelayHosts(const RelayHostsSetting& relay) {
  t_.relay.m_udpEnabled = relay.udpEnabled ? 1 : 0;
  if (relay.text == m_relayHostsText.get()) return;
  m_relayHostsText.set(relay.text);
  t_.relay.ReplaceLeadingHosts(relay.hosts);
}

}  // namespace tavik
