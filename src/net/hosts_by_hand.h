#pragma once
// What to tell the user when the hosts file cannot be written: the line to add, and how to
// add it with administrator rights on this system (sudo on POSIX, an elevated editor on
// Windows).

#include <string>

namespace tavik {

std::string HostsWriteByHand(const std::string& path, const std::string& line);

}  // namespace tavik
