// The layers hold by themselves: every #include in src/ follows the allowed directions that
// docs/ARCHITECTURE.md lists between its "layering" markers, and toolkit headers stay in the
// one folder allowed to use them. A new include that runs up a layer fails this test.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const fs::path kRoot = TAVIK_SOURCE_DIR;

// folder -> the folders it may include from (itself always).
using Rules = std::map<std::string, std::set<std::string>>;

Rules ReadRules() {
  std::ifstream doc(kRoot / "docs" / "ARCHITECTURE.md");
  Rules rules;
  bool inside = false;
  for (std::string line; std::getline(doc, line);) {
    if (line.find("<!-- layering:begin -->") != std::string::npos) inside = true;
    if (line.find("<!-- layering:end -->") != std::string::npos) break;
    const auto colon = line.find(':');
    if (!inside || line.rfind("```", 0) == 0 || colon == std::string::npos ||
        line.find("<!--") != std::string::npos)
      continue;
    std::istringstream uses(line.substr(colon + 1));
    auto& allowed = rules[line.substr(0, colon)];
    for (std::string folder; uses >> folder;) allowed.insert(folder);
  }
  return rules;
}

// "platform/x11" or "platform/win32" for files under them, else the first folder below src/.
std::string FolderOf(const std::string& path) {
  if (path.rfind("platform/x11/", 0) == 0) return "platform/x11";
  if (path.rfind("platform/win32/", 0) == 0) return "platform/win32";
  return path.substr(0, path.find('/'));
}

struct Violation {
  std::string file, include;
};

std::vector<Violation> Check(const Rules& rules) {
  static const std::regex quoted(R"(^\s*#\s*include\s*"([^"]+)\")");
  static const std::regex angled(R"(^\s*#\s*include\s*<(Q\w*|Qt\w*/|X11/|curl/))");
  std::vector<Violation> found;
  for (const auto& entry : fs::recursive_directory_iterator(kRoot / "src")) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    const std::string file = fs::relative(entry.path(), kRoot / "src").generic_string();
    const std::string folder = FolderOf(file);
    const auto rule = rules.find(folder);
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (std::regex_search(line, m, quoted)) {
        const std::string target = FolderOf(m[1].str());
        if (m[1].str().find('/') == std::string::npos || target == folder) continue;
        if (rule == rules.end() || !rule->second.count(target)) found.push_back({file, m[1]});
      } else if (std::regex_search(line, m, angled)) {
        const std::string lib = m[1].str();
        const bool ok = lib.rfind("X11/", 0) == 0    ? folder == "platform/x11"
                        : lib.rfind("curl/", 0) == 0 ? folder == "net"
                                                     : folder == "ui";
        if (!ok) found.push_back({file, "<" + lib + ">"});
      }
    }
  }
  return found;
}

TEST(Layering, EveryFolderOfSrcHasItsRule) {
  const Rules rules = ReadRules();
  ASSERT_FALSE(rules.empty()) << "no layering block in docs/ARCHITECTURE.md";
  for (const auto& entry : fs::directory_iterator(kRoot / "src")) {
    if (!entry.is_directory()) continue;
    EXPECT_TRUE(rules.count(entry.path().filename().string()))
        << entry.path().filename() << " is missing from docs/ARCHITECTURE.md";
  }
}

TEST(Layering, IncludesFollowTheAllowedDirections) {
  for (const Violation& v : Check(ReadRules()))
    ADD_FAILURE() << "src/" << v.file << " includes " << v.include
                  << ", which its layer may not use (docs/ARCHITECTURE.md)";
}

// The windows and the simulator drive the assistant through its Assistant side: they include
// app/assistant.h, never the controller with its owners and workers.
TEST(Layering, OnlyTheAppFolderSeesTheController) {
  static const std::regex controller(R"(^\s*#\s*include\s*"app/controller\.h")");
  for (const auto& entry : fs::recursive_directory_iterator(kRoot / "src")) {
    if (!entry.is_regular_file()) continue;
    const std::string file = fs::relative(entry.path(), kRoot / "src").generic_string();
    if (FolderOf(file) == "app") continue;
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);)
      if (std::regex_search(line, controller))
        ADD_FAILURE() << "src/" << file << " includes app/controller.h; use app/assistant.h";
  }
}

}  // namespace
