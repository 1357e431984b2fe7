// The Windows programs as a user has them: the files of the zip (packaging/windows/files.txt)
// unpacked into a folder with a Chinese name, and the programs started there by the system,
// with their arguments in UTF-16 as Explorer and the console pass them.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/config.h"
#include "core/file_names.h"
#include "core/utf16.h"
#include "net/http_client.h"
#include "net/http_transport.h"
#include "net/price_reply.h"
#include "net/reply_envelope.h"
#include "net/vendor_requests.h"
#include "service/sockets.h"
#include "settings/control_ids.h"
#include "settings/ini_file.h"
#include "support/temp_dir.h"
#include "win32/test_window.h"

namespace tavik::testing {
namespace {

namespace fs = std::filesystem;

// A folder of the Linux build machine as Wine shows it (drive Z: is the root).
fs::path HostPath(const std::string& unixPath) {
  std::wstring path = L"Z:" + WidenUtf8(unixPath);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return fs::path(path);
}

// Copies what files.txt lists into `folder`, as unpacking the zip would.
void Unpack(const fs::path& folder) {
  std::ifstream list(HostPath(TAVIK_SOURCE_DIR "/packaging/windows/files.txt"));
  ASSERT_TRUE(list) << "files.txt";
  std::string line;
  while (std::getline(list, line)) {
    std::istringstream words(line);
    std::string from, path, sub;
    if (!(words >> from >> path) || from.front() == '#') continue;
    words >> sub;
    const fs::path dest = sub.empty() ? folder : folder / sub;
    fs::create_directories(dest);
    const fs::path source =
        HostPath((from == "build" ? TAVIK_BUILD_DIR "/" : TAVIK_SOURCE_DIR "/") + path);
    if (source.filename().wstring().starts_with(L"*")) {
      for (const auto& entry : fs::directory_iterator(source.parent_path()))
        if (entry.path().extension() == source.extension())
          fs::copy_file(entry.path(), dest / entry.path().filename());
    } else {
      fs::copy_file(source, dest / source.filename());
    }
  }
}

// Runs `commandLine` in `folder` and returns its exit code; -1 when it would not start or did
// not end within `timeoutMs`.
int RunIn(const fs::path& folder, const std::wstring& commandLine, DWORD timeoutMs = 60000) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &si, &pi))
    return -1;
  CloseHandle(pi.hThread);
  DWORD code = DWORD(-1);
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hProcess);
  return int(code);
}

// A started program, ended (closed, else killed) when the test is done with it.
class Started {
 public:
  Started(const fs::path& folder, const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring line = commandLine;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                       &si, &pi_))
      CloseHandle(pi_.hThread);
  }
  ~Started() {
    if (!pi_.hProcess) return;
    if (HWND w = window(0)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi_.hProcess, 10000) != WAIT_OBJECT_0)
      TerminateProcess(pi_.hProcess, 1);
    CloseHandle(pi_.hProcess);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;

  DWORD pid() const { return pi_.dwProcessId; }
  HANDLE process() const { return pi_.hProcess; }
  // The program's visible top-level window of class `cls`, waited for up to `waitMs`.
  HWND window(DWORD waitMs, const wchar_t* cls = L"TavikForm") const {
    return WindowOf(pid(), cls, waitMs);
  }

  static HWND WindowOf(DWORD pid, const wchar_t* cls, DWORD waitMs) {
    struct Query {
      DWORD pid;
      const wchar_t* cls;
      HWND found;
    } q{pid, cls, nullptr};
    for (DWORD waited = 0;; waited += 100) {
      EnumWindows(
          [](HWND w, LPARAM p) -> BOOL {
            auto* q = reinterpret_cast<Query*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (owner != q->pid || !IsWindowVisible(w) || std::wstring(cls) != q->cls) return TRUE;
            q->found = w;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&q));
      if (q.found || waited >= waitMs) return q.found;
      Sleep(100);
    }
  }

 private:
  PROCESS_INFORMATION pi_{};
};

