#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"
#include "tests/support/temp_dir.h"

namespace eveda::testing {

// A copy of a canvas's pixel memory while its section is alive; nothing for a released or
// hand-made canvas, whose memory must never be read.
inline std::optional<std::vector<std::uint8_t>> CanvasBits(const DSMod::Canvas& canvas) {
  const std::uint8_t* pixels = DSMod::detail::LivePixels(canvas);
  if (pixels == nullptr) return std::nullopt;
  return std::vector<std::uint8_t>(
      pixels, pixels + std::size_t(canvas.Stride) * std::size_t(canvas.Height));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
         (std::uint32_t{bytes[offset + 3]} << 24);
}

inline std::uint16_t U16At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

}  // namespace eveda::testing
