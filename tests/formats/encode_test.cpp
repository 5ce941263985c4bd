// Each output format's file, read back by its own library, holds the rows given.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <webp/decode.h>

#include <cstdio>
#include <jpeglib.h>

#include "formats/jpeg/jpeg_encoder.h"
#include "formats/tiff/tiff_encoder.h"
#include "formats/webp/webp_encoder.h"
#include "tests/formats/pictures.h"

namespace formats::testing {
namespace {

const Bytes kBgr = Picture(SmoothPixel, false);

// The rows in bands of 5, from memory stored bottom-up when asked; the first error.
eveda::Result<void, EncodeError> Encode(const EncoderFactory& factory, int fd, bool bottomUp) {
  EVEDA_TRY(encoder, factory(fd, kW, kH));
  const std::ptrdiff_t rowBytes = kW * 3;
  Bytes memory(kBgr.size());
  for (std::uint32_t y = 0; y < kH; ++y) std::copy_n(&kBgr[y * rowBytes], rowBytes, &memory[(bottomUp ? kH - 1 - y : y) * rowBytes]);
  for (std::int32_t top = 0; top < std::int32_t(kH); top += 5) {
    const std::uint8_t* first = &memory[std::size_t(bottomUp ? kH - 1 - top : top) * rowBytes];
    EVEDA_TRY(written, (*encoder)->WriteRows(first, bottomUp ? -rowBytes : rowBytes, std::min(5, std::int32_t(kH) - top)));
  }
  return (*encoder)->Finish();
}

// Each reader gives the rows as B,G,R and one fact of the file's header.
struct Decoded { Bytes rows; int fact = 0; };

Decoded ReadJpeg(const Bytes& file) {  // the fact: luma's sampling factor, 1 or 2 both ways
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_read_header(&cinfo, TRUE);
  Decoded out{Bytes(kW * kH * 3), cinfo.comp_info[0].h_samp_factor * 10 + cinfo.comp_info[0].v_samp_factor};
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  for (JSAMPROW row = out.rows.data(); cinfo.output_scanline < kH; row += kW * 3) jpeg_read_scanlines(&cinfo, &row, 1);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

const std::string kPath = ::testing::TempDir() + "/encoded.out";

Decoded ReadTiff(const Bytes& file) {  // the fact: the compression tag, negative for BigTIFF
  TIFF* tif = TIFFOpen(kPath.c_str(), "r");
  if (tif == nullptr) return {};
  std::uint16_t compression = 0;
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  std::vector<std::uint32_t> raster(kW * kH);
  TIFFReadRGBAImageOriented(tif, kW, kH, raster.data(), ORIENTATION_TOPLEFT, 1);
  TIFFClose(tif);
  Decoded out{{}, file[2] == 43 ? -compression : compression};
  for (std::uint32_t p : raster) out.rows.insert(out.rows.end(), {std::uint8_t(TIFFGetB(p)), std::uint8_t(TIFFGetG(p)), std::uint8_t(TIFFGetR(p))});
  return out;
}

Decoded ReadWebp(const Bytes& file) {  // the fact: whether VP8L (lossless) holds the picture
  int width = 0, height = 0;
  std::uint8_t* rows = WebPDecodeBGR(file.data(), file.size(), &width, &height);
  Decoded out{Bytes(rows, rows + (rows ? width * height * 3 : 0)), file.size() > 16 && file[15] == 'L'};
  WebPFree(rows);
  return out;
}

TEST(Encoders, TheirFilesReadBackAsTheRowsGiven) {
  struct Case { const char* name; EncoderFactory factory; bool pipe; Decoded (*read)(const Bytes&); double minPsnr; int fact; };
  const Case cases[] = {
      {"jpeg 90: full chroma", MakeJpegEncoderFactory({90}), true, ReadJpeg, 38, 11},
      {"jpeg 89: halved chroma", MakeJpegEncoderFactory({89}), true, ReadJpeg, 33, 22},
      {"jpeg 40", MakeJpegEncoderFactory({40}), true, ReadJpeg, 30, 22},
      {"tiff none", MakeTiffEncoderFactory({*ParseTiffCompression("none")}), false, ReadTiff, 0, COMPRESSION_NONE},
      {"tiff lzw", MakeTiffEncoderFactory({*ParseTiffCompression("lzw")}), false, ReadTiff, 0, COMPRESSION_LZW},
      {"tiff deflate", MakeTiffEncoderFactory({}), false, ReadTiff, 0, COMPRESSION_ADOBE_DEFLATE},
      {"tiff jpeg", MakeTiffEncoderFactory({*ParseTiffCompression("jpeg")}), false, ReadTiff, 33, COMPRESSION_JPEG},
      {"webp lossless", MakeWebpEncoderFactory({true, 90}), true, ReadWebp, 0, 1},
      {"webp lossy", MakeWebpEncoderFactory({false, 90}), true, ReadWebp, 33, 0},
  };
  for (const Case& c : cases) {
    for (const bool bottomUp : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (bottomUp ? " bottom-up" : ""));
      int fds[2];  // a pipe holds 64 KiB: enough for these files without a reader
      ASSERT_EQ(c.pipe ? ::pipe(fds) : (fds[0] = fds[1] = ::open(kPath.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600)) < 0, 0);
      const auto done = Encode(c.factory, fds[1], bottomUp);
      ::close(fds[1]);
      ASSERT_TRUE(done) << done.error().reason;
      const Bytes file = ReadFile(c.pipe ? "/dev/fd/" + std::to_string(fds[0]) : kPath);
      if (c.pipe) ::close(fds[0]);
      const Decoded decoded = c.read(file);
      EXPECT_EQ(decoded.fact, c.fact);
      EXPECT_TRUE(c.minPsnr == 0 ? decoded.rows == kBgr : Psnr(decoded.rows, kBgr) >= c.minPsnr) << Psnr(decoded.rows, kBgr);
    }
  }
  EXPECT_FALSE(ParseTiffCompression("zip").has_value());
  EXPECT_TRUE(TiffNeedsBigTiff(40000, 40000));   // 4.8 GB of pixels
  EXPECT_FALSE(TiffNeedsBigTiff(36000, 36000));  // 3.9 GB
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
    const std::string words = !made ? made.error().reason : Encode(c.factory, readOnly, false).error().reason;
    EXPECT_NE(words.find(c.words), std::string::npos) << words;
  }
  ::close(readOnly);
  auto encoder = MakeJpegEncoderFactory({})(readOnly, kW, kH);  // more rows than the image has, then too few
  EXPECT_TRUE(encoder && !(*encoder)->WriteRows(kBgr.data(), kW * 3, kH + 1) && !(*encoder)->Finish());
}

}  // namespace
}  // namespace formats::testing
