#pragma once
// The current element table, shared by the workers that read the page and the one that applies
// recognition updates.
//
// Readers take a snapshot (a pointer to an immutable table) and read every row they need from
// it; a row is thus never seen half-written. Writers copy the current table, change the copy
// and publish it whole; writers are serialised so that two edits never lose each other's rows.

#include <functional>
#include <memory>
#include <mutex>

#include "page/element_table.h"

namespace tavik {

class ElementTableStore {
 public:
  // Starts with the built-in values.
  ElementTableStore();
  ElementTableStore(const ElementTableStore&) = delete;
  ElementTableStore& operator=(const ElementTableStore&) = delete;

  std::shared_ptr<const ElementTable> snapshot() const;
  // One row or point of the current table.
  ElementRow row(RectRow r) const { return snapshot()->row(r); }
  ElementRow row(FixedRow r) const { return snapshot()->row(r); }
  ElementPoint point(ClickPoint p) const { return snapshot()->point(p); }

  // Applies `change` to a copy of the current table and publishes the copy.
  void edit(const std::function<void(ElementTable&)>& change);
  // Replaces the current table.
  void publish(const ElementTable& table);

 private:
  void swapIn(std::shared_ptr<const ElementTable> next);

  std::mutex writer_;           // held from copy to publish
  mutable std::mutex current_;  // held only to copy or swap the pointer
  std::shared_ptr<const ElementTable> table_;
};

}  // namespace tavik
