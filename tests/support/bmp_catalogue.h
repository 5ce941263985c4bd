#pragma once
// Small BMP files of every variant the loader decodes, each with the colours it must show.
// The loader's tests replay them, the fuzzer starts from them.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace eveda::testing {

struct CatalogueImage {
  std::string name;
  std::vector<std::uint8_t> file;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> expectedRgb;  // 0x00RRGGBB, top row first
};

std::vector<CatalogueImage> BmpCatalogue();

// GoogleTest names a parameterised case by its image.
void PrintTo(const CatalogueImage& image, std::ostream* out);

}  // namespace eveda::testing
