#pragma once
// Connections to the X server and error handling shared by the X11 backend.
//
// Xlib is made thread-safe once (XInitThreads) before the first connection, yet every thread
// that talks to the server still gets a connection of its own, so that no thread ever waits on
// another's round trip. One error handler is installed for the whole process; it records the
// first error of the calling thread, which is the thread that owns the connection the error
// came in on, so that a call can tell whether its own requests failed.

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tavik::x11 {

// XInitThreads and the process's one error handler; idempotent and thread-safe.
void initXlibOnce();

// Opens the display named by $DISPLAY after initXlibOnce; nullptr when it cannot be reached.
Display* openDisplay();

// Collects the X errors of the calling thread from construction on. sync() waits until the
// server has handled every request sent so far and returns the first error code, or 0.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  int sync();
  bool ok() { return sync() == 0; }

 private:
  Display* display_;
  int saved_;
};

// Atoms that the backend uses; atoms belong to the server, so any connection may use them.
struct Atoms {
  Atom netSupportingWmCheck = 0;
  Atom netActiveWindow = 0;
  Atom netClientListStacking = 0;
  Atom netWmName = 0;
  Atom utf8String = 0;
  Atom wmState = 0;
  Atom clipboard = 0;
  Atom targets = 0;
  Atom timestamp = 0;
  Atom incr = 0;
  Atom compoundText = 0;
  Atom transfer = 0;  // our property for selection transfers

  void intern(Display* display);
};

// What one thread keeps with its connection.
struct ThreadConnection {
  Display* display = nullptr;
  // MIT-SHM capture segment of this connection (see x11_capture.h); size 0 until first use.
  struct Shm {
    bool probed = false;
    bool usable = false;
    XShmSegmentInfo info{};
    size_t size = 0;
  } shm;
  Window clipboardReader = 0;  // created on the first clipboard read

  ~ThreadConnection();
};

// One connection per calling thread, opened on first use and closed with the pool. A thread id
// that the system hands out again after its thread ended reuses that connection, which is safe:
// only one live thread can have that id.
class ConnectionPool {
 public:
  // Adopts `first` as the connection of the calling thread.
  explicit ConnectionPool(Display* first);
  ~ConnectionPool();
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  // The calling thread's connection; its display is nullptr when the server cannot be reached.
  ThreadConnection& current();

 private:
  std::mutex mutex_;
  std::map<std::thread::id, std::unique_ptr<ThreadConnection>> connections_;
};

// Reads a property: its type, format and up to `maxBytes` of data. False when absent.
struct Property {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;  // items of `format` bits
  std::string data;         // raw bytes; 32-bit items are stored as longs, as Xlib returns them
};
bool readProperty(Display* display, Window window, Atom property, Property& out,
                  long maxBytes = 65536, bool remove = false);

// Converts Latin-1 bytes (the STRING type) to UTF-8.
std::string latin1ToUtf8(const std::string& text);
// Converts UTF-8 to Latin-1; characters outside it become '?'.
std::string utf8ToLatin1(const std::string& text);

}  // namespace tavik::x11
