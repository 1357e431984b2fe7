#pragma once
// The UDP primitives of the time client and the price relay: resolve a host, open a socket,
// send one datagram, wait for one reply. POSIX sockets in the program; an in-process transport
// (testing/) answers the same calls in virtual time for the simulator and for tests.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tavik {

struct Ipv4Endpoint {
  uint32_t address = 0;  // host byte order: 127.0.0.1 is 0x7F000001
  uint16_t port = 0;
  friend bool operator==(const Ipv4Endpoint&, const Ipv4Endpoint&) = default;
};

// "a.b.c.d" of an address in host byte order.
std::string FormatIpv4(uint32_t address);
// Strict dotted-quad parse (four decimal parts 0..255); nothing for anything else.
std::optional<uint32_t> ParseIpv4(const std::string& text);

// One open UDP socket; the destructor closes it, so every path that drops the socket closes it.
class UdpSocket {
 public:
  virtual ~UdpSocket() = default;
  // Fixes the peer: later sends go there and only its datagrams are received.
  virtual bool connect(const Ipv4Endpoint& peer) = 0;
  // Bytes reported sent to the connected peer, or -1.
  virtual int send(const uint8_t* data, size_t length) = 0;
  // For a socket that talks to several hosts without connecting: bytes sent to `to`, or -1.
  virtual int sendTo(const Ipv4Endpoint& to, const uint8_t* data, size_t length) = 0;
  // Waits up to timeoutMs for one datagram (from the peer, when connected). Returns its full
  // length, which may exceed `capacity` (only `capacity` bytes are stored then), or -1 on
  // timeout or error.
  virtual int receive(uint8_t* buffer, size_t capacity, int timeoutMs) = 0;

  // A socket that serves others (the price relay) listens on a port of its own and answers
  // whoever wrote to it. Transports that only ask questions may keep these defaults, which
  // refuse.
  //
  // Binds to `port` on all local addresses; 0 lets the platform pick a free port.
  virtual bool bind(uint16_t /*port*/) { return false; }
  // The local port (after bind or the first send), or 0.
  virtual uint16_t localPort() { return 0; }
  // Asks for a send buffer of `bytes`, so that a burst of datagrams leaves without waiting;
  // the platform may grant less. False when refused.
  virtual bool setSendBuffer(int /*bytes*/) { return false; }
  // receive() that also tells who sent the datagram.
  virtual int receiveFrom(uint8_t* /*buffer*/, size_t /*capacity*/, int /*timeoutMs*/,
                          Ipv4Endpoint& /*from*/) {
    return -1;
  }
};

class UdpTransport {
 public:
  virtual ~UdpTransport() = default;
  // A new IPv4 UDP socket, or null when the platform refuses one.
  virtual std::unique_ptr<UdpSocket> open() = 0;
  // The first IPv4 address of a host name, or nothing.
  virtual std::optional<uint32_t> resolve(const std::string& host) = 0;
  // Shutdown: every wait in progress and every later one (receive, resolve) ends at once
  // with a failure, so that the threads blocked in them can be joined.
  virtual void cancelWaits() = 0;
};

// The machine's sockets (POSIX sockets, or Winsock on Windows). A receive waits in poll() on
// the socket and on a cancel event, so cancelWaits() ends it at once; a name lookup runs on a
// thread of its own and is abandoned when cancelled or after kResolveTimeoutMs.
class SystemUdpTransport final : public UdpTransport {
 public:
  static constexpr int kResolveTimeoutMs = 5000;

  SystemUdpTransport();
  ~SystemUdpTransport() override;
  SystemUdpTransport(const SystemUdpTransport&) = delete;
  SystemUdpTransport& operator=(const SystemUdpTransport&) = delete;

  std::unique_ptr<UdpSocket> open() override;
  std::optional<uint32_t> resolve(const std::string& host) override;
  void cancelWaits() override;

 private:
  struct Lookup;
  // Readable once cancelled: an eventfd, or on Windows a loopback socket that sent itself a
  // datagram. -1 when none could be made.
  intptr_t cancelHandle_;
  std::shared_ptr<Lookup> cancelled_;
};

// The name the program and the tests have used for the machine's sockets.
using PosixUdpTransport = SystemUdpTransport;

}  // namespace tavik
