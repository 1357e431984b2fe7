#include "core/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace tavik {
namespace {

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(size_t(n));
  }
  return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view content) {
  // A profile that is a link to a file elsewhere stays a link: the file it points to is
  // replaced.
  std::error_code ec;
  const std::string target = std::filesystem::is_symlink(path, ec)
                                 ? std::filesystem::weakly_canonical(path, ec).string()
                                 : path;
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  // Keep the permissions the user gave the old file; a new file gets the usual 0644.
  struct stat old {};
  ::fchmod(fd, ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable, so that a power cut cannot bring back the old file.
  const std::string dir = std::filesystem::path(target).parent_path().string();
  if (const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
      dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

}  // namespace tavik
