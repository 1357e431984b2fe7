#include <stdexcept>

#include "service/memory_store.h"
#include "service/service_store.h"

namespace tavik::service {

// The Windows service is the practice service of one PC: there is no MinGW build of SQLite or
// libpq to link, and practice keeps nothing worth a disk. A database it cannot open is refused
// rather than quietly kept in memory, so that nobody counts on rows that would be gone.
std::unique_ptr<ServiceStore> OpenServiceStore(const std::string& database, int maxRows) {
  if (database == kMemoryDatabase) return std::make_unique<MemoryStore>(maxRows);
  throw std::runtime_error("database = " + database +
                           ": the Windows service keeps what it stores in memory only; "
                           "set \"database = :memory:\" (SQLite and PostgreSQL need the Linux "
                           "tavik-service)");
}

}  // namespace tavik::service
