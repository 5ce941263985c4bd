#pragma once
// Reference pictures, written by each format's own library (whose headers come with these), and
// what a stream of them yields.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/encode.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/row_stream.h"

namespace formats::testing {

using Bytes = std::vector<std::uint8_t>;
inline constexpr std::uint32_t kW = 37, kH = 21;  // odd sizes: partial tiles, odd chroma

// Channel c (B, G, R) of a smooth picture, which lossy codecs keep well.
inline std::uint8_t Smooth(std::uint32_t x, std::uint32_t y, int c) {
  return std::uint8_t(40 + c * 50 + x * 2 + y * 2);
}
// Straight alpha of 255, 51 or 0, and colours (multiples of 5; 0 where alpha is) that survive
// libtiff's premultiplying exactly.
inline std::uint8_t AlphaAt(std::uint32_t x, std::uint32_t y) {
  return std::uint8_t("\xff\x33\x00"[(x + y) % 3]);
}
inline std::uint8_t FivesAt(std::uint32_t x, std::uint32_t y, int c) {
  return AlphaAt(x, y) ? std::uint8_t(5 * ((x * 7 + y * 3 + c * 13) % 52)) : 0;
}
inline std::uint8_t PaletteColour(std::uint32_t i, int c) { return std::uint8_t(i * (3 + 2 * c)); }
inline int IndexAt(int x, int y) { return (x * 3 + y * 5) % 16; }

using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A
using Expected = Pixel (*)(std::uint32_t x, std::uint32_t y);

inline Bytes Picture(Expected at, bool alpha) {  // kW x kH of them, packed
  Bytes out;
  for (std::uint32_t i = 0, n = alpha ? 4 : 3; i < kW * kH * n; ++i)
    out.push_back(at(i / n % kW, i / n / kW)[i % n]);
  return out;
}
inline Pixel SmoothPixel(std::uint32_t x, std::uint32_t y) {
  return {Smooth(x, y, 0), Smooth(x, y, 1), Smooth(x, y, 2), 255};
}

// Every row of the stream, packed, read in two bands of different sizes.
inline eveda::Result<Bytes, SourceError> ReadAll(RowStream& stream) {
  const StreamInfo& info = stream.Info();
  const std::size_t rowBytes = std::size_t(info.width) * (info.pixels == Pixels::Bgra ? 4 : 3);
  const std::uint32_t first = info.height / 3;
  Bytes rows(rowBytes * info.height);
  EVEDA_TRY(top, stream.Read(rows.data(), std::ptrdiff_t(rowBytes), first));
  EVEDA_TRY(rest,
            stream.Read(&rows[first * rowBytes], std::ptrdiff_t(rowBytes), info.height - first));
  return rows;
}

// 99 for the same bytes; no two differing pictures of our size come near it.
inline double Psnr(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return sum == 0 ? 99 : 10 * std::log10(65025.0 * double(a.size()) / sum);
}

// A TIFF of kW x kH by libtiff, in strips or tiles of 16: `sample(x, y, s)` is sample s. `extra`
// says what the last sample is (EXTRASAMPLE_*ALPHA); an orientation other than 1 brings the ICC
// profile "icc!".
struct TiffSpec {
  std::uint16_t bits, samples, photometric, compression, extra = 0;
  bool tiled = false;
  std::uint16_t orientation = 1;
};
using SampleAt = std::uint32_t (*)(std::uint32_t x, std::uint32_t y, int s);
// A GIF by giflib: 16 colours (PaletteColour), a frame of IndexAt at (left, top) on kW x kH.
struct GifKind {
  const char* name;
  int left, top, width, height, transparent;
  bool interlaced;
};

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline Bytes WriteWebp(const Bytes& pixels, bool alpha, bool lossless, std::uint32_t width = kW) {
  std::uint8_t* out = nullptr;
  const int w = int(width), stride = w * (alpha ? 4 : 3);
  const std::size_t size =
      alpha ? (lossless ? WebPEncodeLosslessBGRA(pixels.data(), w, kH, stride, &out)
                        : WebPEncodeBGRA(pixels.data(), w, kH, stride, 92, &out))
            : (lossless ? WebPEncodeLosslessBGR(pixels.data(), w, kH, stride, &out)
                        : WebPEncodeBGR(pixels.data(), w, kH, stride, 92, &out));
  Bytes file(out, out + size);
  WebPFree(out);
  return file;
}

// With the ICC profile "icc!"; empty where libheif has no encoder.
inline Bytes WriteHeif(const Bytes& bgr, bool alpha, bool av1) {
  const auto format = av1 ? heif_compression_AV1 : heif_compression_HEVC;
  if (!heif_have_encoder_for_format(format)) return {};
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_context_get_encoder_for_format(context, format, &encoder);
  heif_encoder_set_lossy_quality(encoder, 95);
  heif_image* image = nullptr;
  heif_image_create(kW, kH, heif_colorspace_RGB,
                    alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, kW, kH, 8);
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  const std::uint32_t channels = alpha ? 4 : 3;
  for (std::uint32_t i = 0, c = 0; i < kW * kH * channels; c = ++i % channels) {  // B,G,R to R,G,B
    plane[i / (kW * channels) * std::uint32_t(stride) + i % (kW * channels)] =
        bgr[c < 3 ? i - c + 2 - c : i];
  }
  heif_image_set_raw_color_profile(image, "prof", "icc!", 4);
  heif_context_encode_image(context, image, encoder, nullptr, nullptr);
  const std::string path = ::testing::TempDir() + "/reference.heif";
  heif_context_write_to_file(context, path.c_str());
  const Bytes file = ReadFile(path);
  ::unlink(path.c_str());
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return file;
}

inline Bytes WriteTiff(const TiffSpec& spec, SampleAt sample) {
  const std::string path = ::testing::TempDir() + "/reference.tif";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  const std::uint32_t band = 16, width = spec.tiled ? 48 : kW,
                      height = spec.tiled ? 32 : kH;  // tiles padded
  const std::pair<ttag_t, std::uint32_t> tags[] = {
      {TIFFTAG_IMAGEWIDTH, kW},
      {TIFFTAG_IMAGELENGTH, kH},
      {TIFFTAG_BITSPERSAMPLE, spec.bits},
      {TIFFTAG_SAMPLESPERPIXEL, spec.samples},
      {TIFFTAG_PHOTOMETRIC, spec.photometric},
      {TIFFTAG_COMPRESSION, spec.compression},
      {TIFFTAG_ORIENTATION, spec.orientation},
      {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG},
      {spec.tiled ? TIFFTAG_TILEWIDTH : TIFFTAG_ROWSPERSTRIP, band},
      {spec.tiled ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP, band}};
  for (const auto& [tag, value] : tags) TIFFSetField(tif, tag, value);
  if (spec.extra != 0) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &spec.extra);
  if (spec.orientation != 1) TIFFSetField(tif, TIFFTAG_ICCPROFILE, 4, "icc!");
  if (spec.compression == COMPRESSION_JPEG)
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  std::vector<std::uint16_t> map[3];
  for (std::uint32_t i = 0; i < (1u << spec.bits) * 3 && spec.photometric == PHOTOMETRIC_PALETTE;
       ++i)
    map[i % 3].push_back(PaletteColour(i / 3, int(i % 3)) * 257);
  if (spec.photometric == PHOTOMETRIC_PALETTE)
    TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
  const std::size_t rowBytes = (std::size_t(width) * spec.bits * spec.samples + 7) / 8,
                    tileRowBytes = rowBytes * band / width;
  Bytes rows(rowBytes * height);  // packed, the first sample in the high bits
  for (std::uint32_t i = 0; i < kW * kH * spec.samples; ++i) {
    const std::uint32_t x = i / spec.samples % kW, y = i / spec.samples / kW, s = i % spec.samples,
                        v = sample(x, y, int(s));
    const std::size_t bit = (std::size_t(x) * spec.samples + s) * spec.bits;
    if (spec.bits == 16)
      reinterpret_cast<std::uint16_t*>(&rows[y * rowBytes])[bit / 16] = std::uint16_t(v);
    else
      rows[y * rowBytes + bit / 8] |= std::uint8_t(v << (8 - spec.bits - bit % 8));
  }
  for (std::uint32_t top = 0; top < height; top += band) {
    if (!spec.tiled)
      TIFFWriteEncodedStrip(tif, top / band, &rows[top * rowBytes],
                            tmsize_t(std::min(band, kH - top) * rowBytes));
    for (std::uint32_t left = 0; left < width && spec.tiled; left += band) {
      Bytes tile;
      for (std::uint32_t r = 0; r < band; ++r) {
        const auto from =
            rows.begin() + std::ptrdiff_t((top + r) * rowBytes + left / band * tileRowBytes);
        tile.insert(tile.end(), from, from + std::ptrdiff_t(tileRowBytes));
      }
      TIFFWriteTile(tif, tile.data(), left, top, 0, 0);
    }
  }
  TIFFClose(tif);
  Bytes file = ReadFile(path);
  ::unlink(path.c_str());
  return file;
}

