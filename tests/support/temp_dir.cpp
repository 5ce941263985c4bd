#include "tests/support/temp_dir.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/bmp_format/bmp_format.h"
#include "tests/support/bmp_builder.h"

namespace eveda::testing {

std::string BmpHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
  const std::vector<std::uint8_t> bytes = HeadersOfWrittenBmp(width, height, bitCount, 0);
  return {bytes.begin(), bytes.end()};
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "eveda-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::WriteFile(const std::string& name, std::string_view bytes) const {
  std::error_code ignored;  // a folder that cannot be made shows as the file not written
  std::filesystem::create_directories(std::filesystem::path(PathOf(name)).parent_path(), ignored);
  std::ofstream out(PathOf(name), std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + PathOf(name));
  return PathOf(name);
}

std::string TempDir::WriteFile(const std::string& name, std::span<const std::uint8_t> bytes) const {
  return WriteFile(name,
                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::set<std::string> TempDir::Names() const {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_))
    names.insert(entry.path().filename().string());
  return names;
}

// The rows are a hole in the file: the probe needs the file as long as its header says, and
// nothing reads the pixels.
void TempDir::WriteBmp(const std::string& name, std::int32_t width, std::int32_t height) const {
  WriteFile(name, BmpHeader(width, height));
  const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
  std::filesystem::resize_file(
      PathOf(name), 54 + static_cast<std::uintmax_t>(bmp_format::RowStride(width, 24) * rows));
}

void TempDir::MakeDir(const std::string& name) const {
  std::filesystem::create_directories(PathOf(name));
}

void TempDir::MakeLink(const std::string& name, const std::string& target) const {
  std::filesystem::create_symlink(target, PathOf(name));
}

void TempDir::WriteBmps(int count) const {
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "img%03d.bmp", i);
    WriteBmp(name, 8, 8);
  }
}

}  // namespace eveda::testing
