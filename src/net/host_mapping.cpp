#include "net/host_mapping.h"

#include <filesystem>
#include <vector>

#include "core/file_names.h"
#include "core/file_replace.h"
#include "core/gbk.h"
#include "net/host_names.h"
#include "net/hosts_by_hand.h"
#include "net/reply_envelope.h"

namespace tavik {
namespace {

using Outcome = HostMappingResult::Outcome;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameHost(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A short, printable excerpt of hostile text for the log.
std::string Excerpt(std::string_view text) {
  std::string utf8 = gbkToUtf8(text.substr(0, 40));
  for (char& c : utf8) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return utf8 + (text.size() > 40 ? "…" : "");
}

struct Token {
  size_t begin, end;
};

// The blank-separated words of a hosts line (without its line break) before its comment.
std::vector<Token> Words(std::string_view line) {
  const std::string_view active = line.substr(0, line.find('#'));
  std::vector<Token> words;
  size_t i = 0;
  while (i < active.size()) {
    while (i < active.size() && IsBlank(active[i])) ++i;
    const size_t begin = i;
    while (i < active.size() && !IsBlank(active[i])) ++i;
    if (i > begin) words.push_back({begin, i});
  }
  return words;
}

// One hosts line (with its line break) without `host` among its names; empty when no name is
// left.
std::string WithoutHost(std::string_view line, std::string_view host) {
  std::string_view body = line;
  if (body.ends_with('\n')) body.remove_suffix(1);
  if (body.ends_with('\r')) body.remove_suffix(1);
  const std::vector<Token> words = Words(body);
  std::vector<size_t> matches;
  for (size_t i = 1; i < words.size(); ++i) {
    if (SameHost(body.substr(words[i].begin, words[i].end - words[i].begin), host))
      matches.push_back(i);
  }
  if (matches.empty()) return std::string(line);
  if (matches.size() == words.size() - 1) return {};
  std::string kept(line);
  // From the back, so that earlier positions stay valid; each name goes with the blanks before
  // it.
  for (auto m = matches.rbegin(); m != matches.rend(); ++m)
    kept.erase(words[*m - 1].end, words[*m].end - words[*m - 1].end);
  return kept;
}

std::optional<std::string> ReadBounded(const std::string& path) {
  std::string content;
  if (ReadFileUtf8(path, kMaxHostsFileBytes, content) != FileRead::kRead) return std::nullopt;
  return content;
}

// Replaces the hosts file, its old content first kept beside it. False, with nothing left
// behind that was not there, when either write fails.
bool ReplaceKeepingBackup(const std::string& path, std::string_view old, std::string_view content) {
  const std::string backup = path + kHostsBackupSuffix;
  std::error_code ec;
  const bool hadBackup = std::filesystem::exists(PathFromUtf8(backup), ec);
  if (!ReplaceFileContents(backup, old)) return false;
  if (ReplaceFileContents(path, content)) return true;
  if (!hadBackup) std::filesystem::remove(PathFromUtf8(backup), ec);
  return false;
}

}  // namespace

std::optional<std::string> ParseHostAddressReply(std::string_view reply, std::string& why) {
  why.clear();
  // Fewer characters than the shortest address with its line join: no address.
  if (reply.size() < 6) return std::nullopt;
  while (reply.ends_with(kLineJoin)) reply.remove_suffix(kLineJoin.size());
  if (reply.find(kLineJoin) != std::string_view::npos) {
    why = "主机地址回复不止一行:" + Excerpt(reply);
    return std::nullopt;
  }
  const std::string_view address = TrimBlanks(reply);
  if (!IsIpv4Address(address)) {
    why = "主机地址回复不是一个IPv4地址:" + Excerpt(reply);
    return std::nullopt;
  }
  return std::string(address);
}

std::string MapHostInHostsText(std::string_view hosts, std::string_view host,
                               std::string_view address) {
  const size_t firstBreak = hosts.find('\n');
  const std::string_view lineBreak =
      firstBreak != std::string_view::npos && firstBreak > 0 && hosts[firstBreak - 1] == '\r'
          ? "\r\n"
          : "\n";
  std::string out;
  out.reserve(hosts.size() + address.size() + host.size() + 3);
  while (!hosts.empty()) {
    const size_t end = hosts.find('\n');
    const size_t length = end == std::string_view::npos ? hosts.size() : end + 1;
    out += WithoutHost(hosts.substr(0, length), host);
    hosts.remove_prefix(length);
  }
  if (!out.empty() && out.back() != '\n') out += lineBreak;
  out.append(address).append(" ").append(host).append(lineBreak);
  return out;
}

HostMappingResult MapVendorHost(const VendorAccess& vendor, HttpTransport& transport) {
  Logger& log = vendor.log;
  const std::string& host = vendor.config.vendorBidHost;
  const std::string& path = vendor.config.hostsFile;
  HostMappingResult result;
  if (!IsHostName(host, 253)) {
    log.LogStatus("设置中的竞价主机名无效,未修改hosts文件:" + Excerpt(host), false);
    result.outcome = Outcome::Refused;
    return result;
  }
  const std::string reply = vendor.get(1, VendorName::Www, HostAddressQuery(vendor.values()));
  std::string why;
  const auto address = ParseHostAddressReply(reply, why);
  if (!address) {
    log.LogStatus(why.empty() ? "没有收到主机地址" : why + ",未修改hosts文件", false);
    result.outcome = why.empty() ? Outcome::NoAddress : Outcome::Refused;
    return result;
  }
  result.address = *address;
  // Our own requests use the address whatever becomes of the file.
  transport.pinHost(host, *address);

  const std::string line = *address + " " + host;
  const auto old = ReadBounded(path);
  const std::string content = old ? MapHostInHostsText(*old, host, *address) : std::string();
  if (old && content == *old) {
    result.outcome = Outcome::AlreadyMapped;
    return result;
  }
  if (!old || !ReplaceKeepingBackup(path, *old, content)) {
    log.LogStatus("无法修改hosts文件" + path + ",需要手工加入:" + line, false);
    result.outcome = Outcome::NotWritten;
    result.userMessage = HostsWriteByHand(path, line);
    return result;
  }
  log.LogStatus("hosts文件已更新:" + line + ",原内容备份为" + path + kHostsBackupSuffix, false);
  result.outcome = Outcome::Mapped;
  return result;
}

}  // namespace tavik
