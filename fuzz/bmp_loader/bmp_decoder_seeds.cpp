// Writes the seed corpus of the BMP decoder fuzzer: one file per catalogued variant.
// Usage: bmp_decoder_seeds DIR

#include <cstdio>
#include <filesystem>

#include "tests/support/bmp_builder.h"
#include "tests/support/bmp_catalogue.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  int written = 0;
  for (const auto& image : eveda::testing::BmpCatalogue()) {
    if (!eveda::testing::WriteFile((dir / (image.name + ".bmp")).string(), image.file)) {
      std::fprintf(stderr, "cannot write %s\n", (dir / image.name).c_str());
      return 1;
    }
    ++written;
  }
  std::printf("%d seed files in %s\n", written, dir.c_str());
  return 0;
}
