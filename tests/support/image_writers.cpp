#include "tests/support/image_writers.h"

#include <png.h>
// jpeglib.h needs the definitions of <cstdio> first.
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <stdexcept>

namespace eveda::testing {
namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

int ChannelsOf(int colourType) {
  switch (colourType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

// A row as the file stores it: samples packed big-endian at the bit depth.
std::vector<png_byte> PackRow(const PngSpec& spec, std::uint32_t y) {
  const std::size_t perRow = std::size_t{spec.width} * ChannelsOf(spec.colourType);
  std::vector<png_byte> row((perRow * spec.bitDepth + 7) / 8);
  for (std::size_t i = 0; i < perRow; ++i) {
    const std::uint16_t v = spec.samples[y * perRow + i];
    if (spec.bitDepth == 16) {
      row[2 * i] = static_cast<png_byte>(v >> 8);
      row[2 * i + 1] = static_cast<png_byte>(v);
    } else {
      const std::size_t bit = i * spec.bitDepth;
      row[bit / 8] |= static_cast<png_byte>(v << (8 - spec.bitDepth - bit % 8));
    }
  }
  return row;
}

}  // namespace

std::vector<std::uint8_t> WritePng(const PngSpec& spec) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test image");
  }
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_compression_level(png, spec.level);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) {
    std::vector<png_color> colours(spec.palette.size() / 3);
    for (std::size_t i = 0; i < colours.size(); ++i)
      colours[i] = {spec.palette[3 * i], spec.palette[3 * i + 1], spec.palette[3 * i + 2]};
    png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
  }
  if (!spec.paletteAlpha.empty()) {
    png_set_tRNS(png, info, spec.paletteAlpha.data(), static_cast<int>(spec.paletteAlpha.size()),
                 nullptr);
  } else if (!spec.transparentKey.empty()) {
    png_color_16 key{};
    if (spec.transparentKey.size() == 1) {
      key.gray = spec.transparentKey[0];
    } else {
      key.red = spec.transparentKey[0], key.green = spec.transparentKey[1];
      key.blue = spec.transparentKey[2];
    }
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  if (!spec.exif.empty())
    png_set_eXIf_1(png, info, static_cast<png_uint_32>(spec.exif.size()),
                   const_cast<png_bytep>(spec.exif.data()));
  png_write_info(png, info);
  std::vector<std::vector<png_byte>> rows;
  for (std::uint32_t y = 0; y < spec.height; ++y) rows.push_back(PackRow(spec, y));
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool WriteZeroPngFile(const std::string& path, std::uint32_t width, std::uint32_t height) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  const std::vector<png_byte> row(width, 0);
  volatile bool written = false;  // set after the last call that may jump back
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::uint32_t y = 0; y < height; ++y) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && written;
}

std::vector<std::uint8_t> ExifOrientation(std::uint16_t value) {
  // Byte order, 42, the directory at 8; one entry: tag 0x0112, SHORT, count 1, the value.
  // clang-format off
  return {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
          std::uint8_t(value), std::uint8_t(value >> 8), 0, 0, 0, 0, 0, 0};
  // clang-format on
}

std::vector<std::uint8_t> WriteJpeg(const JpegSpec& spec) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = spec.width;
  cinfo.image_height = spec.height;
  const bool cmyk = spec.kind == JpegKind::Cmyk || spec.kind == JpegKind::Ycck;
  cinfo.input_components = spec.kind == JpegKind::Grey ? 1 : cmyk ? 4 : 3;
  cinfo.in_color_space = spec.kind == JpegKind::Grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (spec.kind == JpegKind::Ycck) jpeg_set_colorspace(&cinfo, JCS_YCCK);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = spec.arithmetic ? TRUE : FALSE;
  cinfo.restart_interval = static_cast<unsigned int>(spec.restartInterval);
  if (spec.hSampling > 0) {
    cinfo.comp_info[0].h_samp_factor = spec.hSampling;
    cinfo.comp_info[0].v_samp_factor = spec.vSampling;
    for (int c = 1; c < cinfo.num_components; ++c)
      cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&cinfo, TRUE);
  if (!spec.exif.empty()) {
    std::vector<std::uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), spec.exif.begin(), spec.exif.end());
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), static_cast<unsigned int>(app1.size()));
  }
  const std::size_t rowBytes = std::size_t{spec.width} * cinfo.input_components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(spec.samples.data() + cinfo.next_scanline * rowBytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

std::vector<std::uint8_t> PhotoLikeSamples(std::uint32_t width, std::uint32_t height,
                                           int channels, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-6, 6);
  std::vector<std::uint8_t> samples(std::size_t{width} * height * channels);
  std::size_t i = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        // A triangle wave: no jump from 255 back to 0, as a photograph has none.
        const int t = static_cast<int>((x * (c + 1) * 255 / (width + 1) +
                                        y * (3 - c % 3) * 255 / (height + 1) + seed * 37) %
                                       510);
        const int base = t > 255 ? 510 - t : t;
        samples[i++] = static_cast<std::uint8_t>(std::clamp(base + noise(random), 0, 255));
      }
    }
  }
  return samples;
}

}  // namespace eveda::testing
