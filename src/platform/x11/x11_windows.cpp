#include "platform/x11/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace tavik::x11 {

WindowQuery::WindowQuery(Display* display, const Atoms& atoms) : display_(display), atoms_(atoms) {}

bool WindowQuery::hasProperty(Window w, Atom property) {
  Property p;
  return readProperty(display_, w, property, p, 4);
}

std::vector<Window> WindowQuery::windowList(Atom property) {
  std::vector<Window> out;
  Property p;
  if (!readProperty(display_, root(), property, p, 1 << 20) || p.format != 32) return out;
  const auto* items = reinterpret_cast<const long*>(p.data.data());
  for (unsigned long i = 0; i < p.count; ++i) out.push_back(Window(items[i]));
  return out;
}

bool WindowQuery::exists(Window w) {
  if (w == 0) return false;
  XWindowAttributes a;
  ErrorTrap trap(display_);
  const Status s = XGetWindowAttributes(display_, w, &a);
  return s != 0 && trap.ok();
}

bool WindowQuery::viewable(Window w) {
  if (w == 0) return false;
  XWindowAttributes a;
  ErrorTrap trap(display_);
  const Status s = XGetWindowAttributes(display_, w, &a);
  return s != 0 && trap.ok() && a.map_state == IsViewable;
}

// An EWMH window manager announces itself with a check window that names itself. Its root
// properties are trusted only while it runs: one that has gone away leaves stale ones behind.
bool WindowQuery::ewmhManagerRuns() {
  const std::vector<Window> check = windowList(atoms_.netSupportingWmCheck);
  if (check.empty() || check[0] == 0) return false;
  Property p;
  if (!readProperty(display_, check[0], atoms_.netSupportingWmCheck, p, 4) || p.format != 32 ||
      p.count < 1)
    return false;
  return Window(*reinterpret_cast<const long*>(p.data.data())) == check[0];
}

Window WindowQuery::foreground() {
  if (ewmhManagerRuns()) {
    const std::vector<Window> active = windowList(atoms_.netActiveWindow);
    if (!active.empty() && active[0] != 0 && exists(active[0])) return active[0];
  }

  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == root()) return 0;
  const Window top = topLevelOf(focus);
  return top ? clientOf(top, 0) : 0;
}

Window WindowQuery::topLevelOf(Window w) {
  for (int guard = 0; guard < 64; ++guard) {
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    ErrorTrap trap(display_);
    const Status s = XQueryTree(display_, w, &rootReturn, &parent, &children, &count);
    if (children) XFree(children);
    if (!s || !trap.ok()) return 0;
    if (parent == rootReturn || parent == 0) return w;
    w = parent;
  }
  return 0;
}

// The client window inside a top-level window. Without a window manager the top-level window
// is the client (it has WM_CLASS or a title); under a reparenting one the client is the
// descendant that the window manager marked with WM_STATE.
Window WindowQuery::clientOf(Window frame, int depth) {
  if (depth == 0 && (hasProperty(frame, XA_WM_CLASS) || hasProperty(frame, XA_WM_NAME) ||
                     hasProperty(frame, atoms_.netWmName)))
    return frame;
  if (hasProperty(frame, atoms_.wmState)) return frame;
  if (depth >= 3) return 0;
  Window rootReturn = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  ErrorTrap trap(display_);
  if (XQueryTree(display_, frame, &rootReturn, &parent, &children, &count) && trap.ok()) {
    for (unsigned int i = 0; i < count && !found; ++i) found = clientOf(children[i], depth + 1);
  }
  if (children) XFree(children);
  if (depth == 0 && !found) return frame;
  return found;
}

std::vector<Window> WindowQuery::stackingTopFirst() {
  std::vector<Window> list;
  if (ewmhManagerRuns()) list = windowList(atoms_.netClientListStacking);
  if (list.empty()) {
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    ErrorTrap trap(display_);
    if (XQueryTree(display_, root(), &rootReturn, &parent, &children, &count) && trap.ok()) {
      for (unsigned int i = 0; i < count; ++i) list.push_back(clientOf(children[i], 0));
    }
    if (children) XFree(children);
  }
  // Both lists run from the bottom to the top.
  std::reverse(list.begin(), list.end());
  return list;
}

std::string WindowQuery::title(Window w) {
  Property p;
  if (readProperty(display_, w, atoms_.netWmName, p) && p.format == 8 &&
      p.type == atoms_.utf8String)
    return p.data;
  if (!readProperty(display_, w, XA_WM_NAME, p) || p.format != 8) return {};
  if (p.type == XA_STRING) return latin1ToUtf8(p.data);
  if (p.type == atoms_.utf8String) return p.data;
  if (p.type == atoms_.compoundText) {
    XTextProperty text{reinterpret_cast<unsigned char*>(p.data.data()), p.type, 8, p.count};
    char** list = nullptr;
    int count = 0;
    std::string out;
    if (Xutf8TextPropertyToTextList(display_, &text, &list, &count) >= Success && list) {
      for (int i = 0; i < count; ++i) out += list[i];
      XFreeStringList(list);
    }
    return out;
  }
  return {};
}

std::string WindowQuery::wmClass(Window w) {
  Property p;
  if (!readProperty(display_, w, XA_WM_CLASS, p) || p.format != 8) return {};
  // "instance\0class\0"
  const auto nul = p.data.find('\0');
  const std::string instance = p.data.substr(0, nul);
  std::string cls = nul == std::string::npos ? std::string() : p.data.substr(nul + 1);
  if (const auto end = cls.find('\0'); end != std::string::npos) cls.resize(end);
  return cls.empty() ? instance : cls;
}

bool WindowQuery::rect(Window w, Rect& out) {
  if (w == 0) return false;
  XWindowAttributes a;
  int x = 0;
  int y = 0;
  Window child = 0;
  ErrorTrap trap(display_);
  if (!XGetWindowAttributes(display_, w, &a)) return false;
  if (!XTranslateCoordinates(display_, w, root(), 0, 0, &x, &y, &child)) return false;
  if (!trap.ok()) return false;
  out = Rect{x, y, x + a.width, y + a.height};
  return true;
}

}  // namespace tavik::x11
