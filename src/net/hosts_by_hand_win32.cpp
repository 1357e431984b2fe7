#include "net/hosts_by_hand.h"

namespace tavik {

// Windows has no sudo: the file is edited by a program started with "Run as administrator",
// or tavik itself is started that way and the command repeated.
std::string HostsWriteByHand(const std::string& path, const std::string& line) {
  return "无法修改 " + path + "（需要管理员权限），没有做任何改动。\n" +
         "请在该文件末尾加入这一行" + "（文件中如已有其他指向同一主机名的行，请先删除）：\n" +
         line + "\n" + "例如右键点击“记事本”选择“以管理员身份运行”，打开该文件加入后保存；" +
         "或以管理员身份运行 tavik 后再试一次。";
}

}  // namespace tavik
