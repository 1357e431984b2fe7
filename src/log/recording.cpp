#include "log/recording.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace tavik {

std::string RecordingDirectory(const RunState& run) {
  return run.m_exeDir.get() + "log/" + run.m_bidNumber.get();
}

bool EnsureRecordingDirectory(const RunState& run) {
  const std::string bid = run.m_bidNumber.get();
  const bool plainDigits = !bid.empty() && std::all_of(bid.begin(), bid.end(), [](unsigned char c) {
    return std::isdigit(c);
  });
  if (!plainDigits) return false;
  std::error_code ec;
  const std::filesystem::path dir = RecordingDirectory(run);
  std::filesystem::create_directories(dir, ec);
  return std::filesystem::is_directory(dir, ec);
}

void CaptureSecond(RunState& run, ProcessFlags& flags, ScreenDriver& screen) {
  const int remain = run.m_remainSec;
  if (run.m_recording != 1 || remain <= 0 || remain >= 60 || remain == flags.g_lastShotSec) return;
  const std::string path = RecordingDirectory(run) + "/img_" + std::to_string(remain) + "_" +
                           std::to_string(4 - run.m_subSecondTicks) + ".bmp";
  screen.CaptureToFile(0, 0, run.m_screenWidth, run.m_screenHeight, path, 50);
  flags.g_lastShotSec = remain;
}

}  // namespace tavik
