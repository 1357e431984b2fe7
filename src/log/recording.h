#pragma once
// Screen recording of the last minute: one screenshot per remaining second, into a folder per
// bid number beside the program.

#include <string>

#include "core/run_state.h"
#include "recognition/screen_driver.h"

namespace tavik {

// "<exeDir>log/<bidNumber>", the folder the screenshots go to.
std::string RecordingDirectory(const RunState& run);

// Creates the recording folder when it is missing. The bid number becomes a folder name, so
// only a plain digit string is accepted; returns whether the folder exists afterwards.
bool EnsureRecordingDirectory(const RunState& run);

// The screenshot step of the 200 ms tick: at most one capture per remaining second while
// 0 < m_remainSec < 60 and recording is on.
void CaptureSecond(RunState& run, ProcessFlags& flags, ScreenDriver& screen);

}  // namespace tavik
