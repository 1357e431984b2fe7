#pragma once
// The desktop's top-level windows as the user sees them: with an EWMH window manager its
// active window and stacking list, without one the input focus and the root's children. A
// window is always named by its client window (the one carrying WM_CLASS and the title), not
// by a frame that a reparenting window manager put around it.

#include <string>
#include <vector>

#include "core/window_ref.h"
#include "platform/x11/x11_connection.h"

namespace tavik::x11 {

class WindowQuery {
 public:
  WindowQuery(Display* display, const Atoms& atoms);

  Window foreground();
  // Top-level client windows, topmost first.
  std::vector<Window> stackingTopFirst();
  std::string title(Window w);
  // The class part of WM_CLASS (its instance part when the class is empty).
  std::string wmClass(Window w);
  bool rect(Window w, Rect& out);
  bool exists(Window w);
  bool viewable(Window w);

 private:
  Window root() const { return DefaultRootWindow(display_); }
  std::vector<Window> windowList(Atom property);
  bool ewmhManagerRuns();
  Window topLevelOf(Window w);
  Window clientOf(Window frame, int depth);
  bool hasProperty(Window w, Atom property);

  Display* display_;
  const Atoms& atoms_;
};

}  // namespace tavik::x11
