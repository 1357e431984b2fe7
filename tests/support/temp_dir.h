#pragma once
// A fresh directory under the system's temp folder, standing in for the program directory;
// removed with everything in it at the end. Its texts are UTF-8, as the program's paths are.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace tavik::testing {

class TempDir {
 public:
  // A random name that create_directory claims only when it is new (mkdtemp is not on every
  // platform the tests run on).
  TempDir() {
    std::random_device random;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() /
              ("tavik-test-" + std::to_string(random()) + std::to_string(random()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  // The program directory is a folder named `utf8Leaf` (a Chinese name, say) inside the fresh
  // one, as a user's unpacked folder would be.
  explicit TempDir(std::string_view utf8Leaf) : TempDir() {
    root_ = path_;
    path_ /= FromUtf8(utf8Leaf);
    std::filesystem::create_directory(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(root_.empty() ? path_ : root_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as a text with a trailing "/", the way the program directory is kept.
  std::string dir() const { return ToUtf8(path_) + "/"; }
  std::string file(const std::string& name) const { return ToUtf8(pathOf(name)); }
  std::filesystem::path pathOf(std::string_view utf8Name) const {
    return path_ / FromUtf8(utf8Name);
  }

  // A file of this folder, by name.
  void write(const std::string& name, const std::string& bytes) const {
    writeFile(pathOf(name), bytes);
  }
  std::string read(const std::string& name) const { return readFile(pathOf(name)); }
  // How many entries the folder holds.
  size_t entries() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) ++n;
    return n;
  }

  // Any file, by path.
  static std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // UTF-8 text and paths, the same on every system (a narrow std::string would be taken in the
  // ANSI code page on Windows).
  static std::filesystem::path FromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  }
  static std::string ToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  }

 private:
  std::filesystem::path path_;
  std::filesystem::path root_;  // the fresh folder, when path_ is a folder inside it
};

}  // namespace tavik::testing
