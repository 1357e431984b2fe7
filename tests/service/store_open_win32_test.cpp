// The Windows service keeps its rows in memory and refuses any other database in words.

#include <gtest/gtest.h>

#include <stdexcept>

#include "service/service_store.h"

namespace tavik::service {
namespace {

TEST(WindowsStore, OnlyMemoryIsOpenedAndAnythingElseIsRefusedWithTheReason) {
  EXPECT_NE(OpenServiceStore(kMemoryDatabase, 10), nullptr);
  for (const char* database : {"state.db", "C:\\tavik\\state.db", "postgresql://db/prices"}) {
    try {
      OpenServiceStore(database, 10);
      ADD_FAILURE() << database << " opened";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("database = :memory:"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace tavik::service
