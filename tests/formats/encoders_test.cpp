// Each output format's file, read back by its own library, holds the rows given.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>  // before jpeglib.h, which needs FILE

#include <jpeglib.h>

#include "formats/jpeg/jpeg_encoder.h"
#include "formats/tiff/tiff_decoder.h"
#include "formats/tiff/tiff_encoder.h"
#include "formats/webp/webp_decoder.h"
#include "formats/webp/webp_encoder.h"
#include "tests/formats/reference_pictures.h"

namespace formats::testing {
namespace {

const Bytes kBgr = Picture(SmoothPixel, false);

// The rows in bands of 5, from memory stored bottom-up when asked; the first error.
eveda::Result<void, EncodeError> Encode(const EncoderFactory& factory, int fd, bool bottomUp) {
  EVEDA_TRY(encoder, factory(fd, kW, kH));
  const std::ptrdiff_t rowBytes = kW * 3;
  Bytes memory(kBgr.size());
  for (std::uint32_t y = 0; y < kH; ++y)
    std::copy_n(&kBgr[y * rowBytes], rowBytes, &memory[(bottomUp ? kH - 1 - y : y) * rowBytes]);
  for (std::int32_t top = 0; top < std::int32_t(kH); top += 5) {
    const std::uint8_t* first = &memory[std::size_t(bottomUp ? kH - 1 - top : top) * rowBytes];
    EVEDA_TRY(written, (*encoder)->WriteRows(first, bottomUp ? -rowBytes : rowBytes,
                                             std::min(5, std::int32_t(kH) - top)));
  }
  return (*encoder)->Finish();
}

// Each reader gives the rows as B,G,R and one fact of the file's header.
struct Decoded {
  Bytes rows;
  int fact = 0;
};

Decoded ReadJpeg(const Bytes& file) {  // the fact: luma's sampling factor, 1 or 2 both ways
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_read_header(&cinfo, TRUE);
  Decoded out{Bytes(kW * kH * 3),
              cinfo.comp_info[0].h_samp_factor * 10 + cinfo.comp_info[0].v_samp_factor};
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  for (JSAMPROW row = out.rows.data(); cinfo.output_scanline < kH; row += kW * 3)
    jpeg_read_scanlines(&cinfo, &row, 1);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

const std::string kPath = ::testing::TempDir() + "/encoded.out";

// TIFF and WebP come back through this module's decoders, which their own libraries' files
// test; the fact: whether the file is smaller than its pixels, so compressed.
template <auto Open>
Decoded ReadBack(const Bytes& file) {
  MemoryInput input(file);
  auto stream = Open(input, {});
  auto rows = stream ? ReadAll(**stream) : eveda::Unexpected(stream.error());
  return {rows ? *rows : Bytes{}, file.size() < kBgr.size()};
}

TEST(Encoders, TheirFilesReadBackAsTheRowsGiven) {
  struct Case {
    const char* name;
    EncoderFactory factory;
    bool pipe;
    Decoded (*read)(const Bytes&);
    double minPsnr;
    int fact;
  };
  const auto tiff = [](const char* word) {
    return MakeTiffEncoderFactory({*ParseTiffCompression(word)});
  };
  // clang-format off
  const Case cases[] = {
      {"jpeg 90: full chroma", MakeJpegEncoderFactory({90}), true, ReadJpeg, 38, 11},
      {"jpeg 89: halved chroma", MakeJpegEncoderFactory({89}), true, ReadJpeg, 33, 22},
      {"jpeg 40", MakeJpegEncoderFactory({40}), true, ReadJpeg, 30, 22},
      {"tiff none", tiff("none"), false, ReadBack<OpenTiff>, 0, false},
      {"tiff lzw", tiff("lzw"), false, ReadBack<OpenTiff>, 0, true},
      {"tiff deflate", MakeTiffEncoderFactory({}), false, ReadBack<OpenTiff>, 0, true},
      {"tiff jpeg", tiff("jpeg"), false, ReadBack<OpenTiff>, 33, true},
      {"webp lossless", MakeWebpEncoderFactory({true, 90}), true, ReadBack<OpenWebp>, 0, true},
      {"webp lossy", MakeWebpEncoderFactory({false, 90}), true, ReadBack<OpenWebp>, 33, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    for (const bool bottomUp : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (bottomUp ? " bottom-up" : ""));
      int fds[2];  // a pipe holds 64 KiB: enough for these files without a reader
      ASSERT_TRUE(!c.pipe || ::pipe(fds) == 0);
      if (!c.pipe) fds[0] = fds[1] = ::open(kPath.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
      const auto done = Encode(c.factory, fds[1], bottomUp);
      ::close(fds[1]);
      ASSERT_TRUE(done) << done.error().reason;
      const Decoded decoded =
          c.read(ReadFile(c.pipe ? "/dev/fd/" + std::to_string(fds[0]) : kPath));
      if (c.pipe) ::close(fds[0]);
      EXPECT_EQ(decoded.fact, c.fact);
      EXPECT_GE(Psnr(decoded.rows, kBgr), c.minPsnr == 0 ? 99 : c.minPsnr);  // 99: the same rows
    }
  }
  // What a descriptor cannot take is reported.
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  const int readOnly = ::open("/dev/null", O_RDONLY);
  const std::pair<std::string, std::string> failures[] = {
      {MakeTiffEncoderFactory({})(pipe[1], kW, kH).error().reason, "not a pipe"},
      {Encode(MakeJpegEncoderFactory({}), readOnly, false).error().reason, "Bad file descriptor"},
      {Encode(MakeWebpEncoderFactory({}), readOnly, false).error().reason, "Bad file descriptor"},
  };
  for (const auto& [words, expected] : failures)
    EXPECT_NE(words.find(expected), std::string::npos) << words;
  ::close(readOnly), ::close(pipe[0]), ::close(pipe[1]);
}

}  // namespace
}  // namespace formats::testing
