#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <thread>

#include "core/utf16.h"
#include "net/http_transport.h"

namespace tavik {
namespace {

using Steady = std::chrono::steady_clock;

// One request's outcome, once known.
struct Job {
  bool done = false;
  HttpResult result;
};

}  // namespace

// The WinHTTP session. Each exchange runs on a thread of its own, since a blocked synchronous
// WinHTTP call cannot be relied on to return when its handle is closed from another thread
// (Wine's does not): the caller waits for it until the deadline or the cancellation, and a
// thread that is given up on finishes alone within the WinHTTP timeouts. Its handles are
// never closed under it. The threads share this state, so it lives until the last one ends.
struct WinHttpSession {
  ~WinHttpSession() {
    if (session) WinHttpCloseHandle(session);
  }
  HINTERNET session = nullptr;
  std::mutex mutex;
  std::condition_variable changed;
  bool cancelled = false;
};

namespace {

using SessionPtr = std::shared_ptr<WinHttpSession>;

SessionPtr* SessionOf(intptr_t handle) {
  return handle < 0 ? nullptr : reinterpret_cast<SessionPtr*>(handle);
}

struct HandleDeleter {
  void operator()(void* h) const { WinHttpCloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

struct Request {
  std::wstring host;
  std::wstring connectTo;  // the pinned address, or the host
  std::wstring path;       // with the query
  INTERNET_PORT port = 80;
  bool https = false;
  int connectMs = 1;
  Steady::time_point deadline;
};

bool SplitUrl(const std::string& url, Request& out) {
  const std::wstring wide = WidenUtf8(url);
  URL_COMPONENTS c{};
  c.dwStructSize = sizeof c;
  c.dwHostNameLength = DWORD(-1);
  c.dwUrlPathLength = DWORD(-1);
  c.dwExtraInfoLength = DWORD(-1);
  if (!WinHttpCrackUrl(wide.c_str(), DWORD(wide.size()), 0, &c)) return false;
  if (c.nScheme != INTERNET_SCHEME_HTTP && c.nScheme != INTERNET_SCHEME_HTTPS) return false;
  out.host.assign(c.lpszHostName, c.dwHostNameLength);
  out.path.assign(c.lpszUrlPath, c.dwUrlPathLength);
  out.path.append(c.lpszExtraInfo, c.dwExtraInfoLength);
  if (out.path.empty()) out.path = L"/";
  out.port = c.nPort;
  out.https = c.nScheme == INTERNET_SCHEME_HTTPS;
  return !out.host.empty();
}

int MsLeft(Steady::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
  return int(std::clamp<long long>(left, 0, 1 << 30));
}

// Reads the body, at most kMaxHttpBodyBytes, until the deadline.
bool ReadBody(HINTERNET request, std::string& body, Steady::time_point deadline) {
  char chunk[16 * 1024];
  for (;;) {
    DWORD receiveMs = DWORD(MsLeft(deadline));
    if (receiveMs == 0) return false;
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
    DWORD n = 0;
    if (!WinHttpReadData(request, chunk, sizeof chunk, &n)) return false;
    if (n == 0) return true;
    if (body.size() + n > kMaxHttpBodyBytes) {
      body.append(chunk, kMaxHttpBodyBytes - body.size());
      return false;
    }
    body.append(chunk, n);
  }
}

// Sends the request and reads the reply. A pinned host is still named in the Host header, so
// the server answers as itself.
HttpResult Exchange(HINTERNET request, const Request& r) {
  const int totalMs = std::max(1, MsLeft(r.deadline));
  DWORD redirects = 5;
  WinHttpSetOption(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                   sizeof redirects);
  if (!WinHttpSetTimeouts(request, r.connectMs, r.connectMs, totalMs, totalMs)) return {};
  if (r.connectTo != r.host) {
    std::wstring host = L"Host: " + r.host;
    if (r.port != (r.https ? 443 : 80)) host += L":" + std::to_wstring(r.port);
    if (!WinHttpAddRequestHeaders(request, host.c_str(), DWORD(host.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
      return {};
  }
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                          0) ||
      !WinHttpReceiveResponse(request, nullptr))
    return {};
  HttpResult result;
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return {};
  result.status = int(status);
  result.ok = ReadBody(request, result.body, r.deadline);
  // A body shorter (or longer) than its Content-Length is a reply cut short, whatever WinHTTP
  // made of the closed connection.
  DWORD declared = 0;
  size = sizeof declared;
  if (WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &declared, &size,
                          WINHTTP_NO_HEADER_INDEX) &&
      result.body.size() != declared)
    result.ok = false;
  return result;
}

// The request's thread: connects, exchanges and publishes the outcome.
void Run(SessionPtr s, std::shared_ptr<Job> job, Request r) {
  const Handle connection(WinHttpConnect(s->session, r.connectTo.c_str(), r.port, 0));
  const Handle request(connection
                           ? WinHttpOpenRequest(connection.get(), L"GET", r.path.c_str(), nullptr,
                                                WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                r.https ? WINHTTP_FLAG_SECURE : 0)
                           : nullptr);
  HttpResult result = request ? Exchange(request.get(), r) : HttpResult{};
  std::lock_guard lock(s->mutex);
  job->result = std::move(result);
  job->done = true;
  s->changed.notify_all();
}

}  // namespace

SystemHttpTransport::SystemHttpTransport() : cancelHandle_(-1) {
  auto s = std::make_shared<WinHttpSession>();
  // The system's proxy settings apply, as the proxy variables do with libcurl.
  s->session = WinHttpOpen(L"tavik", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
  if (s->session) cancelHandle_ = reinterpret_cast<intptr_t>(new SessionPtr(std::move(s)));
}

SystemHttpTransport::~SystemHttpTransport() {
  cancelWaits();
  delete SessionOf(cancelHandle_);
}

void SystemHttpTransport::cancelWaits() {
  cancelled_ = true;
  SessionPtr* s = SessionOf(cancelHandle_);
  if (!s) return;
  {
    std::lock_guard lock((*s)->mutex);
    (*s)->cancelled = true;
  }
  (*s)->changed.notify_all();
}

void SystemHttpTransport::pinHost(const std::string& host, const std::string& ipv4) {
  std::lock_guard lock(pinsMutex_);
  pins_[host] = ipv4;
}

HttpResult SystemHttpTransport::get(const std::string& url, const HttpTimeouts& timeouts) {
  SessionPtr* handle = SessionOf(cancelHandle_);
  Request r;
  if (!handle || cancelled_ || !SplitUrl(url, r)) return {};
  const SessionPtr s = *handle;
  r.connectMs = std::max(1, timeouts.connectMs);
  r.deadline = Steady::now() + std::chrono::milliseconds(std::max(1, timeouts.totalMs));
  r.connectTo = r.host;
  {
    std::lock_guard lock(pinsMutex_);
    if (auto it = pins_.find(NarrowToUtf8(r.host)); it != pins_.end())
      r.connectTo = WidenUtf8(it->second);
  }
  auto job = std::make_shared<Job>();
  std::unique_lock lock(s->mutex);
  if (s->cancelled) return {};
  std::thread(Run, s, job, r).detach();
  const auto deadline = r.deadline;
  s->changed.wait_until(lock, deadline, [&] { return job->done || s->cancelled; });
  if (!job->done || s->cancelled) return {};
  return std::move(job->result);
}

}  // namespace tavik
