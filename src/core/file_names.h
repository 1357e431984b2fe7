#pragma once
// One way to name files: every path inside the programs is UTF-8 text, and it becomes the
// system's own form of a file name here and nowhere else (the bytes as they are on POSIX,
// UTF-16 for the wide-character calls on Windows). A file read through these calls is the
// same file a write through ReplaceFileContents replaces, whatever the folder's name.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// The UTF-8 path as a path of the system's file calls; malformed UTF-8 gives U+FFFD on
// Windows instead of an exception.
std::filesystem::path PathFromUtf8(std::string_view utf8);
// The path as UTF-8 text.
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen with a UTF-8 path (_wfopen on Windows).
std::FILE* OpenFileUtf8(const std::string& path, const char* mode);

enum class FileRead { kRead, kMissing, kUnreadable, kTooLarge };
// The whole file when it holds at most `limit` bytes. kMissing only when the system says that
// no such file (or folder) exists; every other failure is kUnreadable, so that a file that is
// there but cannot be read is never taken for an absent one.
FileRead ReadFileUtf8(const std::string& path, size_t limit, std::string& out);

// A UTF-8 byte-order mark at the start of a text (Notepad writes one) taken off.
std::string_view WithoutByteOrderMark(std::string_view text);

// The program's arguments (without the program name) as UTF-8: on Windows taken from the
// wide-character command line, since `argv` holds them in the ANSI code page, where a Chinese
// file name becomes question marks.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Text the program prints is UTF-8: the Windows console is told so (no-op elsewhere).
void UseUtf8Console();

}  // namespace tavik
