// Each output format's file, read back by its own library, holds the rows given.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/decode.h>

#include <cstdio>
#include <jpeglib.h>

#include "formats/jpeg/jpeg_encoder.h"
#include "formats/tiff/tiff_encoder.h"
#include "formats/webp/webp_encoder.h"
#include "tests/formats/pictures.h"

namespace formats::testing {
namespace {

Bytes SmoothBgr() {
  Bytes bgr;
  for (std::uint32_t y = 0; y < kH; ++y)
    for (std::uint32_t x = 0; x < kW; ++x) bgr.insert(bgr.end(), {Smooth(x, y, 0), Smooth(x, y, 1), Smooth(x, y, 2)});
  return bgr;
}

// The rows in bands of 5, from memory stored bottom-up when asked; the first error.
eveda::Result<void, EncodeError> Encode(const EncoderFactory& factory, int fd, const Bytes& bgr, bool bottomUp = false) {
  EVEDA_TRY(encoder, factory(fd, kW, kH));
  const std::ptrdiff_t rowBytes = kW * 3;
  Bytes memory = bgr;
  if (bottomUp) {
    for (std::uint32_t y = 0; y < kH; ++y) std::copy_n(&bgr[y * rowBytes], rowBytes, &memory[(kH - 1 - y) * rowBytes]);
  }
  for (std::int32_t top = 0; top < std::int32_t(kH); top += 5) {
    const std::int32_t rows = std::min(5, std::int32_t(kH) - top);
    const std::uint8_t* first = bottomUp ? &memory[(kH - 1 - top) * rowBytes] : &memory[top * rowBytes];
    EVEDA_TRY(written, (*encoder)->WriteRows(first, bottomUp ? -rowBytes : rowBytes, rows));
  }
  return (*encoder)->Finish();
}

std::string TempPath() { return ::testing::TempDir() + "/encoded.out"; }

TEST(JpegEncoder, WritesThroughAPipeAtTheQualityAndChromaAskedFor) {
  struct Case { int quality; double minPsnr; int lumaSampling; };
  for (const Case c : {Case{100, 45, 1}, Case{90, 38, 1}, Case{89, 33, 2}, Case{40, 30, 2}}) {
    SCOPED_TRACE(c.quality);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const auto done = Encode(MakeJpegEncoderFactory({c.quality}), pipe[1], SmoothBgr(), c.quality == 89);
    ::close(pipe[1]);
    ASSERT_TRUE(done) << done.error().reason;
    Bytes file(1 << 16);
    file.resize(std::size_t(::read(pipe[0], file.data(), file.size())));
    ::close(pipe[0]);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
    EXPECT_EQ(cinfo.comp_info[0].h_samp_factor, c.lumaSampling);
    EXPECT_EQ(cinfo.comp_info[0].v_samp_factor, c.lumaSampling);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    Bytes rows(kW * kH * 3);
    while (cinfo.output_scanline < kH) {
      JSAMPROW row = &rows[cinfo.output_scanline * kW * 3];
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    EXPECT_GE(Psnr(rows, SmoothBgr()), c.minPsnr);
  }
}

TEST(TiffEncoder, EveryCompressionReadsBackAsTheRowsGiven) {
  struct Case { const char* word; std::uint16_t tag; double minPsnr; };
  for (const Case c : {Case{"none", COMPRESSION_NONE, 0}, Case{"lzw", COMPRESSION_LZW, 0},
                       Case{"deflate", COMPRESSION_ADOBE_DEFLATE, 0}, Case{"jpeg", COMPRESSION_JPEG, 33}}) {
    SCOPED_TRACE(c.word);
    const int fd = ::open(TempPath().c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    const auto done = Encode(MakeTiffEncoderFactory({*ParseTiffCompression(c.word)}), fd, SmoothBgr(), true);
    ::close(fd);
    ASSERT_TRUE(done) << done.error().reason;
    EXPECT_EQ(ReadFile(TempPath())[2], 42);  // classic TIFF, not BigTIFF
    TIFF* tif = TIFFOpen(TempPath().c_str(), "r");
    ASSERT_NE(tif, nullptr);
    std::uint16_t compression = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    EXPECT_EQ(compression, c.tag);
    std::vector<std::uint32_t> raster(kW * kH);
    ASSERT_TRUE(TIFFReadRGBAImageOriented(tif, kW, kH, raster.data(), ORIENTATION_TOPLEFT, 1));
    TIFFClose(tif);
    Bytes rows;
    for (std::uint32_t p : raster) rows.insert(rows.end(), {std::uint8_t(TIFFGetB(p)), std::uint8_t(TIFFGetG(p)), std::uint8_t(TIFFGetR(p))});
    if (c.minPsnr == 0) {
      EXPECT_EQ(rows, SmoothBgr());
    } else {
      EXPECT_GE(Psnr(rows, SmoothBgr()), c.minPsnr);
    }
  }
  EXPECT_FALSE(ParseTiffCompression("zip").has_value());
  EXPECT_TRUE(TiffNeedsBigTiff(40000, 40000));  // 4.8 GB of pixels
  EXPECT_FALSE(TiffNeedsBigTiff(36000, 36000));  // 3.9 GB
}

TEST(WebpEncoder, LosslessIsExactAndLossyWithinTheCodecsError) {
  for (const bool lossless : {true, false}) {
    const int fd = ::open(TempPath().c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    const auto done = Encode(MakeWebpEncoderFactory({lossless, 90}), fd, SmoothBgr(), lossless);
    ::close(fd);
    ASSERT_TRUE(done) << done.error().reason;
    const Bytes file = ReadFile(TempPath());
    int width = 0, height = 0;
    std::uint8_t* decoded = WebPDecodeBGR(file.data(), file.size(), &width, &height);
    ASSERT_NE(decoded, nullptr);
    const Bytes rows(decoded, decoded + width * height * 3);
    WebPFree(decoded);
    EXPECT_EQ(width, int(kW));
    EXPECT_GE(Psnr(rows, SmoothBgr()), lossless ? 99 : 33);
  }
}

TEST(Encoders, RefuseWhatTheFormatCannotHoldAndReportWriteFailures) {
  struct Case { const char* name; EncoderFactory factory; std::int32_t width; const char* words; };
  const int readOnly = ::open("/dev/null", O_RDONLY);
  const Case cases[] = {
      {"jpeg too wide", MakeJpegEncoderFactory({}), 65536, "65535"},
      {"jpeg quality 0", MakeJpegEncoderFactory({0}), kW, "1 to 100"},
      {"webp too wide", MakeWebpEncoderFactory({}), 16384, "16383"},
      {"jpeg to a read-only descriptor", MakeJpegEncoderFactory({}), kW, "Bad file descriptor"},
      {"tiff to a read-only descriptor", MakeTiffEncoderFactory({}), kW, "Bad file descriptor"},
      {"webp to a read-only descriptor", MakeWebpEncoderFactory({}), kW, "Bad file descriptor"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto made = c.factory(readOnly, c.width, kH);
    const auto done = made ? Encode(c.factory, readOnly, SmoothBgr()) : eveda::Result<void, EncodeError>(eveda::Unexpected(made.error()));
    ASSERT_FALSE(done);
    EXPECT_NE(done.error().reason.find(c.words), std::string::npos) << done.error().reason;
  }
  ::close(readOnly);
  auto encoder = MakeJpegEncoderFactory({})(readOnly, kW, kH);
  ASSERT_TRUE(encoder);
  EXPECT_FALSE((*encoder)->WriteRows(SmoothBgr().data(), kW * 3, kH + 1));  // more rows than the image
  EXPECT_FALSE((*encoder)->Finish());  // before the last row
}

}  // namespace
}  // namespace formats::testing
