#include <windows.h>

#include <random>

#include "core/file_replace.h"
#include "core/utf16.h"

namespace tavik {
namespace {

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() { CloseHandle(handle); }
};

bool WriteAll(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = DWORD(data.size() > (1u << 30) ? (1u << 30) : data.size());
    DWORD written = 0;
    if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

// A temporary file beside `target` that no other writer has: CREATE_NEW fails on a name taken.
HANDLE CreateTemporary(const std::wstring& target, std::wstring& name) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + L"." + std::to_wstring(random()) + L".tmp";
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// The same steps as on POSIX: write beside, flush, then one rename over the old file, which
// MOVEFILE_WRITE_THROUGH makes durable before it returns.
bool ReplaceFileContents(const std::string& path, std::string_view content) {
  const std::wstring target = WidenUtf8(path);
  std::wstring temp;
  const HANDLE file = CreateTemporary(target, temp);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = false;
  {
    HandleCloser closer{file};
    written = WriteAll(file, content) && FlushFileBuffers(file);
  }
  if (!written || !MoveFileExW(temp.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace tavik
