#pragma once
// A fresh directory under the system's temp folder, standing in for the program directory;
// removed with everything in it at the end.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

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
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as a text with a trailing "/", the way the program directory is kept.
  std::string dir() const { return path_.string() + "/"; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

  // A file of this folder, by name.
  void write(const std::string& name, const std::string& bytes) const {
    writeFile(file(name), bytes);
  }
  std::string read(const std::string& name) const { return readFile(file(name)); }
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

 private:
  std::filesystem::path path_;
};

}  // namespace tavik::testing