// The text of a control of another process's window.
std::string ControlText(HWND window, int id) {
  wchar_t text[256] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(GetDlgItem(window, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  return NarrowToUtf8(text);
}

// The longest text of the program's message box: its message.
std::string BoxText(const Started& program) {
  std::wstring longest;
  if (HWND box = program.window(0, L"#32770")) {
    EnumChildWindows(
        box,
        [](HWND c, LPARAM p) -> BOOL {
          wchar_t text[512] = {};
          GetWindowTextW(c, text, 512);
          auto* longest = reinterpret_cast<std::wstring*>(p);
          if (wcslen(text) > longest->size()) *longest = text;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&longest));
  }
  return NarrowToUtf8(longest);
}

// Dispatches this thread's messages until `done` or about five seconds.
template <typename Done>
bool PumpUntil(Done done) {
  for (int i = 0; i < 500 && !done(); ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

class UnpackedPrograms : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir("拍牌工具");
    Unpack(dir_->path());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static fs::path folder() { return dir_->path(); }
  static std::wstring program(const wchar_t* name) {
    return L"\"" + (folder() / name).wstring() + L"\"";
  }
  static TempDir* dir_;
};
TempDir* UnpackedPrograms::dir_ = nullptr;

TEST_F(UnpackedPrograms, TheSimulatorTakesChineseFileNames) {
  fs::copy_file(folder() / "scenarios" / "calm.json", folder() / L"平稳场景.json");
  ASSERT_EQ(RunIn(folder(), program(L"tavik-sim.exe") + L" --out 输出 平稳场景.json"), 0);
  size_t written = 0;
  for (const auto& entry : fs::directory_iterator(folder() / L"输出")) {
    EXPECT_GT(fs::file_size(entry.path()), 0u) << TempDir::ToUtf8(entry.path());
    ++written;
  }
  EXPECT_EQ(written, 3u) << "the events, the log and the report";
}

TEST_F(UnpackedPrograms, TheDictionaryToolTakesChineseFileNames) {
  // A picture written and read back, a dictionary read and written, all under Chinese names.
  ASSERT_EQ(RunIn(folder(), program(L"tavik-dict.exe") + L" capture 截图.bmp 0,0,40,20"), 0);
  EXPECT_TRUE(fs::exists(folder() / L"截图.bmp"));
  EXPECT_EQ(RunIn(folder(), program(L"tavik-dict.exe") + L" pixel 截图.bmp 1,1"), 0);
  fs::copy_file(folder() / "sscai.dll", folder() / L"字典.dll");
  ASSERT_EQ(
      RunIn(folder(), program(L"tavik-dict.exe") + L" convert 字典.dll 紧凑字典.dll --format 2"),
      0);
  EXPECT_EQ(RunIn(folder(), program(L"tavik-dict.exe") + L" list 紧凑字典.dll"), 0);
}

// Started from the Chinese folder, tavik finds its dictionary and its profiles there, and takes
// a tavik.conf that Notepad saved with a byte-order mark: no message, the scheme's values shown.
TEST_F(UnpackedPrograms, TavikReadsItsFilesFromAChineseFolder) {
  dir_->write("tavik.conf",
              "\xEF\xBB\xBF# saved by Notepad\r\nntp_servers = 127.0.0.1\r\n"
              "relay_hosts = 127.0.0.1\r\n");
  SetEnvironmentVariableW(L"TAVIK_CONFIG", (folder() / "tavik.conf").c_str());
  const IniDocument profile = IniDocument::Load(dir_->file("profile_1.ini"));
  const std::string lastSecond = profile.get("Settings", "Last Sec 2").value_or("?");
  ASSERT_NE(lastSecond, "0") << "a value that tells the profile from the defaults";

  Started tavik(folder(), program(L"tavik.exe"));
  HWND window = nullptr;
  for (int i = 0; i < 300 && !window; ++i) {
    ASSERT_EQ(tavik.window(0, L"#32770"), nullptr) << "a message box: " << BoxText(tavik);
    window = tavik.window(100);
  }
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ControlText(window, ctl::kBid2Sec), lastSecond);
  Sleep(1000);  // the dictionary's warning would come as the window shows
  EXPECT_EQ(tavik.window(0, L"#32770"), nullptr) << "a message box: " << BoxText(tavik);
}

// A second start brings the first copy's window to the front and ends; one window stays.
TEST_F(UnpackedPrograms, ASecondStartRaisesTheFirstAndEnds) {
  Started first(folder(), program(L"tavik.exe"));
  const HWND window = first.window(30000);
  ASSERT_NE(window, nullptr);
  TestWindow other(L"another program", Rect{200, 200, 500, 400});
  ASSERT_EQ(PumpUntil([&] { return GetForegroundWindow() == other.hwnd(); }), true);

  EXPECT_EQ(RunIn(folder(), program(L"tavik.exe"), 30000), 0);
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }))
      << "the first copy's window is not in front";
  EXPECT_EQ(WaitForSingleObject(first.process(), 0), DWORD(WAIT_TIMEOUT)) << "the first copy ended";
}

// A free loopback port: bound, then let go.
int FreePort() {
  int port = -1;
  service::CloseSocket(service::Listen("127.0.0.1", 0, 1, port));
  return port;
}

