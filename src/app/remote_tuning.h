#pragma once
// The remote main parameters reach the owners outside the network layer here: each field goes
// to its owner's named operation, so that no network code holds a writable reference into the
// page, the bidding entry, network time or the run.

#include "app/run_state.h"
#include "bidding/page_actions.h"
#include "clock/time_state.h"
#include "net/main_params_poll.h"
#include "page/element_table_store.h"
#include "page/page_state.h"

namespace tavik {

class RemoteTuningOwners final : public RemoteTuning {
 public:
  RemoteTuningOwners(PageState& page, ElementTableStore& table, EntryState& entry,
                     NetworkTimeState& netTime, RunState& run)
      : page_(page), table_(table), entry_(entry), netTime_(netTime), run_(run) {}

  void AdjustPriceArea(std::optional<int32_t> x, std::optional<int32_t> y) override {
    page_.AdjustPriceArea(x, y);
  }
  void AdjustAnchorJj(std::optional<int32_t> x, std::optional<int32_t> y) override {
    page_.AdjustAnchorJj(x, y);
  }
  void AdjustAnchor201(Point adjust) override { page_.AdjustAnchor201(adjust); }
  void EnterSecondHalf() override { page_.EnterSecondHalf(); }
  void PreferJjAnchor(bool jjFirst) override { page_.PreferJjAnchor(jjFirst); }
  bool UpdatePageFocus(Point focus) override;
  void SetPasteMode(int32_t mode) override { entry_.SetPasteMode(mode); }
  void ApplyNtpSetting(const NtpSetting& ntp) override {
    netTime_.ApplyNtpSetting(ntp.enabled, ntp.server);
  }
  void SetNtpTrim(int32_t ms) override { netTime_.SetNtpTrim(ms); }
  void SetClientClass(const std::string& windowClass) override { run_.SetClientClass(windowClass); }
  void AnnounceVersion(const std::string& version) override { run_.AnnounceVersion(version); }

 private:
  PageState& page_;
  ElementTableStore& table_;
  EntryState& entry_;
  NetworkTimeState& netTime_;
  RunState& run_;
};

}  // namespace tavik
