// eveda-batch beyond BMP: PNG and JPEG sources, PNG output, the contain fit, and hostile PNG and
// JPEG files, run in-process as in batch_run_test.cpp.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch_run.h"
#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
#include "formats/tiff/tiff_decoder.h"
#include "formats/webp/webp_decoder.h"
#include "tests/app/batch_test_support.h"
#include "tests/support/image_writers.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

std::string AsText(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// A width x height RGB PNG of one colour.
std::string SolidPng(std::uint32_t width, std::uint32_t height, Rgb colour) {
  PngSpec spec{.width = width, .height = height};
  for (std::uint32_t i = 0; i < width * height; ++i)
    spec.samples.insert(spec.samples.end(), {static_cast<std::uint16_t>(colour >> 16),
                                             static_cast<std::uint16_t>((colour >> 8) & 0xFF),
                                             static_cast<std::uint16_t>(colour & 0xFF)});
  return AsText(WritePng(spec));
}

std::string PhotoJpeg(std::uint32_t width, std::uint32_t height, bool progressive) {
  JpegSpec spec{.width = width, .height = height, .progressive = progressive};
  spec.samples = PhotoLikeSamples(width, height, 3, width);
  return AsText(WriteJpeg(spec));
}

std::string PhotoPng(std::uint32_t width, std::uint32_t height, bool interlaced) {
  PngSpec spec{.width = width, .height = height, .interlaced = interlaced};
  for (const std::uint8_t v : PhotoLikeSamples(width, height, 3, height)) spec.samples.push_back(v);
  return AsText(WritePng(spec));
}

struct Rect {
  int x, y, w, h;
};

// Every corner of `r` is `colour`, and the pixels just outside it are `background`.
void ExpectRect(const WrittenBmp& out, Rect r, Rgb colour, Rgb background, const char* what) {
  for (const auto& [x, y] : std::array<std::pair<int, int>, 4>{{{r.x, r.y},
                                                                {r.x + r.w - 1, r.y},
                                                                {r.x, r.y + r.h - 1},
                                                                {r.x + r.w - 1, r.y + r.h - 1}}})
    EXPECT_EQ(out.Pixel(x, y), colour) << what << " at " << x << "," << y;
  for (const auto& [x, y] : std::array<std::pair<int, int>, 4>{{{r.x - 1, r.y},
                                                                {r.x + r.w, r.y + r.h - 1},
                                                                {r.x, r.y - 1},
                                                                {r.x + r.w - 1, r.y + r.h}}})
    EXPECT_EQ(out.Pixel(x, y), background) << what << " beside, at " << x << "," << y;
}

// A wide PNG, a tall PNG and a small square BMP in 100 x 50 cells, spacing 3, wrap 2: each
// scaled to touch its cell on two sides and centred, in every arrangement order.
TEST(BatchFormats, ContainFitsWideTallAndSquareSourcesInEveryOrder) {
  TempDir dir;
  dir.WriteFile("a.png", SolidPng(300, 40, 0xFF0000));
  dir.WriteFile("b.png", SolidPng(50, 120, 0x00FF00));
  WriteSolid(dir, "c.bmp", 10, 10, 0x0000FF);
  struct Case {
    const char* order;
    Rect wide, tall, square;
  };
  const Case cases[] = {
      {"rows", {3, 22, 100, 13}, {146, 3, 21, 50}, {28, 56, 50, 50}},
      {"columns", {3, 22, 100, 13}, {42, 56, 21, 50}, {131, 3, 50, 50}},
      {"columns-rtl", {106, 22, 100, 13}, {146, 56, 21, 50}, {28, 3, 50, 50}},
  };
  const TempDir outputs;  // not in the folder, so no output becomes the next order's source
  for (const Case& c : cases) {
    SCOPED_TRACE(c.order);
    const std::string output = outputs.PathOf(std::string(c.order) + ".bmp");
    const BatchResult r = RunBatchWith({"-i", "*.png",   "-i", "*.BMP",  "-W", "100",  "-H",
                                        "50", "-s",      "3",  "-w",     "2",  "-a",   c.order,
                                        "-f", "contain", "-b", "808080", "-o", output, dir.Path()});
    ASSERT_EQ(r.status, app::kExitWritten) << r.err;
    EXPECT_EQ(r.out, output + " 209x109\n");
    const WrittenBmp out = ReadWritten(output);
    ExpectRect(out, c.wide, 0xFF0000, 0x808080, "wide");
    ExpectRect(out, c.tall, 0x00FF00, 0x808080, "tall");
    ExpectRect(out, c.square, 0x0000FF, 0x808080, "square");
  }
  EXPECT_EQ(RunBatchWith({"-i", "*.png", "-f", "3", "-o", dir.PathOf("x.bmp"), dir.Path()}).status,
            app::kExitWritten);
}

// An output's pixels as B, G, R, top row first, read back through the decoder of its format.
std::vector<std::uint8_t> ReadBack(const std::string& path, std::string_view format) {
  const std::vector<std::uint8_t> file = ReadBytes(path);
  formats::DecodedImage image;
  if (format == "png" || format == "jpeg") {
    const auto decoded =
        format == "png" ? formats::DecodePng(file, 0, image) : formats::DecodeJpeg(file, image);
    EXPECT_TRUE(decoded) << decoded.error().detail;
    std::vector<std::uint8_t> rows;
    for (std::uint32_t y = 0; decoded && y < image.height; ++y)
      rows.insert(rows.end(), image.Row(y), image.Row(y) + 3 * image.width);
    return rows;
  }
  const formats::MemoryInput input(file);
  auto stream = format == "tiff" ? formats::OpenTiff(input, {}) : formats::OpenWebp(input, {});
  EXPECT_TRUE(stream) << stream.error().detail;
  if (!stream) return {};
  const formats::StreamInfo info = (*stream)->Info();
  const std::size_t size = info.pixels == formats::Pixels::Bgra ? 4 : 3;
  std::vector<std::uint8_t> pixels(info.width * info.height * size), rows;
  EXPECT_TRUE((*stream)->Read(pixels.data(), std::ptrdiff_t(info.width * size), info.height));
  for (std::size_t i = 0; i < pixels.size(); i += size)
    rows.insert(rows.end(), &pixels[i], &pixels[i] + 3);
  return rows;
}

double Psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return a.size() != b.size() || a.empty() ? 0
         : sum == 0                        ? 99
                                           : 10 * std::log10(65025.0 * double(a.size()) / sum);
}

