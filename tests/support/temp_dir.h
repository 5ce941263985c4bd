#pragma once
// A real temporary directory, removed with everything in it, and small BMP files in it.

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace eveda::testing {

// The 54 header bytes of an uncompressed BMP file with no pixels after them (bfSize 54); the
// probe reads nothing more.
std::string BmpHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount = 24);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Without a trailing "/".
  const std::string& Path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }
  std::string operator/(const std::string& name) const { return PathOf(name); }

  void WriteBmp(const std::string& name, std::int32_t width, std::int32_t height) const;
  // Makes the folders on the way; returns the file's path.
  std::string WriteFile(const std::string& name, std::string_view bytes) const;
  std::string WriteFile(const std::string& name, std::span<const std::uint8_t> bytes) const;
  // The names in the directory itself, sorted.
  std::set<std::string> Names() const;
  void MakeDir(const std::string& name) const;
  // A symbolic link `name` to `target`, which need not exist.
  void MakeLink(const std::string& name, const std::string& target) const;
  // `count` headers of 8 by 8 named img001.bmp, img002.bmp ...
  void WriteBmps(int count) const;

 private:
  std::string path_;
};

}  // namespace eveda::testing
