#include "settings/ini_file.h"

#include <climits>

#include "core/file_names.h"

namespace tavik {

namespace {

constexpr size_t kMaxValueBytes = 255;  // the read buffer holds 256 bytes with the terminator

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// "[name]" gives name; any other line gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  if (const auto close = line.find(']'); close != std::string_view::npos)
    line = line.substr(0, close);
  return Trim(line);
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// "key = value" gives key; lines without "=" and comments give nothing.
std::optional<std::string_view> KeyName(std::string_view line) {
  if (IsComment(line)) return std::nullopt;
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

std::string_view ValueOf(std::string_view line) {
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  // A value enclosed in matching quotes is returned without them.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

int32_t LeadingInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return int32_t(value);
}

std::string ResolveProgramPath(const std::string& exeDir, const std::string& name) {
  if (!name.empty() && name.front() == '/') return name;
  std::string_view rest = name;
  while (rest.substr(0, 2) == "./" || rest.substr(0, 2) == ".\\") rest.remove_prefix(2);
  return exeDir + std::string(rest);
}

IniDocument IniDocument::Load(const std::string& path, Status* status) {
  Status ignored;
  Status& result = status ? *status : ignored;
  // Read through the same file name a save replaces: a read that missed the file while the
  // save found it would let a scheme of zeros overwrite the user's profile.
  std::string text;
  switch (ReadFileUtf8(path, kMaxFileBytes, text)) {
    case FileRead::kRead:
      result = Status::kRead;
      return Parse(text);
    case FileRead::kMissing:
      result = Status::kMissing;
      return IniDocument();
    case FileRead::kUnreadable:
    case FileRead::kTooLarge:
      break;
  }
  result = Status::kUnreadable;
  return IniDocument();
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  // Editors on Windows often start a saved file with a UTF-8 byte-order mark; it must not hide
  // the first section header, and it is written back as it was.
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (text.substr(0, kBom.size()) == kBom) {
    doc.bom_ = std::string(kBom);
    text.remove_prefix(kBom.size());
  }
  bool sawNewline = false;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    Line line;
    if (nl == std::string_view::npos) {
      line.content = std::string(text);
      text = {};
    } else {
      const bool crlf = nl > 0 && text[nl - 1] == '\r';
      line.content = std::string(text.substr(0, crlf ? nl - 1 : nl));
      line.terminator = crlf ? "\r\n" : "\n";
      if (!sawNewline) doc.newline_ = line.terminator;
      sawNewline = true;
      text.remove_prefix(nl + 1);
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

int IniDocument::findSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].content);
    if (name && SameName(*name, section)) return int(i);
  }
  return -1;
}

int IniDocument::sectionEnd(int header) const {
  int i = header + 1;
  while (i < int(lines_.size()) && !SectionName(lines_[size_t(i)].content)) ++i;
  return i;
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const {
  const int header = findSection(section);
  if (header < 0) return std::nullopt;
  const int end = sectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    const std::string& content = lines_[size_t(i)].content;
    const auto name = KeyName(content);
    if (name && SameName(*name, key)) {
      return std::string(ValueOf(content).substr(0, kMaxValueBytes));
    }
  }
  return std::nullopt;
}

void IniDocument::insertLine(int at, std::string content) {
  // The line before the new one must end, else the two would run together.
  if (at > 0 && lines_[size_t(at - 1)].terminator.empty())
    lines_[size_t(at - 1)].terminator = newline_;
  lines_.insert(lines_.begin() + at, Line{std::move(content), newline_});
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
  std::string line = std::string(key) + "=" + std::string(value);
  int header = findSection(section);
  if (header < 0) {
    insertLine(int(lines_.size()), "[" + std::string(section) + "]");
    insertLine(int(lines_.size()), std::move(line));
    return;
  }
  const int end = sectionEnd(header);
  int lastFilled = header;
  for (int i = header + 1; i < end; ++i) {
    Line& current = lines_[size_t(i)];
    const auto name = KeyName(current.content);
    if (name && SameName(*name, key)) {
      current.content = std::move(line);
      return;
    }
    if (!Trim(current.content).empty()) lastFilled = i;
  }
  // New keys go after the section's last non-blank line, so that blank lines separating it
  // from the next section stay where they are.
  insertLine(lastFilled + 1, std::move(line));
}

std::string IniDocument::text() const {
  std::string out = bom_;
  for (const Line& line : lines_) out += line.content + line.terminator;
  return out;
}

CIni::CIni(const std::string& exeDir, const std::string& fileName, std::string section)
    : path_(ResolveProgramPath(exeDir, fileName)), section_(std::move(section)) {}

int32_t CIni::ReadInt(std::string_view key) const {
  return LeadingInt(ReadString(key, "0"));
}

std::string CIni::ReadString(std::string_view key, std::string_view fallback) const {
  return IniDocument::Load(path_).get(section_, key).value_or(std::string(fallback));
}

bool CIni::WriteInt(std::string_view key, int32_t value) const {
  return WriteString(key, std::to_string(value));
}

bool CIni::WriteString(std::string_view key, std::string_view value) const {
  IniDocument::Status status;
  IniDocument doc = IniDocument::Load(path_, &status);
  if (status == IniDocument::Status::kUnreadable) return false;  // keep what we cannot read
  doc.set(section_, key, value);
  return doc.save(path_);
}

}  // namespace tavik
