#pragma once
// The user's bidding strategy: integer settings that the window's thread loads and edits and
// the engine's threads read at every pass.

#include "core/atomic_int.h"

namespace tavik {

struct Strategy {
  // Advanced-option switches; entries 1..20 are the ones stored and shown.
  AtomicInt m_advOption[100];
};

}  // namespace tavik
