#include "net/recognition_download.h"

#include <filesystem>

#include "core/file_replace.h"
#include "net/reply_envelope.h"

namespace tavik {

std::string DecodeLineJoins(std::string_view payload) {
  std::string bytes;
  bytes.reserve(payload.size());
  for (size_t i = 0; i < payload.size(); ++i) {
    const char next = i + 1 < payload.size() ? payload[i + 1] : '\0';
    if (payload[i] == '/' && (next == 'r' || next == 'n')) {
      bytes.push_back(next == 'r' ? '\r' : '\n');
      ++i;
    } else {
      bytes.push_back(payload[i]);
    }
  }
  return bytes;
}

RecognitionDownloads::RecognitionDownloads(const VendorAccess& vendor,
                                           ServerChoiceState& serverChoice, RecognitionHooks hooks,
                                           std::string programDir)
    : vendor_(vendor),
      serverChoice_(serverChoice),
      hooks_(std::move(hooks)),
      dictionaryPath_(std::move(programDir) + kDownloadedDictionaryFile) {}

int RecognitionDownloads::UpdateRecognitionData(int32_t v, int server) {
  const int32_t c = CoordVersion(v);
  const int32_t d = DictVersion(v);
  // Both parts must arrive: a dictionary that loaded does not make up for coordinates that did
  // not, or the coordinates of this version would never be asked for again.
  bool ok = true;
  if (c != versions.m_coordVersion) ok = updateCoordinates(c, server);
  if (d != versions.m_dictVersion) ok = updateDictionary(d, server) && ok;
  if (ok) return 1;
  CountServerFailure(serverChoice_, server, FailedRequest::RecognitionData, vendor_.log);
  return 0;
}

bool RecognitionDownloads::updateCoordinates(int32_t c, int server) {
  Logger& log = vendor_.log;
  const int32_t old = versions.m_coordVersion;
  log.LogStatus("!!!准备更新坐标和识别代码,原版本" + std::to_string(old) +
                    "-》更新版本:" + std::to_string(c) + ",服务器:" + std::to_string(server),
                true);
  const std::string reply =
      vendor_.get(server, VendorName::Base, RecognitionDataQuery(vendor_.values()));
  const auto payload = FindEnvelope(reply, kRecognitionReplyLimit);
  if (!payload) return false;
  if (hooks_.applyRecognitionUpdate)
    hooks_.applyRecognitionUpdate(*payload, versions.m_dataVersion);
  log.LogStatus("!!!完成更新坐标和识别代码,原版本" + std::to_string(old) +
                    "-》更新版本:" + std::to_string(c) + ",数据" + std::to_string(reply.size()) +
                    "字节,服务器:" + std::to_string(server),
                true);
  versions.m_coordVersion = c;
  return true;
}

bool RecognitionDownloads::updateDictionary(int32_t d, int server) {
  Logger& log = vendor_.log;
  log.LogStatus("!!!更新词典,词典原版本" + std::to_string(versions.m_dictVersion) + "-》新版本" +
                    std::to_string(d),
                true);
  if (d < 1) {
    log.LogStatus("!!!恢复默认词典", true);
    // Version 0 is the shipped dictionary: once it is in use again, a later announcement of
    // the downloaded version must bring that one back.
    if (hooks_.useDictionary && hooks_.useDictionary(0)) versions.m_dictVersion = 0;
    return true;
  }
  const bool loaded = DownloadDictionary(server) == 1;
  if (loaded) versions.m_dictVersion = d;
  log.LogStatus(loaded ? "更新词典成功" : "更新词典失败", false);
  return loaded;
}

int RecognitionDownloads::DownloadDictionary(int server) {
  const std::string reply =
      vendor_.get(server, VendorName::Base, DictionaryQuery(vendor_.values()));
  const auto payload = FindEnvelope(reply, kDictionaryReplyLimit);
  if (!payload || payload->empty()) return 0;
  const std::string bytes = DecodeLineJoins(*payload);
  // The download is tried from a file of its own; the last good download is replaced only once
  // the new one has loaded, so that a refused download never costs it.
  const std::string candidate = dictionaryPath_ + kDownloadCandidateSuffix;
  if (!ReplaceFileContents(candidate, bytes)) {
    vendor_.log.LogStatus("词典文件写入失败:" + candidate, false);
    return 0;
  }
  // The component resolves the file by the same full path it was written to, whatever the
  // current folder is.
  const bool loaded = hooks_.loadDictionaryIntoSlot1 && hooks_.loadDictionaryIntoSlot1(candidate);
  std::error_code ignored;
  std::filesystem::remove(candidate, ignored);
  if (!loaded) {
    vendor_.log.LogStatus("下载的词典无法载入,仍用原词典", false);
    return 0;
  }
  if (!ReplaceFileContents(dictionaryPath_, bytes)) {
    vendor_.log.LogStatus("词典文件写入失败:" + dictionaryPath_, false);
    return 0;
  }
  return hooks_.useDictionary && hooks_.useDictionary(1) ? 1 : 0;
}

void RecognitionDownloads::RestoreRecognitionDefaults() {
  if (hooks_.restoreRecognitionDefaults) hooks_.restoreRecognitionDefaults();
  versions.m_coordVersion = 0;
  versions.m_dictVersion = 0;
  versions.m_dataVersion = 0;
}

}  // namespace tavik
