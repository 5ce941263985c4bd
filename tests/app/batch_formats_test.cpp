// eveda-batch beyond BMP: PNG and JPEG sources, PNG output, the contain fit, and hostile PNG and
// JPEG files, run in-process as in batch_run_test.cpp.

#include <gtest/gtest.h>
#include <lcms2.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch_run.h"
#include "formats/jpeg/jpeg.h"
#include "formats/jpeg/jpeg_encoder.h"
#include "formats/png/png.h"
#include "join/join.h"
#include "pyramid/deep_zoom.h"
#include "tests/app/batch_test_support.h"
#include "tests/formats/reference_pictures.h"
#include "tests/support/fault_file_system.h"
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

// Cover fills each cell and crops what overflows it.
TEST(BatchFormats, CoverFillsItsCell) {
  TempDir dir;
  dir.WriteFile("a.png", SolidPng(300, 40, 0xFF0000));
  dir.WriteFile("b.png", SolidPng(50, 120, 0x00FF00));
  const BatchResult cover =
      RunBatchWith({"-i", "*.png", "-W", "100", "-H", "50", "-s", "3", "-f", "cover", "-b",
                    "808080", "-o", dir.PathOf("cover.bmp"), dir.Path()});
  ASSERT_EQ(cover.status, app::kExitWritten) << cover.err;
  const WrittenBmp covered = ReadWritten(dir.PathOf("cover.bmp"));
  ExpectRect(covered, {3, 3, 100, 50}, 0xFF0000, 0x808080, "wide");
  ExpectRect(covered, {106, 3, 100, 50}, 0x00FF00, 0x808080, "tall");
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

// An uncompressed R,G,B TIFF with an Orientation tag and, when given, an ICC profile.
std::string Tiff(std::uint32_t w, std::uint32_t h, const std::vector<std::uint8_t>& rgb,
                 int orientation, const std::vector<std::uint8_t>& icc = {}) {
  std::string f("II*\0", 4);
  const auto put = [&f](std::uint32_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) f.push_back(static_cast<char>(v >> (8 * k)));
  };
  const std::uint32_t n = icc.empty() ? 10 : 11, data = 8 + 2 + 12 * n + 4;
  const std::uint32_t pixels = data + 6 + static_cast<std::uint32_t>(icc.size());
  put(8, 4);
  put(n, 2);
  // Tag, type, count, value: a SHORT value sits in the low bytes of its four.
  const std::uint32_t entries[] = {256,
                                   4,
                                   1,
                                   w,
                                   257,
                                   4,
                                   1,
                                   h,
                                   258,
                                   3,
                                   3,
                                   data,
                                   259,
                                   3,
                                   1,
                                   1,
                                   262,
                                   3,
                                   1,
                                   2,
                                   273,
                                   4,
                                   1,
                                   pixels,
                                   274,
                                   3,
                                   1,
                                   std::uint32_t(orientation),
                                   277,
                                   3,
                                   1,
                                   3,
                                   278,
                                   4,
                                   1,
                                   h,
                                   279,
                                   4,
                                   1,
                                   w * h * 3,
                                   34675,
                                   7,
                                   std::uint32_t(icc.size()),
                                   data + 6};
  for (std::uint32_t k = 0; k < 4 * n; ++k) put(entries[k], k % 4 < 2 ? 2 : 4);
  put(0, 4);
  for (int k = 0; k < 3; ++k) put(8, 2);
  f.append(icc.begin(), icc.end());
  f.append(rgb.begin(), rgb.end());
  return f;
}

// 6 x 4 pixels, a colour to each quarter: red, green above blue, white.
std::vector<std::uint8_t> Quarters() {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const Rgb c = y < 2 ? (x < 3 ? 0xFF0000 : 0x00FF00) : (x < 3 ? 0x0000FF : 0xFFFFFF);
      rgb.insert(rgb.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    }
  return rgb;
}

