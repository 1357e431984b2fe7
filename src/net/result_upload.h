#pragma once
// The result upload after the auction (rps.php type=9 to server 1): the bid read-back record
// and the record of the Enter presses, at most four times a run.

#include "core/guarded_text.h"
#include "net/net_state.h"
#include "net/vendor_access.h"

namespace tavik {

inline constexpr int32_t kMaxResultUploads = 4;

// One upload step of worker 7: when an upload is due (m_resultUploadDue 1) and fewer than four
// were made in this run, sends m_bidResultText when it has more than 5 characters and
// `m_enterLog` when it has 11 to 99, counts the upload and clears the request. The fourth
// upload of a run waits 3 s first. Returns whether it ran; the replies are not read.
bool UploadResult(const VendorAccess& vendor, NetState& net, const GuardedText& m_enterLog);

}  // namespace tavik