// The same job written as BMP and in every other format: the lossless ones hold exactly the
// BMP's pixels, the lossy ones come within their codec's error. The sources are of every kind
// the job reads, in bands of rows (-a rows).
TEST(BatchFormats, EveryOutputHoldsTheBmpOutputsPixels) {
  TempDir dir;
  dir.WriteFile("a.png", PhotoPng(70, 50, false));
  dir.WriteFile("b.PNG", PhotoPng(64, 64, true));
  dir.WriteFile("c.jpg", PhotoJpeg(80, 45, false));
  dir.WriteFile("d.jpeg", PhotoJpeg(33, 70, true));
  WritePattern(dir, "e.bmp", 60, 60);
  TempDir out;
  const std::vector<std::string> job = {"-i",    "*.png",  "-i",      "*.jp*g", "-i",
                                        "*.bmp", "-s",     "2",       "-f",     "contain",
                                        "-b",    "102030", dir.Path()};
  auto with = [&](std::vector<std::string> extra) {
    extra.insert(extra.end(), job.begin(), job.end());
    return RunBatchWith(extra);
  };
  const BatchResult bmp = with({"-o", out.PathOf("joined.bmp")});
  ASSERT_EQ(bmp.status, app::kExitWritten) << bmp.err;
  const WrittenBmp expected = ReadWritten(out.PathOf("joined.bmp"));
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      const Rgb rgb = expected.Pixel(x, y);
      pixels.insert(pixels.end(),
                    {std::uint8_t(rgb), std::uint8_t(rgb >> 8), std::uint8_t(rgb >> 16)});
    }
  }
  struct Case {
    const char* name;
    std::vector<std::string> options;
    std::string_view format;
    double minPsnr;  // 99: exactly the same pixels; halved chroma costs most at the cells' edges
  };
  const Case cases[] = {
      {"j0.Png", {"-z", "0"}, "png", 99},
      {"j6.png", {}, "png", 99},
      {"j9.png", {"-z", "9"}, "png", 99},
      {"j.tif", {}, "tiff", 99},
      {"j-none.TIFF", {"--tiff-compression", "none"}, "tiff", 99},
      {"j-lzw.tiff", {"--tiff-compression=lzw"}, "tiff", 99},
      {"j-jpeg.tif", {"--tiff-compression", "jpeg"}, "tiff", 32},
      {"j-lossless.webp", {"--lossless"}, "webp", 99},
      {"j.WebP", {}, "webp", 32},
      {"j.jpg", {}, "jpeg", 38},
      {"j420.jpeg", {"--subsample", "420"}, "jpeg", 32},
      {"j-q50.JPG", {"-Q", "50"}, "jpeg", 29},
      {"j-tiff", {"-O", "tiff"}, "tiff", 99},
  };
  std::vector<std::string> written = {"joined.bmp"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> options = c.options;
    options.insert(options.end(), {"-o", out.PathOf(c.name)});
    const BatchResult r = with(options);
    ASSERT_EQ(r.status, app::kExitWritten) << r.err;
    EXPECT_EQ(r.out, out.PathOf(c.name) + " " + std::to_string(expected.width) + "x" +
                         std::to_string(expected.height) + "\n");
    EXPECT_GE(Psnr(ReadBack(out.PathOf(c.name), c.format), pixels), c.minPsnr);
    written.push_back(c.name);
  }
  std::ranges::sort(written);
  EXPECT_EQ(Tree(out.Path()), written);
}