// An ICC profile that Little CMS wrote, and what its own transform to sRGB makes of `rgb`.
std::vector<std::uint8_t> WideGamutProfile(const std::vector<std::uint8_t>& rgb,
                                           std::vector<std::uint8_t>& converted) {
  const cmsCIExyY d65{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE wide{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &wide, curves), srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number bytes = 0;
  cmsSaveProfileToMem(profile, nullptr, &bytes);
  std::vector<std::uint8_t> icc(bytes);
  cmsSaveProfileToMem(profile, icc.data(), &bytes);
  cmsHTRANSFORM lcms = cmsCreateTransform(profile, TYPE_RGB_8, srgb, TYPE_RGB_8,
                                          INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE);
  converted.resize(rgb.size());
  cmsDoTransform(lcms, rgb.data(), converted.data(), std::uint32_t(rgb.size() / 3));
  cmsDeleteTransform(lcms), cmsCloseProfile(srgb), cmsCloseProfile(profile),
      cmsFreeToneCurve(gamma);
  return icc;
}

// Each EXIF orientation turns the picture before it is fitted, in a TIFF's tag, a JPEG's APP1
// and a PNG's eXIf, and an embedded profile is converted to sRGB as Little CMS converts it; one
// it cannot read is told, the picture drawn as stored. 6 x 4 stored, 6 x 6 cells at the scale of
// 1, so every pixel is a source pixel; a JPEG's are snapped to the nearest of 0, 80 and FF.
TEST(BatchFormats, PicturesAreTurnedAndTheirColoursConverted) {
  TempDir dir;
  const std::vector<std::uint8_t> rgb = Quarters();
  std::vector<std::uint8_t> converted;
  JpegSpec jpeg{.width = 6, .height = 4, .quality = 100, .hSampling = 1, .vSampling = 1};
  jpeg.samples = rgb;
  PngSpec png{.width = 6, .height = 4, .exif = ExifOrientation(6)};
  png.samples.assign(rgb.begin(), rgb.end());
  struct Turned {
    int cell, orientation;
    bool lossy;
  };
  std::vector<Turned> turned;
  for (int o = 1; o <= 8; ++o) {
    dir.WriteFile("o" + std::to_string(o) + ".tif", Tiff(6, 4, rgb, o));
    jpeg.exif = ExifOrientation(o);
    dir.WriteFile("r" + std::to_string(o) + ".jpg", AsText(WriteJpeg(jpeg)));
    turned.insert(turned.end(), {{o - 1, o, false}, {o + 9, o, true}});
  }
  dir.WriteFile("p.tif", Tiff(6, 4, rgb, 1, WideGamutProfile(rgb, converted)));
  dir.WriteFile("q.tif", Tiff(6, 4, rgb, 1, {'i', 'c', 'c', '!'}));
  dir.WriteFile("s.png", AsText(WritePng(png)));
  turned.push_back({18, 6, false});
  constexpr Rgb R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF;
  // Top left, top right, bottom right, bottom left; 5 to 8 swap the sides.
  const std::array<std::array<Rgb, 4>, 8> corners = {{{R, G, W, B},
                                                      {G, R, B, W},
                                                      {W, B, R, G},
                                                      {B, W, G, R},
                                                      {R, B, W, G},
                                                      {B, R, G, W},
                                                      {W, G, R, B},
                                                      {G, W, B, R}}};
  const std::string told =
      "eveda-batch: " + dir.PathOf("q.tif") +
      ": the colour profile cannot be read: Read from memory error. Got 4 "
      "bytes, block should be of 128 bytes; drawn with its colours as stored\n";
  // Drawn 1:1, the centre fit places each picture where contain at the scale of 1 does; the
  // top-left fit at its cell's corner, the background after it.
  // clang-format off
  for (const auto& [option, fit] : std::initializer_list<std::pair<std::string, std::string>>{
           {"", "contain"}, {"--no-rotate", "contain"}, {"--no-profile", "contain"},
           {"", "center"}, {"--no-rotate", "center"}, {"", "top-left"}}) {
    // clang-format on
    SCOPED_TRACE(option + " " + fit);
    const bool rotate = option != "--no-rotate", profile = option != "--no-profile";
    const bool centred = fit != "top-left";
    std::vector<std::string> args = {"-i",      "*.tif", "-i", "*.jpg",  "-i", "*.png",
                                     "-W",      "6",     "-H", "6",      "-w", "10",
                                     "-f",      fit,     "-b", "808080", "-o", dir.PathOf("o.bmp"),
                                     dir.Path()};
    if (!option.empty()) args.insert(args.begin(), option);
    const BatchResult r = RunBatchWith(args);
    ASSERT_EQ(r.status, app::kExitWritten) << r.err;
    EXPECT_EQ(r.err, profile ? told : "");
    const WrittenBmp out = ReadWritten(dir.PathOf("o.bmp"));
    for (const Turned& t : turned) {
      const auto at = [&out, &t](int x, int y) {
        Rgb c = out.Pixel(x, y), snapped = 0;
        for (int shift = 16; shift >= 0 && t.lossy; shift -= 8) {
          const Rgb v = c >> shift & 0xFF;
          snapped |= (v < 0x40 ? 0 : v < 0xC0 ? 0x80 : 0xFF) << shift;
        }
        return t.lossy ? snapped : c;
      };
      const bool side = rotate && t.orientation >= 5;
      const int x = t.cell % 10 * 6 + (centred && side), y = t.cell / 10 * 6 + (centred && !side);
      const int w = side ? 4 : 6, h = side ? 6 : 4;
      EXPECT_EQ((std::array<Rgb, 4>{at(x, y), at(x + w - 1, y), at(x + w - 1, y + h - 1),
                                    at(x, y + h - 1)}),
                corners[rotate ? t.orientation - 1 : 0])
          << "cell " << t.cell;
      EXPECT_EQ(side ? at(centred ? x - 1 : x + w, y) : at(x, centred ? y - 1 : y + h), 0x808080u)
          << "cell " << t.cell;
    }
    for (std::size_t i = 0; i < 24; ++i) {
      const auto at = [i](const std::vector<std::uint8_t>& v) {
        return Rgb{v[3 * i]} << 16 | Rgb{v[3 * i + 1]} << 8 | v[3 * i + 2];
      };
      const int y = centred + int(i / 6);
      EXPECT_EQ(out.Pixel(48 + int(i % 6), y), at(profile ? converted : rgb)) << i;
      EXPECT_EQ(out.Pixel(54 + int(i % 6), y), at(rgb)) << i;
    }
  }
}

// A source is read a row at a time and resampled as its rows arrive: a 4000 x 4000 BMP (48 MB
// of pixels) and a 16,000 x 16,000 PNG (256 MB) are joined under an address-space limit a few
// tens of MiB above what the process holds.
TEST(BatchFormats, ALargeSourceIsJoinedInAFewOfItsRows) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory leaves no address space to limit";
#endif
  TempDir dir;
  WriteSolid(dir, "big.bmp", 4000, 4000, 0x336699);
  ASSERT_TRUE(WriteZeroPngFile(dir.PathOf("big.png"), 16000, 16000));
  const struct {
    const char* include;
    rlim_t headroom;
    Rgb colour;
  } cases[] = {{"*.bmp", rlim_t{48} << 20, 0x336699}, {"*.png", rlim_t{64} << 20, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.include);
    const pid_t child = ::fork();
    if (child == 0) {
      std::size_t pages = 0;
      std::ifstream("/proc/self/statm") >> pages;
      const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + c.headroom;
      const rlimit bound{limit, limit};
      ::setrlimit(RLIMIT_AS, &bound);
      const BatchResult r =
          RunBatchWith({"-i", c.include, "-f", "contain", "-W", "200", "-H", "100", "-b", "FFFFFF",
                        "-o", dir.PathOf("o.bmp"), dir.Path()});
      ::_exit(r.status == app::kExitWritten && r.err.empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const WrittenBmp out = ReadWritten(dir.PathOf("o.bmp"));
    EXPECT_EQ(std::pair(out.Pixel(50, 0), out.Pixel(149, 99)), std::pair(c.colour, c.colour));
    EXPECT_EQ(std::pair(out.Pixel(49, 0), out.Pixel(150, 99)), std::pair(0xFFFFFFu, 0xFFFFFFu));
  }
}

// A grid row of cells too large to hold decoded (4 x 1600 x 1200 x 3 bytes) draws each as the
// bands reach it: the pixels of a grid of one column, where they are decoded when opened. A
// source that fails part way keeps the rows drawn before, where the other leaves its cell.
TEST(BatchFormats, CellsTooManyToHoldDecodedAreDrawnAsTheBandsReachThem) {
  TempDir dir;
  const std::string jpeg = PhotoJpeg(300, 200, false);
  dir.WriteFile("a.jpg", jpeg);
  dir.WriteFile("b.png", PhotoPng(200, 300, true));
  dir.WriteFile("c.jpg", PhotoJpeg(250, 250, true));
  dir.WriteFile("d.jpg", jpeg.substr(0, jpeg.size() / 2));
  std::map<std::string, WrittenBmp> out;
  for (const char* wrap : {"4", "1"}) {
    const BatchResult r =
        RunBatchWith({"-i", "*.jpg", "-i", "*.png", "-W", "1600", "-H", "1200", "-w", wrap, "-o",
                      dir.PathOf(wrap + std::string(".bmp")), dir.Path()});
    EXPECT_EQ(r.status, app::kExitSomeSourcesUnread) << wrap;
    EXPECT_EQ(r.err, "eveda-batch: could not read " + dir.PathOf("d.jpg") +
                         ": Premature end of JPEG file\n");
    out.emplace(wrap, ReadWritten(dir.PathOf(wrap + std::string(".bmp"))));
  }
  const WrittenBmp &wide = out.at("4"), &tall = out.at("1");
  for (int cell = 0; cell < 3; ++cell)
    for (int y = 0; y < 300; y += 7)
      for (int x = 0; x < 300; x += 3)
        ASSERT_EQ(wide.Pixel(cell * 1600 + x, y), tall.Pixel(x, cell * 1200 + y)) << cell;
  EXPECT_EQ(wide.Pixel(3 * 1600 + 5, 0), tall.Pixel(5, 0));  // d.jpg's first rows drawn
  EXPECT_EQ(tall.Pixel(5, 3 * 1200), 0u);                    // d.jpg's cell left as it was
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
  if (!heic.empty()) {  // drawn with its colours as stored: "icc!" is no profile
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_TRUE(line.starts_with("eveda-batch: " + dir.PathOf("l.heic") +
                                 ": the colour profile cannot be read: "))
        << line;
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(Tree(dir.Path()), before);
}

// A pyramid's level read back from its PNG tiles, each tile of exactly the size its place in
// the grid of tiles gives it, and its overlap equal to the neighbours' pixels.
std::vector<Rgb> ReadLevel(const std::string& files, int level, std::int64_t width,
                           std::int64_t height, const pyramid::DeepZoomOptions& options) {
  std::vector<Rgb> pixels(static_cast<std::size_t>(width * height));
  for (std::int64_t row = 0; row < pyramid::TileCount(height, options); ++row) {
    for (std::int64_t column = 0; column < pyramid::TileCount(width, options); ++column) {
      const std::string name =
          std::to_string(level) + "/" + std::to_string(column) + "_" + std::to_string(row) + ".png";
      const auto xs = pyramid::TileSpan(column, width, options);
      const auto ys = pyramid::TileSpan(row, height, options);
      formats::DecodedImage tile;
      const std::vector<std::uint8_t> file = ReadBytes(files + "/" + name);
      EXPECT_TRUE(formats::DecodePng(file, 0, tile)) << name;
      EXPECT_EQ(tile.width, xs.end - xs.begin) << name;
      EXPECT_EQ(tile.height, ys.end - ys.begin) << name;
      if (tile.width != xs.end - xs.begin || tile.height != ys.end - ys.begin) return {};
      for (std::int64_t y = ys.begin; y < ys.end; ++y) {
        const std::uint8_t* at = tile.Row(static_cast<std::uint32_t>(y - ys.begin));
        for (std::int64_t x = xs.begin; x < xs.end; ++x, at += 3) {
          Rgb& pixel = pixels[static_cast<std::size_t>(y * width + x)];
          const Rgb got = Rgb{at[2]} << 16 | Rgb{at[1]} << 8 | at[0];
          if (x >= column * options.tileSize && y >= row * options.tileSize)
            pixel = got;
          else
            EXPECT_EQ(got, pixel) << name << " overlap at " << x << "," << y;
        }
      }
    }
  }
  return pixels;
}

// The pixel of a level below: each channel (sum + n / 2) / n over the n pixels of its 2 x 2
// square in the level above.
Rgb Averaged(const std::vector<Rgb>& above, std::int64_t width, std::int64_t height, std::int64_t x,
             std::int64_t y) {
  Rgb result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned sum = 0, n = 0;
    for (std::int64_t dy = 0; dy < 2 && 2 * y + dy < height; ++dy)
      for (std::int64_t dx = 0; dx < 2 && 2 * x + dx < width; ++dx, ++n)
        sum += above[static_cast<std::size_t>((2 * y + dy) * width + 2 * x + dx)] >> shift & 0xFF;
    result |= ((sum + n / 2) / n) << shift;
  }
  return result;
}

// The top level's PNG tiles put together hold exactly the BMP output of the same job, and every
// level below is the 2 x 2 average of the one above, down to 1 x 1; the descriptor names the
// size, the tiles' size, overlap and format.
TEST(BatchDeepZoom, TopLevelIsTheBmpOutputAndEachLevelBelowItsAverage) {
  TempDir dir;
  dir.WriteFile("a.png", PhotoPng(70, 50, false));
  dir.WriteFile("b.jpg", PhotoJpeg(33, 61, false));
  WritePattern(dir, "c.bmp", 60, 60);
  TempDir out;
  const std::vector<std::string> job = {"-i", "*.png", "-i", "*.jpg", "-i",     "*.bmp",   "-s",
                                        "3",  "-w",    "3",  "-b",    "102030", dir.Path()};
  auto with = [&](std::vector<std::string> extra) {
    extra.insert(extra.end(), job.begin(), job.end());
    return RunBatchWith(extra);
  };
  ASSERT_EQ(with({"-o", out / "joined.bmp"}).status, app::kExitWritten);
  const WrittenBmp expected = ReadWritten(out / "joined.bmp");
  ASSERT_EQ(expected.width, 222);  // 3 cells of 70 and 4 gaps of 3: 9 levels, 8 of them halved
  const struct {
    std::int32_t tileSize, overlap;
    const char* name;
  } cases[] = {{254, 1, "defaults.dzi"},
               {64, 3, "small.DZI"},
               {17, 0, "plain.dzi"},
               {16, 2, "overlapped.dzi"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const pyramid::DeepZoomOptions options{
        .tileSize = c.tileSize, .overlap = c.overlap, .format = pyramid::TileFormat::Png};
    std::vector<std::string> args = {"--tile-format", "png", "-o", out / c.name};
    if (c.tileSize != 254) args.insert(args.end(), {"--tile-size", std::to_string(c.tileSize)});
    if (c.overlap != 1) args.insert(args.end(), {"--overlap=" + std::to_string(c.overlap)});
    const BatchResult r = with(args);
    ASSERT_EQ(r.status, app::kExitWritten) << r.err;
    EXPECT_EQ(r.out, out / c.name + " 222x67\n");
    EXPECT_EQ(AsText(ReadBytes(out / c.name)),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Image xmlns=\"http://schemas.microsoft.com/deepzoom/2008\"\n  Format=\"png\"\n"
              "  Overlap=\"" +
                  std::to_string(c.overlap) + "\"\n  TileSize=\"" + std::to_string(c.tileSize) +
                  "\"\n  >\n  <Size\n    Height=\"67\"\n    Width=\"222\"\n  />\n</Image>\n");
    const std::string files = pyramid::TilesFolderOf(out / c.name);
    std::int64_t width = 222, height = 67;
    std::vector<Rgb> above = ReadLevel(files, 8, width, height, options);
    for (std::int64_t i = 0; i < width * height; ++i)
      ASSERT_EQ(above[static_cast<std::size_t>(i)], expected.Pixel(int(i % width), int(i / width)));
    for (int level = 7; level >= 0; --level) {
      const std::int64_t w = (width + 1) / 2, h = (height + 1) / 2;
      const std::vector<Rgb> below = ReadLevel(files, level, w, h, options);
      for (std::int64_t i = 0; i < w * h; ++i)
        ASSERT_EQ(below[static_cast<std::size_t>(i)], Averaged(above, width, height, i % w, i / w))
            << "level " << level << " at " << i % w << "," << i / w;
      above = below, width = w, height = h;
    }
    EXPECT_EQ(width * height, 1);
    // JPEG tiles, encoded as their rows arrive: each the JPEG of its PNG twin's pixels.
    args.erase(args.begin(), args.begin() + 2);
    args[1] = out / ("j-" + std::string(c.name));
    ASSERT_EQ(with(args).status, app::kExitWritten);
    const std::string jpegFiles = pyramid::TilesFolderOf(args[1]);
    std::size_t compared = 0;
    for (const std::string& tile : Tree(files)) {
      if (!tile.ends_with(".png") || ++compared == 0) continue;
      formats::DecodedImage pixels;
      ASSERT_TRUE(formats::DecodePng(ReadBytes(files + "/" + tile), 0, pixels));
      std::vector<std::uint8_t> encoded;
      auto encoder =
          formats::MakeJpegEncoderInto(encoded, int(pixels.width), int(pixels.height), {});
      ASSERT_TRUE(
          encoder &&
          (*encoder)->WriteRows(pixels.Row(0), std::ptrdiff_t(pixels.stride), int(pixels.height)) &&
          (*encoder)->Finish());
      ASSERT_EQ(ReadBytes(jpegFiles + "/" + tile.substr(0, tile.size() - 3) + "jpeg"), encoded)
          << tile;
    }
    EXPECT_EQ(compared, Tree(jpegFiles).size() - 9);  // every tile, besides 9 level folders
  }
  // 9 level folders; 17-pixel tiles: 14 x 4 of 222 x 67, 7 x 2 of 111 x 34, 4 of 56 x 17 ...
  EXPECT_EQ(Tree(out / "plain_files").size(), 9 + 14 * 4 + 7 * 2 + 4 + 2 + 1 + 1 + 1 + 1 + 1);
}

// Only a pyramid of ours is replaced, and only once the new one is whole: a tiles folder with
// anything else in it, or without its descriptor, is refused before a source is read; a save
// that fails or is stopped leaves the earlier pyramid exactly as it was and nothing hidden.
TEST(BatchDeepZoom, OnlyAnEarlierPyramidIsReplacedAndOnlyWhenTheNewOneIsWhole) {
  TempDir dir;
  WritePattern(dir, "a.bmp", 40, 30);
  WritePattern(dir, "b.bmp", 40, 30);
  TempDir out;
  const auto run = [&](std::vector<std::string> extra, DSMod::detail::FileSystem& fileSystem) {
    extra.insert(extra.end(), {"-o", out / "p.dzi", dir.Path()});
    return RunBatchWith(extra, fileSystem);
  };
  ASSERT_EQ(run({"-w", "1"}, DSMod::detail::SystemFileSystem()).status, app::kExitWritten);
  const std::vector<std::string> earlier = Tree(out.Path());
  const std::string earlierTile = AsText(ReadBytes(out / "p_files/6/0_0.jpeg"));
  FaultFileSystem failedRename, failedDescriptor;
  failedRename.Fail(FaultFileSystem::Call::Rename, EIO);
  failedDescriptor.FailFrom(FaultFileSystem::Call::LinkUnnamed, ENOSPC);
  const struct {
    FaultFileSystem* fileSystem;
    std::string err;
  } failures[] = {
      {&failedRename, "eveda-batch: could not save " + out / "p.dzi" + ": Input/output error\n"},
      {&failedDescriptor,
       "eveda-batch: could not save " + out / "p.dzi" + ": No space left on device\n"},
  };
  for (const auto& f : failures) {
    const BatchResult r = run({}, *f.fileSystem);
    EXPECT_EQ(r.status, app::kExitNothingWritten);
    EXPECT_EQ(r.err, f.err);
    EXPECT_EQ(Tree(out.Path()), earlier);
    EXPECT_EQ(AsText(ReadBytes(out / "p_files/6/0_0.jpeg")), earlierTile);
  }
  struct StopAtOnce : join::JoinObserver {
    void Progress(join::Phase, std::int64_t, std::int64_t) override {}
    bool StopRequested() override { return true; }
  } stop;
  join::JoinRequest stopped;
  stopped.sources = {dir / "a.bmp", dir / "b.bmp"};
  stopped.layout = {.BlockWidth = 40, .BlockHeight = 30, .WrapCount = 2};
  stopped.output.path = out / "p.dzi";
  stopped.output.pyramid = pyramid::DeepZoomOptions{};
  EXPECT_EQ(join::Join(stopped, stop).outcome, join::JoinReport::Outcome::Stopped);
  EXPECT_EQ(Tree(out.Path()), earlier);
  ASSERT_EQ(run({}, DSMod::detail::SystemFileSystem()).status, app::kExitWritten);  // 80 x 30
  EXPECT_EQ(Tree(out / "p_files").size(), 8 + 8);  // 8 levels of one tile each
  EXPECT_NE(AsText(ReadBytes(out / "p_files/6/0_0.jpeg")), earlierTile);
  const std::string kept = "; it is not an earlier pyramid and is left as it is\n";
  const struct {
    const char* make;
    std::string err;
  } foreign[] = {
      {"p_files/notes.txt", "p_files holds notes.txt, not a tile" + kept},
      {"p_files/3/0_0.jpeg.bak", "p_files holds 3/0_0.jpeg.bak, not a tile" + kept},
      {"p.dzi", "p_files exists without its Deep Zoom descriptor" + kept},
  };
  for (const auto& f : foreign) {
    SCOPED_TRACE(f.make);
    TempDir other;
    ASSERT_EQ(RunBatchWith({"-o", other / "p.dzi", dir.Path()}).status, app::kExitWritten);
    other.WriteFile(f.make, "mine");
    const std::vector<std::string> before = Tree(other.Path());
    const BatchResult r = RunBatchWith({"-o", other / "p.dzi", dir.Path()});
    EXPECT_EQ(r.status, app::kExitNothingWritten);
    EXPECT_EQ(r.err, "eveda-batch: " + other / "p.dzi" + ": " + f.err);
    EXPECT_EQ(Tree(other.Path()), before);
  }
}

// The viewer page opens the pyramid beside it offline: OpenSeadragon is copied next to it, and
// a name that holds quotes, markup or URL characters reaches the page only escaped.
TEST(BatchDeepZoom, TheViewerPageNamesItsTilesEscaped) {
  TempDir dir;
  WritePattern(dir, "a.bmp", 30, 20);
  TempDir out;
  const std::string name = "a \"b<i>#%&.dzi";
  const BatchResult r = RunBatchWith({"--viewer", "-o", out / name, dir.Path()});
  ASSERT_EQ(r.status, app::kExitWritten) << r.err;
  const std::string page = AsText(ReadBytes(out / "a \"b<i>#%&.html"));
  for (const char* part : {"<title>a \"b&lt;i&gt;#%&amp;</title>",
                           "Url: \"a%20%22b%3Ci%3E%23%25%26_files/\", Format: \"jpeg\", "
                           "Overlap: \"1\", TileSize: \"254\",",
                           "Size: { Width: \"30\", Height: \"20\" }",
                           "<script src=\"a%20%22b%3Ci%3E%23%25%26.map.js\""})
    EXPECT_NE(page.find(part), std::string::npos) << part;
  EXPECT_FALSE(ReadBytes(out / "openseadragon/openseadragon.min.js").empty());
  EXPECT_FALSE(ReadBytes(out / "openseadragon/images/home_rest.png").empty());
  // The names the page shows under the mouse.
  EXPECT_TRUE(
      AsText(ReadBytes(out / "a \"b<i>#%&.map.js"))
          .starts_with("window.evedaMap = {\"width\":30,\"height\":20,\"cells\":[\n{\"index\":0,"));
}

}  // namespace
}  // namespace eveda::testing
