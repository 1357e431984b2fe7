#include "platform/x11/x11_desktop.h"

namespace tavik {

// Placeholder until the backend lands: no display is usable.
std::unique_ptr<Desktop> createX11Desktop() {
  return nullptr;
}

}  // namespace tavik
