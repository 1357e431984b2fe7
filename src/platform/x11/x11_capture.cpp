#include "platform/x11/x11_capture.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

namespace tavik::x11 {
namespace {

int lowestBit(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

// Scales a channel of `bits` bits to 8 bits.
uint32_t channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const unsigned long value = (pixel & mask) >> lowestBit(mask);
  const unsigned long max = mask >> lowestBit(mask);
  return uint32_t(value * 255 / max);
}

void convert(XImage* image, Image& out) {
  out = Image(image->width, image->height);
  const bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 &&
                      image->green_mask == 0xFF00 && image->blue_mask == 0xFF &&
                      image->byte_order == LSBFirst;
  for (int y = 0; y < image->height; ++y) {
    uint32_t* row = &out.pixels[size_t(y) * out.width];
    if (direct) {
      const auto* src =
          reinterpret_cast<const uint32_t*>(image->data + size_t(y) * image->bytes_per_line);
      for (int x = 0; x < image->width; ++x) row[x] = src[x] & 0xFFFFFF;
      continue;
    }
    for (int x = 0; x < image->width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      row[x] = channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
               channel(p, image->blue_mask);
    }
  }
}

void dropSegment(Display* d, ThreadConnection::Shm& shm) {
  if (shm.size == 0) return;
  XShmDetach(d, &shm.info);
  XSync(d, False);
  shmdt(shm.info.shmaddr);
  shm.info = XShmSegmentInfo{};
  shm.size = 0;
}

// A segment of at least `bytes`, readable and writable by this user only. It is marked for
// removal right after the server has attached it, so that nothing is left behind if we die.
bool ensureSegment(Display* d, ThreadConnection::Shm& shm, size_t bytes) {
  if (shm.size >= bytes) return true;
  dropSegment(d, shm);
  const size_t size = std::max(bytes, size_t(256 * 1024));
  const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
  if (id < 0) return false;
  void* address = shmat(id, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    return false;
  }
  shm.info.shmid = id;
  shm.info.shmaddr = static_cast<char*>(address);
  shm.info.readOnly = False;
  bool attached = false;
  {
    ErrorTrap trap(d);
    attached = XShmAttach(d, &shm.info) && trap.ok();
  }
  shmctl(id, IPC_RMID, nullptr);
  if (!attached) {
    shmdt(address);
    shm.info = XShmSegmentInfo{};
    return false;
  }
  shm.size = size;
  return true;
}

bool captureShm(ThreadConnection& c, const Rect& r, Image& out) {
  Display* d = c.display;
  auto& shm = c.shm;
  if (!shm.probed) {
    shm.probed = true;
    shm.usable = XShmQueryExtension(d);
  }
  if (!shm.usable) return false;
  const int screen = DefaultScreen(d);
  XImage* image = XShmCreateImage(d, DefaultVisual(d, screen), DefaultDepth(d, screen), ZPixmap,
                                  nullptr, &shm.info, r.width(), r.height());
  if (!image) return false;
  const size_t bytes = size_t(image->bytes_per_line) * image->height;
  bool ok = ensureSegment(d, shm, bytes);
  if (ok) {
    // The image was made before the segment may have been replaced: point it at the current one.
    image->obdata = reinterpret_cast<char*>(&shm.info);
    image->data = shm.info.shmaddr;
    ErrorTrap trap(d);
    ok = XShmGetImage(d, DefaultRootWindow(d), image, r.left, r.top, AllPlanes) && trap.ok();
    if (ok) {
      convert(image, out);
    } else {
      // An attach the server refused may go unnoticed when another library has replaced the
      // error handler; a failed read tells for sure.
      dropSegment(d, shm);
      shm.usable = false;
    }
  } else {
    shm.usable = false;  // the server cannot share memory with us: use XGetImage from now on
  }
  // The pixels live in the segment and the segment info in `shm`: free only the header.
  image->data = nullptr;
  image->obdata = nullptr;
  XDestroyImage(image);
  return ok;
}

bool captureCopy(Display* d, const Rect& r, Image& out) {
  ErrorTrap trap(d);
  XImage* image =
      XGetImage(d, DefaultRootWindow(d), r.left, r.top, r.width(), r.height(), AllPlanes, ZPixmap);
  const bool ok = image && trap.ok();
  if (ok) convert(image, out);
  if (image) XDestroyImage(image);
  return ok;
}

}  // namespace

bool captureRoot(ThreadConnection& c, const Rect& r, Image& out) {
  Display* d = c.display;
  if (!d) return false;
  const int screen = DefaultScreen(d);
  const Rect clipped{std::max(r.left, 0), std::max(r.top, 0),
                     std::min(r.right, DisplayWidth(d, screen)),
                     std::min(r.bottom, DisplayHeight(d, screen))};
  if (clipped.empty()) return false;
  return captureShm(c, clipped, out) || captureCopy(d, clipped, out);
}

}  // namespace tavik::x11