inline Bytes WriteGif(const GifKind& kind) {
  const std::string path = ::testing::TempDir() + "/reference.gif";
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  ColorMapObject* map = GifMakeMapObject(16, nullptr);
  for (int i = 0; i < 16; ++i)
    map->Colors[i] = {PaletteColour(i, 0), PaletteColour(i, 1), PaletteColour(i, 2)};
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, kW, kH, 8, 0, map);
  GraphicsControlBlock control{0, false, 0, kind.transparent};
  GifByteType extension[4];
  EGifGCBToExtension(&control, extension);
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
  EGifPutImageDesc(gif, kind.left, kind.top, kind.width, kind.height, kind.interlaced, nullptr);
  // giflib writes lines in the order given: an interlaced frame's passes are ours to order.
  const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
  for (int pass = 0; pass < (kind.interlaced ? 4 : 1); ++pass) {
    for (int y = kind.interlaced ? starts[pass] : 0; y < kind.height;
         y += kind.interlaced ? steps[pass] : 1) {
      std::vector<GifPixelType> line;
      for (int x = 0; x < kind.width; ++x) line.push_back(GifPixelType(IndexAt(x, y)));
      EGifPutLine(gif, line.data(), kind.width);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  const Bytes file = ReadFile(path);
  ::unlink(path.c_str());
  return file;
}

}  // namespace formats::testing
