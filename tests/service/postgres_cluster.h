#pragma once
// A PostgreSQL server of the test's own: a cluster made with initdb in a temporary folder (as
// the postgres user when the test runs as root, which initdb refuses), listening on a free port
// of 127.0.0.1 only with its socket in that folder, trust authentication; stopped and removed
// at the end. Debian's postgresql package provides the programs.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tavik::service::testing {

class PostgresCluster {
 public:
  PostgresCluster() {
    char name[] = "/tmp/tavik-pg-XXXXXX";
    if (!mkdtemp(name)) return;
    dir_ = name;
    const std::string bin = binDir();
    if (bin.empty()) return;
    port_ = freePort();
    const std::string as = ::geteuid() == 0 ? "runuser -u postgres -- " : "";
    if (::geteuid() == 0 && std::system(("chown postgres " + dir_).c_str()) != 0) return;
    const std::string initdb = as + bin + "/initdb -D " + dir_ + "/data -A trust -U tavik " +
                               "-E UTF8 --no-sync > " + dir_ + "/initdb.log 2>&1";
    const std::string start = as + bin + "/pg_ctl -D " + dir_ + "/data -l " + dir_ +
                              "/server.log -w -t 30 -o \"-p " + std::to_string(port_) + " -k " +
                              dir_ + " -c listen_addresses=127.0.0.1\" start > /dev/null 2>&1";
    started_ = std::system(initdb.c_str()) == 0 && std::system(start.c_str()) == 0;
    stop_ = as + bin + "/pg_ctl -D " + dir_ + "/data -m immediate -w stop > /dev/null 2>&1";
  }
  ~PostgresCluster() {
    if (started_) [[maybe_unused]]
      const int rc = std::system(stop_.c_str());
    if (!dir_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(dir_, ignored);
    }
  }
  PostgresCluster(const PostgresCluster&) = delete;
  PostgresCluster& operator=(const PostgresCluster&) = delete;

  bool started() const { return started_; }
  std::string uri() const {
    return "postgresql://tavik@127.0.0.1:" + std::to_string(port_) + "/postgres";
  }
  const std::string& dir() const { return dir_; }

 private:
  static std::string binDir() {
    std::string best;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
      if (std::filesystem::exists(e.path() / "bin/initdb")) best = (e.path() / "bin").string();
    }
    return best;
  }
  static int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
  }

  std::string dir_;
  std::string stop_;
  int port_ = 0;
  bool started_ = false;
};

}  // namespace tavik::service::testing
