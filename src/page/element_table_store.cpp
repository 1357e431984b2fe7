#include "page/element_table_store.h"

#include <utility>

namespace tavik {

ElementTableStore::ElementTableStore()
    : table_(std::make_shared<const ElementTable>(ElementTable::Defaults())) {}

std::shared_ptr<const ElementTable> ElementTableStore::snapshot() const {
  std::lock_guard lock(current_);
  return table_;
}

void ElementTableStore::edit(const std::function<void(ElementTable&)>& change) {
  std::lock_guard lock(writer_);
  auto next = std::make_shared<ElementTable>(*snapshot());
  change(*next);
  swapIn(std::move(next));
}

void ElementTableStore::publish(const ElementTable& table) {
  std::lock_guard lock(writer_);
  swapIn(std::make_shared<const ElementTable>(table));
}

void ElementTableStore::swapIn(std::shared_ptr<const ElementTable> next) {
  std::shared_ptr<const ElementTable> previous;
  {
    std::lock_guard lock(current_);
    previous = std::exchange(table_, std::move(next));
  }
  // The old table is freed here, outside the lock, when no reader holds it any more.
}

}  // namespace tavik
