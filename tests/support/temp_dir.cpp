#include "tests/support/temp_dir.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/bmp_format/bmp_format.h"

namespace eveda::testing {
namespace {

void PutLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string BmpHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
  std::string bytes(54, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLittleEndian(bytes, 2, 54, 4);   // file size: the header alone
  PutLittleEndian(bytes, 10, 54, 4);  // offset of the pixels
  PutLittleEndian(bytes, 14, 40, 4);  // information header size
  PutLittleEndian(bytes, 18, static_cast<std::uint32_t>(width), 4);
  PutLittleEndian(bytes, 22, static_cast<std::uint32_t>(height), 4);
  PutLittleEndian(bytes, 26, 1, 2);  // planes
  PutLittleEndian(bytes, 28, bitCount, 2);
  return bytes;
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

void TempDir::WriteFile(const std::string& name, const std::string& bytes) const {
  std::error_code ignored;  // a folder that cannot be made shows as the file not written
  std::filesystem::create_directories(std::filesystem::path(PathOf(name)).parent_path(), ignored);
  std::ofstream out(PathOf(name), std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + PathOf(name));
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
