// The service's settings file: read whole or not at all.

#include "service/service_config.h"

#include <gtest/gtest.h>

#include "service/service_fixture.h"

namespace tavik::service::testing {
namespace {

TEST(ServiceConfig, ReadsEveryKeyWithPathsFromTheFilesFolder) {
  TempDir dir;
  const std::string path = dir.file("service.conf",
                                    "# comment\n"
                                    "port = 9000\n"
                                    "listen_address = 192.168.1.20\n"
                                    "database = state.db\n"
                                    "web_root = /srv/web\n"
                                    "dictionary_file = sscai.dll\n"
                                    "max_connections = 2000\n"
                                    "max_connections_per_address = 8\n"
                                    "param_9 = 112345\n"
                                    "param_20 = 9.2.0###919\r\n");
  ServiceConfig c;
  std::vector<std::string> errors;
  ASSERT_TRUE(c.load(path, errors)) << errors.front();
  EXPECT_EQ(c.port, 9000);
  EXPECT_EQ(c.listenAddress, "192.168.1.20");
  EXPECT_EQ(ServiceConfig{}.listenAddress, "127.0.0.1");
  EXPECT_EQ(c.database, dir.path() + "/state.db");
  EXPECT_EQ(c.webRoot, "/srv/web");
  EXPECT_EQ(c.dictionaryFile, dir.path() + "/sscai.dll");
  EXPECT_EQ(c.maxConnections, 2000);
  EXPECT_EQ(c.maxConnectionsPerAddress, 8);
  EXPECT_EQ(c.mainParams[9], "112345");
  EXPECT_EQ(c.mainParams[20], "9.2.0###919");
  EXPECT_EQ(c.mainParams[0], "2");
}

TEST(ServiceConfig, APostgresDatabaseIsTakenAsWritten) {
  TempDir dir;
  ServiceConfig c;
  std::vector<std::string> errors;
  ASSERT_TRUE(
      c.load(dir.file("a.conf", "database = postgresql://tavik@10.0.0.5:5432/prices\n"), errors));
  EXPECT_EQ(c.database, "postgresql://tavik@10.0.0.5:5432/prices");
}

TEST(ServiceConfig, AnyBadLineChangesNothing) {
  TempDir dir;
  const char* bad[] = {
      "port = 70000",     "port = 80x",    "colour = red",         "just text",      "param_21 = 1",
      "param_3 =",        "param_3 = 1,2", "param_3 = a#AAb",      "param_3 = \x01", "workers = 0",
      "host_address = x", "database =",    "listen_address = any",
  };
  for (const char* line : bad) {
    ServiceConfig c;
    std::vector<std::string> errors;
    const std::string path = dir.file("bad.conf", std::string("port = 9000\n") + line + "\n");
    EXPECT_FALSE(c.load(path, errors)) << line;
    EXPECT_EQ(errors.size(), 1u) << line;
    EXPECT_EQ(c.port, 8391) << line;
  }
  ServiceConfig c;
  std::vector<std::string> errors;
  EXPECT_FALSE(c.load(dir.path() + "/missing.conf", errors));
}

}  // namespace
}  // namespace tavik::service::testing
