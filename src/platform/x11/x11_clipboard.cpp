#include "platform/x11/x11_clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "platform/clock.h"

namespace tavik::x11 {

ClipboardOwner::ClipboardOwner(const Atoms& atoms) : atoms_(atoms) {
  display_ = openDisplay();
  if (!display_ || pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), -10, -10, 1, 1, 0, 0, 0);
  // Property changes on our own window give us the server's time for taking the selection.
  XSelectInput(display_, window_, PropertyChangeMask);
  XSync(display_, False);
  thread_ = std::thread([this] { run(); });
}

ClipboardOwner::~ClipboardOwner() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake();
    thread_.join();
  }
  if (display_) {
    if (window_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  for (int fd : wakePipe_)
    if (fd >= 0) close(fd);
}

void ClipboardOwner::wake() {
  const char byte = 1;
  [[maybe_unused]] const auto n = write(wakePipe_[1], &byte, 1);
}

bool ClipboardOwner::set(const std::string& text, int timeoutMs) {
  if (!thread_.joinable()) return false;
  std::unique_lock lock(mutex_);
  pending_ = text;
  const uint64_t ticket = ++requests_;
  lock.unlock();
  wake();
  lock.lock();
  if (!done_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return answered_ >= ticket; }))
    return false;
  return lastResult_;
}

void ClipboardOwner::run() {
  const int xfd = ConnectionNumber(display_);
  for (;;) {
    while (XPending(display_)) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == SelectionRequest) answer(event.xselectionrequest);
      if (event.type == SelectionClear && event.xselectionclear.selection == atoms_.clipboard)
        owned_ = false;
    }
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
    }
    takeOwnership();
    pollfd fds[2] = {{xfd, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (XPending(display_)) continue;
    poll(fds, 2, -1);
    char drain[64];
    while (read(wakePipe_[0], drain, sizeof drain) > 0) {
    }
  }
}

void ClipboardOwner::takeOwnership() {
  std::unique_lock lock(mutex_);
  if (!pending_) return;
  std::string text = std::move(*pending_);
  pending_.reset();
  const uint64_t ticket = requests_;
  lock.unlock();

  // The selection is taken at a real server time (not CurrentTime), so that requests made
  // before we took it can be told apart. A zero-length append yields a PropertyNotify that
  // carries that time.
  XChangeProperty(display_, window_, atoms_.transfer, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  XIfEvent(
      display_, &event,
      [](Display*, XEvent* e, XPointer self) -> Bool {
        const auto* owner = reinterpret_cast<const ClipboardOwner*>(self);
        return e->type == PropertyNotify && e->xproperty.window == owner->window_ &&
               e->xproperty.atom == owner->atoms_.transfer;
      },
      reinterpret_cast<XPointer>(this));
  text_ = std::move(text);
  ownedSince_ = event.xproperty.time;
  XSetSelectionOwner(display_, atoms_.clipboard, window_, ownedSince_);
  owned_ = XGetSelectionOwner(display_, atoms_.clipboard) == window_;

  lock.lock();
  lastResult_ = owned_;
  answered_ = ticket;
  done_.notify_all();
}

bool ClipboardOwner::store(const XSelectionRequestEvent& request, Atom property) {
  Display* d = display_;
  const Window to = request.requestor;
  ErrorTrap trap(d);
  if (request.target == atoms_.targets) {
    const long targets[] = {long(atoms_.targets), long(atoms_.timestamp), long(atoms_.utf8String),
                            long(XA_STRING)};
    XChangeProperty(d, to, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(targets), 4);
  } else if (request.target == atoms_.timestamp) {
    const long time = long(ownedSince_);
    XChangeProperty(d, to, property, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&time), 1);
  } else if (request.target == atoms_.utf8String || request.target == XA_STRING) {
    const std::string data = request.target == XA_STRING ? utf8ToLatin1(text_) : text_;
    // Texts that do not fit one request would need the INCR protocol; ours are short.
    if (long(data.size()) > XMaxRequestSize(d) * 4 - 64) return false;
    XChangeProperty(d, to, property, request.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), int(data.size()));
  } else {
    return false;
  }
  return trap.ok();
}

void ClipboardOwner::answer(const XSelectionRequestEvent& request) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = display_;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = None;
  const bool current = request.time == CurrentTime || request.time >= ownedSince_;
  if (owned_ && current && request.selection == atoms_.clipboard) {
    // Requests of obsolete clients name no property: the target is used instead.
    const Atom property = request.property == None ? request.target : request.property;
    if (store(request, property)) reply.property = property;
  }
  ErrorTrap trap(display_);
  XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  trap.sync();
}

namespace {

bool waitForNotify(Display* d, Window w, int timeoutMs, XEvent& event) {
  RealClock clock;
  const uint32_t start = clock.tickCountMs();
  for (;;) {
    if (XCheckTypedWindowEvent(d, w, SelectionNotify, &event)) return true;
    const int left = timeoutMs - int(clock.tickCountMs() - start);
    if (left <= 0) return false;
    pollfd fd{ConnectionNumber(d), POLLIN, 0};
    poll(&fd, 1, left);
  }
}

bool convertOnce(ThreadConnection& c, const Atoms& atoms, Atom target, std::string& out,
                 int timeoutMs) {
  Display* d = c.display;
  // An answer that came after an earlier read gave up must not pass for this one.
  XEvent stale;
  while (XCheckTypedWindowEvent(d, c.clipboardReader, SelectionNotify, &stale)) {
  }
  XConvertSelection(d, atoms.clipboard, target, atoms.transfer, c.clipboardReader, CurrentTime);
  XFlush(d);
  XEvent event;
  if (!waitForNotify(d, c.clipboardReader, timeoutMs, event)) return false;
  if (event.xselection.property == None) return false;
  Property p;
  if (!readProperty(d, c.clipboardReader, atoms.transfer, p, 1 << 24, true)) return false;
  if (p.format != 8) return false;  // INCR transfers (huge texts) are not read
  if (p.type == atoms.utf8String) {
    out = p.data;
  } else if (p.type == XA_STRING) {
    out = latin1ToUtf8(p.data);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool readClipboard(ThreadConnection& c, const Atoms& atoms, std::string& out, int timeoutMs) {
  Display* d = c.display;
  if (!d) return false;
  if (!c.clipboardReader) {
    c.clipboardReader = XCreateSimpleWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, 0);
  }
  if (XGetSelectionOwner(d, atoms.clipboard) == None) return false;
  return convertOnce(c, atoms, atoms.utf8String, out, timeoutMs) ||
         convertOnce(c, atoms, XA_STRING, out, timeoutMs);
}

}  // namespace tavik::x11
