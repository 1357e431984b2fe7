#include "platform/x11/x11_connection.h"

#include <X11/Xatom.h>
#include <sys/shm.h>

#include <cstring>

namespace tavik::x11 {
namespace {

thread_local int t_firstError = 0;

int recordError(Display*, XErrorEvent* event) {
  if (t_firstError == 0) t_firstError = event->error_code;
  return 0;
}

}  // namespace

void initXlibOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(recordError);
  });
}

Display* openDisplay() {
  initXlibOnce();
  return XOpenDisplay(nullptr);
}

ErrorTrap::ErrorTrap(Display* display) : display_(display), saved_(t_firstError) {
  t_firstError = 0;
}

ErrorTrap::~ErrorTrap() {
  if (t_firstError == 0) t_firstError = saved_;
}

int ErrorTrap::sync() {
  XSync(display_, False);
  return t_firstError;
}

void Atoms::intern(Display* d) {
  netSupportingWmCheck = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
  netActiveWindow = XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
  netClientListStacking = XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False);
  netWmName = XInternAtom(d, "_NET_WM_NAME", False);
  utf8String = XInternAtom(d, "UTF8_STRING", False);
  wmState = XInternAtom(d, "WM_STATE", False);
  clipboard = XInternAtom(d, "CLIPBOARD", False);
  targets = XInternAtom(d, "TARGETS", False);
  timestamp = XInternAtom(d, "TIMESTAMP", False);
  incr = XInternAtom(d, "INCR", False);
  compoundText = XInternAtom(d, "COMPOUND_TEXT", False);
  transfer = XInternAtom(d, "_TAVIK_SELECTION", False);
}

ThreadConnection::~ThreadConnection() {
  if (!display) return;
  if (shm.size != 0) {
    XShmDetach(display, &shm.info);
    XSync(display, False);
    shmdt(shm.info.shmaddr);
  }
  if (clipboardReader) XDestroyWindow(display, clipboardReader);
  XCloseDisplay(display);
}

ConnectionPool::ConnectionPool(Display* first) {
  auto c = std::make_unique<ThreadConnection>();
  c->display = first;
  connections_[std::this_thread::get_id()] = std::move(c);
}

ConnectionPool::~ConnectionPool() = default;

ThreadConnection& ConnectionPool::current() {
  std::lock_guard lock(mutex_);
  auto& slot = connections_[std::this_thread::get_id()];
  if (!slot) slot = std::make_unique<ThreadConnection>();
  // A connection that could not be opened is tried again on the next call.
  if (!slot->display) slot->display = openDisplay();
  return *slot;
}

bool readProperty(Display* d, Window w, Atom property, Property& out, long maxBytes, bool remove) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  ErrorTrap trap(d);
  const int status =
      XGetWindowProperty(d, w, property, 0, (maxBytes + 3) / 4, remove ? True : False,
                         AnyPropertyType, &type, &format, &count, &after, &data);
  if (status != Success || type == None) {
    if (data) XFree(data);
    return false;
  }
  out.type = type;
  out.format = format;
  out.count = count;
  // Xlib hands 32-bit items over as longs.
  const size_t itemBytes = format == 32 ? sizeof(long) : size_t(format / 8);
  out.data.assign(reinterpret_cast<const char*>(data), count * itemBytes);
  XFree(data);
  return true;
}

std::string latin1ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string utf8ToLatin1(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = text[i];
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + length > text.size()) length = 1;
    if (length == 1) {
      out += c < 0x80 ? char(c) : '?';
    } else if (length == 2) {
      const unsigned code = ((c & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
      out += code < 0x100 ? char(code) : '?';
    } else {
      out += '?';
    }
    i += length;
  }
  return out;
}

}  // namespace tavik::x11