// Straight alpha over the background colour, rounded to nearest.
TEST(BatchFormats, AlphaIsBlendedOverTheBackground) {
  TempDir dir;
  PngSpec spec{.width = 3,
               .height = 1,
               .colourType = 6,
               .samples = {255, 0, 0, 0, 0, 0, 255, 128, 10, 20, 30, 255}};
  dir.WriteFile("a.png", AsText(WritePng(spec)));
  const BatchResult r =
      RunBatchWith({"-i", "*.png", "-b", "00FF00", "-o", dir.PathOf("o.bmp"), dir.Path()});
  ASSERT_EQ(r.status, app::kExitWritten) << r.err;
  const WrittenBmp out = ReadWritten(dir.PathOf("o.bmp"));
  EXPECT_EQ(out.Pixel(0, 0), 0x00FF00u);  // transparent: the background
  EXPECT_EQ(out.Pixel(1, 0), 0x007F80u);  // (255 * 128 + 127) / 255 blue over 255 * 127 green
  EXPECT_EQ(out.Pixel(2, 0), 0x0A141Eu);  // opaque: as it is
}

// Without -i the job lists BMP files only, as the window does, whatever the other files hold.
TEST(BatchFormats, WithoutIncludeOnlyBmpFilesAreJoined) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 10, 10, 0xFF0000);
  dir.WriteFile("b.png", SolidPng(20, 20, 0x00FF00));
  dir.WriteFile("c.bmp", SolidPng(20, 20, 0x00FF00));  // a PNG under a BMP name
  const BatchResult r = RunBatchWith({"-o", dir.PathOf("o.bmp"), dir.Path()});
  EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
  EXPECT_EQ(r.out, dir.PathOf("o.bmp") + " 20x10\n");
  EXPECT_EQ(r.err, "eveda-batch: could not read " + dir.PathOf("c.bmp") + ": not a BMP file\n");
  const BatchResult none = RunBatchWith({"-i", "*.gif", dir.Path()});
  EXPECT_EQ(none.status, app::kExitNothingWritten);
  EXPECT_EQ(none.err, "eveda-batch: no files matching -i in " + dir.Path() + "\n");
}

// A literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

std::string Patched(std::string file, std::size_t at, std::string_view bytes) {
  file.replace(at, bytes.size(), bytes);
  return file;
}

// Damaged, huge and bomb-like files keep their cells in the background and are named with the
// decoder's reason; the rest is written.
TEST(BatchFormats, HostileSourcesAreNamedUnreadableAndTheRestIsWritten) {
  TempDir dir;
  const std::string png = SolidPng(16, 16, 0xFF0000);
  const std::string jpeg = PhotoJpeg(16, 16, false);
  dir.WriteFile("a.png", png);
  dir.WriteFile("b.png", png.substr(0, png.size() / 2));
  dir.WriteFile("c.png", Patched(png, png.size() - 20, "\x01\x02"));
  // IHDR 2^31-1 x 2^31-1 with a valid CRC.
  dir.WriteFile("d.png", Patched(png, 16,
                                 Bytes("\x7F\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x08\x02\x00\x00"
                                       "\x00\x9B\xAB\x9C\x31")));
  dir.WriteFile("e.jpg", jpeg.substr(0, jpeg.size() * 2 / 3));
  dir.WriteFile("f.jpg", Bytes("\xFF\xD8\xFF\xC0\x00\x11\x08\x3E\x80\x3E\x80\x03"));  // 16000^2
  dir.WriteFile("g.png", "neither a picture nor empty");
  const BatchResult r = RunBatchWith({"-i", "*.png", "-i", "*.jpg", "-W", "16", "-H", "16", "-o",
                                      dir.PathOf("o.png"), dir.Path()});
  EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
  EXPECT_EQ(r.out, dir.PathOf("o.png") + " 48x48\n");
  const std::string prefix = "eveda-batch: could not read " + dir.Path() + "/";
  std::istringstream lines(r.err);
  std::vector<std::string> named;
  for (std::string line; std::getline(lines, line);) {
    ASSERT_TRUE(line.starts_with(prefix)) << line;
    named.push_back(line.substr(prefix.size()));
  }
  ASSERT_EQ(named.size(), 6u) << r.err;
  EXPECT_TRUE(named[0].starts_with("b.png: ")) << named[0];
  EXPECT_TRUE(named[1].starts_with("c.png: ")) << named[1];
  EXPECT_EQ(named[2], "d.png: the image has more pixels than the limit");
  EXPECT_EQ(named[3], "e.jpg: Premature end of JPEG file");
  EXPECT_TRUE(named[4].starts_with("f.jpg: ")) << named[4];
  EXPECT_EQ(named[5], "g.png: not a PNG, JPEG, WebP, TIFF, GIF, HEIF or BMP file");
  formats::DecodedImage image;
  ASSERT_TRUE(formats::DecodePng(ReadBytes(dir.PathOf("o.png")), 0, image));
  EXPECT_EQ(image.Row(0)[2], 0xFF);        // a.png drawn
  EXPECT_EQ(image.Row(0)[3 * 16 + 2], 0);  // b.png's cell in the background
}

}  // namespace
}  // namespace eveda::testing
