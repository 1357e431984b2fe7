#pragma once
// The shared fields of network time and of the page clock's trust counters. Worker 5 writes
// the offset, worker 2 (the auction clock and the page-time reader) reads it and the counters;
// every scalar is a relaxed atomic, the server text is guarded.

#include <string>

#include "core/atomic_int.h"
#include "core/guarded_text.h"

namespace tavik {

struct NetworkTimeState {
  // Offset added to the local clock by the auction clock, milliseconds.
  AtomicInt m_ntpOffsetMs{0};
  // The last offset stored; a new one is applied and logged only when it differs.
  AtomicInt m_ntpLastOffsetMs{0};
  // 0 not tried in this run, 1 a sync cycle has started, 2 a cycle stored a new offset or the
  // give-up notice was logged.
  AtomicInt m_ntpStatus{0};
  // 1 while sync cycles may run (the remote main parameters may switch them off).
  AtomicInt m_ntpEnabled{1};
  // The configurable server, tried fourth in every cycle.
  GuardedText m_ntpServer;
  // Added to every new offset, milliseconds.
  AtomicInt m_ntpTrimMs{0};
  // Consecutive cycles in which every attempt failed; at 5 the cycles stop.
  AtomicInt m_ntpFailCycles{0};
  // Calls of SyncNetworkTime, 0..5000.
  AtomicInt g_ntpTick{0};
  // Page-clock readings inside the auction window in the first and in the second half; kept
  // by the page-time reader, up to 5000 each.
  AtomicInt m_pageTimeHits1{0};
  AtomicInt m_pageTimeHits2{0};

  // The configurable server at start-up.
  void UseServer(const std::string& server) { m_ntpServer.set(server); }
  // The remote main parameters switch network time off, or on with a server (field 10), and
  // trim every new offset (field 14).
  void ApplyNtpSetting(bool enabled, const std::string& server) {
    m_ntpEnabled = enabled ? 1 : 0;
    if (enabled && server != m_ntpServer.get()) m_ntpServer.set(server);
  }
  void SetNtpTrim(int32_t ms) { m_ntpTrimMs = ms; }

  // The per-run fields: every Start begins with a sync cycle, and the page clock earns trust
  // anew in every run.
  void reset() {
    m_ntpStatus = 0;
    m_pageTimeHits1 = 0;
    m_pageTimeHits2 = 0;
  }
};

}  // namespace tavik
