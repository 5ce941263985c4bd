#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "tests/formats/pictures.h"

namespace formats::testing {

Bytes WriteWebp(const Bytes& pixels, bool alpha, bool lossless) {
  std::uint8_t* out = nullptr;
  const int stride = int(kW) * (alpha ? 4 : 3);
  const std::size_t size =
      alpha ? (lossless ? WebPEncodeLosslessBGRA(pixels.data(), kW, kH, stride, &out)
                        : WebPEncodeBGRA(pixels.data(), kW, kH, stride, 92, &out))
            : (lossless ? WebPEncodeLosslessBGR(pixels.data(), kW, kH, stride, &out)
                        : WebPEncodeBGR(pixels.data(), kW, kH, stride, 92, &out));
  Bytes file(out, out + size);
  WebPFree(out);
  return file;
}

// The first frame, lossless, covers the canvas from frameLeft (even) to its right edge.
Bytes WriteAnimatedWebp(const Bytes& bgra, std::uint32_t frameLeft) {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  options.allow_mixed = 0;
  options.kmin = options.kmax = 0;
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(kW, kH, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  WebPPicture frame;
  WebPPictureInit(&frame);
  frame.width = kW, frame.height = kH, frame.use_argb = 1;
  Bytes shifted(bgra.size(), 0);  // transparent left of frameLeft
  for (std::uint32_t i = 0; i < kW * kH; ++i) {
    if (i % kW >= frameLeft) std::copy_n(&bgra[i * 4], 4, &shifted[i * 4]);
  }
  WebPPictureImportBGRA(&frame, shifted.data(), int(kW) * 4);
  WebPAnimEncoderAdd(encoder, &frame, 0, &config);
  WebPPictureImportBGRA(&frame, bgra.data(), int(kW) * 4);  // a second, different frame
  WebPAnimEncoderAdd(encoder, &frame, 100, &config);
  WebPAnimEncoderAdd(encoder, nullptr, 200, nullptr);
  WebPData data;
  WebPDataInit(&data);
  WebPAnimEncoderAssemble(encoder, &data);
  Bytes file(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  WebPPictureFree(&frame);
  WebPAnimEncoderDelete(encoder);
  return file;
}

Bytes WriteHeif(const Bytes& pixels, bool alpha, bool av1) {
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
  const std::size_t rowBytes = kW * (alpha ? 4 : 3);
  for (std::uint32_t y = 0; y < kH; ++y) std::copy_n(&pixels[y * rowBytes], rowBytes, plane + y * stride);
  heif_context_encode_image(context, image, encoder, nullptr, nullptr);
  Bytes file;
  heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* user) {
                       auto* out = static_cast<Bytes*>(user);
                       out->insert(out->end(), static_cast<const std::uint8_t*>(data),
                                   static_cast<const std::uint8_t*>(data) + size);
                       return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                     }};
  heif_context_write(context, &writer, &file);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return file;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace formats::testing

#include <tiffio.h>
#include <unistd.h>

namespace formats::testing {

Bytes WriteTiff(const TiffSpec& spec, SampleAt sample) {
  const std::string path = ::testing::TempDir() + "/reference.tif";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kW);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kH);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, spec.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spec.samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, spec.photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, spec.compression);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, spec.orientation);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (spec.extra != 0) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &spec.extra);
  if (spec.compression == COMPRESSION_JPEG) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  std::vector<std::uint16_t> map[3];
  for (int c = 0; c < 3 && spec.photometric == PHOTOMETRIC_PALETTE; ++c) {
    for (std::uint32_t i = 0; i < (1u << spec.bits); ++i) map[c].push_back(PaletteColour(i, c) * 257);
  }
  if (spec.photometric == PHOTOMETRIC_PALETTE) TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
  const std::uint32_t band = 16;  // rows per strip, or the tile's sides
  spec.tiled ? (TIFFSetField(tif, TIFFTAG_TILEWIDTH, band), TIFFSetField(tif, TIFFTAG_TILELENGTH, band))
             : TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, band);
  // The picture's rows, packed MSB first, padded to whole tiles where tiled.
  const std::uint32_t width = spec.tiled ? 48 : kW, height = spec.tiled ? 32 : kH;
  const std::size_t rowBytes = (std::size_t(width) * spec.bits * spec.samples + 7) / 8;
  Bytes rows(rowBytes * height);
  for (std::uint32_t y = 0; y < kH; ++y) {
    for (std::uint32_t i = 0; i < kW * spec.samples; ++i) {
      const std::uint32_t v = sample(i / spec.samples, y, int(i % spec.samples));
      std::uint8_t* row = &rows[y * rowBytes];
      if (spec.bits == 16) {
        reinterpret_cast<std::uint16_t*>(row)[i] = std::uint16_t(v);
      } else {
        const std::size_t bit = std::size_t(i) * spec.bits;
        row[bit / 8] |= std::uint8_t(v << (8 - spec.bits - bit % 8));
      }
    }
  }
  for (std::uint32_t top = 0; top < height; top += band) {
    if (!spec.tiled) {
      const std::uint32_t n = std::min(band, kH - top);
      TIFFWriteEncodedStrip(tif, top / band, &rows[top * rowBytes], tmsize_t(n * rowBytes));
      continue;
    }
    const std::size_t tileRowBytes = rowBytes / (width / band);
    for (std::uint32_t left = 0; left < width; left += band) {
      Bytes tile;
      for (std::uint32_t r = 0; r < band; ++r) {
        const std::uint8_t* from = &rows[(top + r) * rowBytes + left / band * tileRowBytes];
        tile.insert(tile.end(), from, from + tileRowBytes);
      }
      TIFFWriteTile(tif, tile.data(), left, top, 0, 0);
    }
  }
  TIFFClose(tif);
  Bytes file = ReadFile(path);
  ::unlink(path.c_str());
  return file;
}

}  // namespace formats::testing

#include <gif_lib.h>

namespace formats::testing {

Bytes WriteGif(const GifKind& kind) {
  Bytes file;
  int error = 0;
  GifFileType* gif = EGifOpen(&file, [](GifFileType* g, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(g->UserData);
    out->insert(out->end(), data, data + n);
    return n;
  }, &error);
  ColorMapObject* map = GifMakeMapObject(16, nullptr);
  for (int i = 0; i < 16; ++i) map->Colors[i] = {PaletteColour(i, 0), PaletteColour(i, 1), PaletteColour(i, 2)};
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
    for (int y = kind.interlaced ? starts[pass] : 0; y < kind.height; y += kind.interlaced ? steps[pass] : 1) {
      std::vector<GifPixelType> line;
      for (int x = 0; x < kind.width; ++x) line.push_back(GifPixelType(IndexAt(x, y)));
      EGifPutLine(gif, line.data(), kind.width);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return file;
}

}  // namespace formats::testing
