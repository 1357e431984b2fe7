#include <curl/curl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "net/http_transport.h"

namespace tavik {
namespace {

// libcurl's global state; from 7.84 on its set-up is thread-safe, the once keeps older
// versions right too. It is never torn down: transfers may run until the process ends.
void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Body {
  std::string bytes;
  bool overflow = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* userData) {
  auto* body = static_cast<Body*>(userData);
  const size_t n = size * count;
  if (body->bytes.size() + n > kMaxHttpBodyBytes) {
    body->bytes.append(data, kMaxHttpBodyBytes - body->bytes.size());
    body->overflow = true;
    return 0;  // ends the transfer with an error
  }
  body->bytes.append(data, n);
  return n;
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using Multi = std::unique_ptr<CURLM, MultiDeleter>;
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

// "host::address:" entries for CURLOPT_CONNECT_TO: any port of the host goes to the same port
// of the address, and the request keeps naming the host. Null when there are none, or when
// memory runs out (`ok` false then).
Slist connectTo(const std::map<std::string, std::string>& pins, bool& ok) {
  curl_slist* list = nullptr;
  for (const auto& [host, address] : pins) {
    const std::string entry = host + "::" + address + ":";
    curl_slist* grown = curl_slist_append(list, entry.c_str());
    if (!grown) {
      curl_slist_free_all(list);
      ok = false;
      return {};
    }
    list = grown;
  }
  ok = true;
  return Slist(list);
}

bool configure(CURL* easy, const std::string& url, const HttpTimeouts& timeouts, Body& body) {
  // libcurl reads 0 as "no limit"; a request always has one.
  const long connectMs = std::max(1, timeouts.connectMs);
  const long totalMs = std::max(1, timeouts.totalMs);
  // NOSIGNAL: several threads make requests, and libcurl must not use SIGALRM for timeouts.
  return curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, totalMs) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_USERAGENT, "tavik") == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, appendBody) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body) == CURLE_OK;
}

}  // namespace

SystemHttpTransport::SystemHttpTransport()
    : cancelHandle_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  initCurlOnce();
}

SystemHttpTransport::~SystemHttpTransport() {
  cancelWaits();
  if (cancelHandle_ >= 0) ::close(int(cancelHandle_));
}

void SystemHttpTransport::cancelWaits() {
  cancelled_ = true;
  if (cancelHandle_ >= 0) {
    // Never read back: the event stays readable, so every later wait ends at once too.
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(int(cancelHandle_), &one, sizeof one);
  }
}

void SystemHttpTransport::pinHost(const std::string& host, const std::string& ipv4) {
  std::lock_guard lock(pinsMutex_);
  pins_[host] = ipv4;
}

HttpResult SystemHttpTransport::get(const std::string& url, const HttpTimeouts& timeouts) {
  if (cancelHandle_ < 0 || cancelled_) return {};
  Body body;
  const Easy easy(curl_easy_init());
  const Multi multi(curl_multi_init());
  bool pinsOk = false;
  Slist pins;
  {
    std::lock_guard lock(pinsMutex_);
    pins = connectTo(pins_, pinsOk);
  }
  if (!easy || !multi || !pinsOk || !configure(easy.get(), url, timeouts, body) ||
      (pins && curl_easy_setopt(easy.get(), CURLOPT_CONNECT_TO, pins.get()) != CURLE_OK) ||
      curl_multi_add_handle(multi.get(), easy.get()) != CURLM_OK)
    return {};
  bool finished = false;
  CURLcode outcome = CURLE_OK;
  while (!cancelled_) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
    if (running == 0) {
      int left = 0;
      for (CURLMsg* msg; (msg = curl_multi_info_read(multi.get(), &left)) != nullptr;) {
        if (msg->msg == CURLMSG_DONE) outcome = msg->data.result;
      }
      finished = true;
      break;
    }
    // libcurl shortens this wait to its own next timeout (connect, total, resolver).
    curl_waitfd cancel{int(cancelHandle_), CURL_WAIT_POLLIN, 0};
    if (curl_multi_poll(multi.get(), &cancel, 1, 1000, nullptr) != CURLM_OK) break;
  }
  long status = 0;
  curl_off_t declared = -1;
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
  curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
  curl_multi_remove_handle(multi.get(), easy.get());
  // libcurl reports a body cut short of its Content-Length itself; the length is checked here
  // too, so that no version or setting of it lets a partial reply through.
  const bool whole = declared < 0 || curl_off_t(body.bytes.size()) == declared;
  const bool ok = finished && outcome == CURLE_OK && !body.overflow && status != 0 && whole;
  return {ok, std::move(body.bytes), int(status)};
}

}  // namespace tavik
