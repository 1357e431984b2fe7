#include "service/postgres_store.h"
#include "service/service_store.h"
#include "service/sqlite_store.h"

namespace tavik::service {

std::unique_ptr<ServiceStore> OpenServiceStore(const std::string& database, int maxRows) {
  if (IsPostgresUri(database)) return std::make_unique<PostgresStore>(database, maxRows);
  return std::make_unique<SqliteStore>(database, maxRows);
}

}  // namespace tavik::service
