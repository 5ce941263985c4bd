#pragma once
// A fresh directory under the system's temporary directory, removed with everything in it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "eveda-gtfile-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);  // links are removed, never followed
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Path() const { return root_.string(); }
  std::filesystem::path operator/(const std::string& relative) const { return root_ / relative; }

  void AddFile(const std::string& relative, const std::string& contents = "data") const {
    std::filesystem::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative, std::ios::binary) << contents;
  }
  void AddDir(const std::string& relative) const {
    std::filesystem::create_directories(root_ / relative);
  }
  void AddLink(const std::string& relative, const std::string& target) const {
    std::filesystem::create_symlink(target, root_ / relative);
  }

 private:
  std::filesystem::path root_;
};