// The assistant's settings with the practice and the vendor servers on `port` of this PC.
Config PracticeOn(int port) {
  Config c;
  c.practiceHost = "http://127.0.0.1:" + std::to_string(port);
  c.vendorServers = {c.practiceHost};
  c.vendorWwwServers = {c.practiceHost};
  c.httpConnectTimeoutMs = 2000;
  c.httpTotalTimeoutMs = 5000;
  return c;
}

// The practice page fetched through the assistant's HTTP client (WinHTTP), tried for up to
// `waitMs` while the server comes up.
HttpResult FetchPage(SystemHttpTransport& http, const Config& c, const std::string& page,
                     DWORD waitMs = 20000) {
  HttpResult r;
  for (DWORD waited = 0; waited <= waitMs; waited += 200) {
    r = http.get(c.practiceHost + page, HttpTimeoutsFrom(c));
    if (r.ok) break;
    Sleep(200);
  }
  return r;
}

std::string SourceFile(const std::string& path) {
  std::ifstream in(HostPath(TAVIK_SOURCE_DIR "/" + path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The assistant's requests, as it sends them, answered by the practice server on `c`.
void ExpectVendorRequestsAnswered(SystemHttpTransport& http, const Config& c) {
  CHttpClient client(http, HttpTimeoutsFrom(c));
  const auto get = [&](const std::string& query) {
    return client.Get(VendorUrl(c, 1, VendorName::Base, query));
  };
  RequestValues v;
  v.m_bidNumber = "51515151";
  v.m_localIp = "127.0.0.1";
  v.g_version = "9.1.4";
  get(PriceReportQuery(v, 88'300, 40));
  EXPECT_EQ(ParsePriceReply(get(PriceReadQuery(v))), 88'300);
  EXPECT_TRUE(ParseMainParamsReply(get(MainParamsQuery(v, 40, 0))));
}

// tavik-service.exe from the zip, started with a double click (no arguments but the port here):
// it reads service.conf beside it and serves the practice pages and the vendor requests.
TEST_F(UnpackedPrograms, TheServiceServesThePracticeAndTheVendorRequests) {
  const Config c = PracticeOn(FreePort());
  const std::string port = c.practiceHost.substr(c.practiceHost.rfind(':') + 1);
  Started service(folder(), program(L"tavik-service.exe") + L" --port " + WidenUtf8(port));
  SystemHttpTransport http;
  const HttpResult page = FetchPage(http, c, "/fz.html");
  ASSERT_TRUE(page.ok);
  EXPECT_EQ(page.body, SourceFile("web/practice/fz.html"));
  EXPECT_EQ(FetchPage(http, c, "/practice.js").body, SourceFile("web/practice/practice.js"));
  ExpectVendorRequestsAnswered(http, c);
  TerminateProcess(service.process(), 0);
}

// The Windows service keeps nothing on disk: a database file is refused, and it says why.
TEST_F(UnpackedPrograms, TheServiceRefusesADatabaseItCannotKeep) {
  dir_->write("数据库.conf", "database = state.db\r\nweb_root = practice\r\n");
  EXPECT_EQ(RunIn(folder(), program(L"tavik-service.exe") + L" --config 数据库.conf --port 0"), 1);
}

// "载入仿真练习" with nothing but the zip: tavik serves the practice itself on the practice port
// and opens the page (here through a browser command that only ends).
TEST_F(UnpackedPrograms, ThePracticeButtonServesThePracticeFromTavik) {
  const Config c = PracticeOn(FreePort());
  dir_->write("practice.conf", "practice_host = " + c.practiceHost + "\r\nvendor_servers = " +
                                   c.practiceHost + "\r\nvendor_www_servers = " + c.practiceHost +
                                   "\r\nntp_servers = 127.0.0.1\r\nrelay_hosts = 127.0.0.1"
                                   "\r\nbrowser_command = cmd.exe /c rem\r\n");
  SetEnvironmentVariableW(L"TAVIK_CONFIG", (folder() / "practice.conf").c_str());
  Started tavik(folder(), program(L"tavik.exe"));
  const HWND window = tavik.window(30000);
  ASSERT_NE(window, nullptr);
  SystemHttpTransport http;
  EXPECT_FALSE(http.get(c.practiceHost + "/fz.html", HttpTimeoutsFrom(c)).ok)
      << "served before the button";
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(ctl::kLaunchPractice, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, ctl::kLaunchPractice)));
  const HttpResult page = FetchPage(http, c, "/fz.html");
  ASSERT_TRUE(page.ok) << "a message box: " << BoxText(tavik);
  EXPECT_EQ(page.body, SourceFile("web/practice/fz.html"));
  ExpectVendorRequestsAnswered(http, c);
  EXPECT_EQ(tavik.window(0, L"#32770"), nullptr) << "a message box: " << BoxText(tavik);
}

}  // namespace
}  // namespace tavik::testing
