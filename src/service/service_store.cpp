#include "service/service_store.h"

namespace tavik::service {

bool IsPostgresUri(const std::string& database) {
  return database.starts_with("postgresql://") || database.starts_with("postgres://");
}

}  // namespace tavik::service
