// eveda-batch beyond BMP: PNG and JPEG sources, PNG output, the contain fit, and hostile PNG and
// JPEG files, run in-process as in batch_run_test.cpp.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch_run.h"
#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
#include "tests/app/batch_test_support.h"
#include "tests/formats/reference_pictures.h"
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

// The same job written as BMP and in every other format: PNG, TIFF and lossless WebP hold exactly
// the BMP's pixels, the lossy outputs come within their codec's error (halved chroma costs most
// at the cells' edges). The sources are of every kind the job reads, in bands of rows (-a rows).
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
  std::vector<std::uint8_t> pixels;  // B, G, R
  for (int i = 0; i < expected.width * expected.height; ++i)
    for (int shift : {0, 8, 16})
      pixels.push_back(expected.Pixel(i % expected.width, i / expected.width) >> shift);
  // clang-format off
  const std::tuple<std::vector<std::string>, const char*, double> cases[] = {  // 99: the same
      {{"-z", "0"}, "j-0.Png", 99}, {{"-z", "6"}, "j-6.Png", 99}, {{"-z", "9"}, "j-9.Png", 99},
      {{}, "j.tif", 99}, {{"--tiff-compression", "none"}, "j-none.TIFF", 99}, {{"-O", "tiff"}, "j-tiff", 99},
      {{"--tiff-compression=lzw"}, "j-lzw.tiff", 99}, {{"--tiff-compression", "jpeg"}, "j-jpeg.tif", 32},
      {{"--lossless"}, "j-lossless.webp", 99}, {{}, "j.WebP", 32}, {{}, "j.jpg", 38},
      {{"--subsample", "420"}, "j-420.jpeg", 32}, {{"-Q", "50"}, "j-50.JPG", 29}};
  // clang-format on
  std::vector<std::string> written = {"joined.bmp"};
  for (const auto& [options, name, minPsnr] : cases) {
    SCOPED_TRACE(name);
    const std::string path = out.PathOf(name);
    std::vector<std::string> args = options;
    args.insert(args.end(), {"-o", path});
    const BatchResult r = with(args);
    ASSERT_EQ(r.status, app::kExitWritten) << r.err;
    EXPECT_EQ(r.out, path + " " + std::to_string(expected.width) + "x" +
                         std::to_string(expected.height) + "\n");
    auto stream = formats::SourceReader::EveryFormat().OpenStream(path, {});
    ASSERT_TRUE(stream) << stream.error().detail;
    EXPECT_GE(formats::testing::Psnr(*formats::testing::ReadAll(**stream), pixels), minPsnr);
    written.push_back(name);
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

// WebP, TIFF, GIF and HEIF sources beside copies cut short or declaring huge sizes (bombs among
// them): each copy keeps its cell in the background and is named with its decoder's words.
TEST(BatchFormats, HostileSourcesOfTheNewFormatsAreNamedUnreadable) {
  namespace ref = formats::testing;
  // clang-format off
  const ref::Bytes picture = ref::Picture(ref::SmoothPixel, false);
  const std::string webp = AsText(ref::WriteWebp(picture, false, true)),
      tiff = AsText(ref::WriteTiff({8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW}, [](std::uint32_t x, std::uint32_t y, int s) {
        return std::uint32_t(ref::Smooth(x, y, 2 - s)); })),
      gif = AsText(ref::WriteGif({"", 0, 0, ref::kW, ref::kH, -1, false})), heic = AsText(ref::WriteHeif(picture, false, false));
  const std::size_t ifd = std::uint8_t(tiff[4]) | std::size_t(std::uint8_t(tiff[5])) << 8;  // its width at +10, height at +22
  const std::string webpSide = {'\xff', '\xff', '\xff', char((webp[24] & 0xf0) | 0x0f)};
  const std::tuple<const char*, std::string, const char*> sources[] = {  // "": drawn
      {"a.webp", webp, ""}, {"b.webp", webp.substr(0, webp.size() * 6 / 10), "ended early"},
      {"c.webp", Patched(webp, 21, webpSide), "could hold"},
      {"d.tif", tiff, ""}, {"e.tif", tiff.substr(0, tiff.size() * 6 / 10), "directory"},
      {"f.tif", Patched(Patched(tiff, ifd + 10, "\xff\xff"), ifd + 22, "\xff\xff"), "too large"},
      {"g.tif", Patched(Patched(tiff, ifd + 10, "\x40\x1f"), ifd + 22, "\x40\x1f"), "could hold"},
      {"h.gif", gif, ""}, {"i.gif", gif.substr(0, gif.size() * 7 / 10), "read"},
      {"j.gif", Patched(gif, 6, "\xff\xff\xff\xff"), "too large"},
      {"k.gif", Patched(gif, 74, "\x80\x3e\x80\x3e"), "could hold"},
      {"l.heic", heic, ""}, {"m.heic", heic.substr(0, heic.size() * 95 / 100), "end of file"},
      {"n.heic", Patched(heic, heic.find("ispe") + 8, Bytes("\0\1\0\0\0\1\0\0")), "Security limit"}};
  // clang-format on
  TempDir dir;
  for (const auto& [name, file, words] : sources)
    if (!heic.empty() || !std::string_view(name).ends_with(".heic")) dir.WriteFile(name, file);
  const std::vector<std::string> before = Tree(dir.Path());
  const TempDir out;
  const BatchResult r =
      RunBatchWith({"-i", "*.webp", "-i", "*.tif", "-i", "*.gif", "-i", "*.heic", "-W", "37", "-H",
                    "21", "-w", "4", "-b", "102030", "-o", out.PathOf("o.bmp"), dir.Path()});
  ASSERT_EQ(r.status, app::kExitSomeSourcesUnread) << r.err;
  const WrittenBmp joined = ReadWritten(out.PathOf("o.bmp"));
  std::istringstream lines(r.err);
  std::string line;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const std::string_view words = std::get<2>(sources[i]);
    SCOPED_TRACE(before[i]);
    EXPECT_EQ(joined.Pixel(int(i % 4 * ref::kW), int(i / 4 * ref::kH)) == 0x102030, !words.empty());
    if (words.empty() || !std::getline(lines, line)) continue;
    EXPECT_TRUE(line.starts_with("eveda-batch: could not read " + dir.PathOf(before[i]) + ": "));
    EXPECT_NE(line.find(words), std::string::npos) << line;
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(Tree(dir.Path()), before);
}

}  // namespace
}  // namespace eveda::testing
