#pragma once
// INI profile files with the observable behaviour of the Windows private-profile functions:
// section and key names match case-insensitively, the first matching section and key win, a
// missing file or key gives the default, a new key is appended to its section, an existing key
// is replaced in place, the file and the section are created as needed, and every other line
// is kept byte for byte. Files are replaced through a temporary file and a rename, so a failed
// or interrupted write leaves the previous file whole.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_replace.h"

namespace tavik {

// The C library's decimal text-to-int rule: leading blanks skipped, an optional sign, digits
// up to the first non-digit, 0 when there are none. Values beyond int32 saturate.
int32_t LeadingInt(std::string_view text);

// A name without a directory part ("./profile.ini", "profile.ini") lies in the program
// directory `exeDir` (with its trailing "/"); an absolute path is used as it stands.
std::string ResolveProgramPath(const std::string& exeDir, const std::string& name);

// One INI file held in memory, line by line, with each line's own terminator.
class IniDocument {
 public:
  // Profiles are small; a larger file is no profile of ours and is not read.
  static constexpr size_t kMaxFileBytes = 1 << 20;
  enum class Status { kRead, kMissing, kUnreadable };
  // A missing, unreadable or oversized file gives an empty document; `status` tells which.
  static IniDocument Load(const std::string& path, Status* status = nullptr);
  static IniDocument Parse(std::string_view text);

  // The value of the first matching key in the first matching section, blanks trimmed and
  // cut to 255 bytes.
  std::optional<std::string> get(std::string_view section, std::string_view key) const;
  // Replaces the key's line in place, or appends the key to its section, or appends the
  // section to the document.
  void set(std::string_view section, std::string_view key, std::string_view value);

  std::string text() const;
  bool save(const std::string& path) const { return ReplaceFileContents(path, text()); }

 private:
  struct Line {
    std::string content;
    std::string terminator;  // "\n", "\r\n" or empty on an unterminated last line
  };
  // Index of the first line of the first matching section's header, or -1.
  int findSection(std::string_view section) const;
  // One past the section's last line (the next header or the end).
  int sectionEnd(int header) const;
  void insertLine(int at, std::string content);

  std::string bom_;  // a leading byte-order mark, kept as found
  std::vector<Line> lines_;
  std::string newline_ = "\n";  // the file's own line ending, for lines added to it
};

// A profile file and section, read and written one key at a time like the platform's
// private-profile calls: every read looks at the file as it is now, every write replaces it.
class CIni {
 public:
  CIni(const std::string& exeDir, const std::string& fileName, std::string section);

  int32_t ReadInt(std::string_view key) const;  // default "0"
  std::string ReadString(std::string_view key, std::string_view fallback) const;
  bool WriteInt(std::string_view key, int32_t value) const;
  bool WriteString(std::string_view key, std::string_view value) const;

  const std::string& path() const { return path_; }
  const std::string& section() const { return section_; }

 private:
  std::string path_;
  std::string section_;
};

}  // namespace tavik
