#include "net/result_upload.h"

namespace tavik {
namespace {

void Send(const VendorAccess& vendor, const std::string& result) {
  vendor.get(1, VendorName::Base, ResultUploadQuery(vendor.values(), result));
}

}  // namespace

bool UploadResult(const VendorAccess& vendor, NetState& net, const GuardedText& m_enterLog) {
  if (net.m_resultUploadDue != 1 || net.m_resultUploadCount >= kMaxResultUploads) return false;
  // The last upload waits a little, so that the page's final result has settled.
  if (net.m_resultUploadCount > 2) vendor.clock.sleepMs(3000);
  if (const std::string result = net.m_bidResultText.get(); result.size() > 5) {
    Send(vendor, result);
    vendor.log.LogStatus("提交结果1: " + result, true);
    vendor.clock.sleepMs(300);
  }
  if (const std::string enters = m_enterLog.get(); enters.size() >= 11 && enters.size() <= 99) {
    Send(vendor, enters);
    vendor.log.LogStatus("提交结果2: " + enters, true);
  }
  ++net.m_resultUploadCount;
  net.m_resultUploadDue = 0;
  return true;
}

}  // namespace tavik
