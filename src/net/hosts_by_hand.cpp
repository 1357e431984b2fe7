#include "net/hosts_by_hand.h"

namespace tavik {
namespace {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string HostsWriteByHand(const std::string& path, const std::string& line) {
  return "无法修改 " + path + "（需要管理员权限），没有做任何改动。\n" +
         "请在该文件末尾加入这一行" + "（文件中如已有其他指向同一主机名的行，请先删除）：\n" +
         line + "\n" + "例如在终端中运行：\necho " + ShellQuoted(line) + " | sudo tee -a " +
         ShellQuoted(path);
}

}  // namespace tavik
