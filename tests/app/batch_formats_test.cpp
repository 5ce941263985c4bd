// eveda-batch beyond BMP: PNG and JPEG sources, PNG output, the contain fit, and hostile PNG and
// JPEG files, run in-process as in batch_run_test.cpp.

#include <gtest/gtest.h>
#include <lcms2.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch_run.h"
#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
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

// The same job written as BMP and as PNG at three levels: the PNG holds exactly the BMP's
// pixels. The sources are of every kind the job reads, in bands of rows (-a rows).
TEST(BatchFormats, APngOutputHoldsExactlyTheBmpOutputsPixels) {
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
  for (const char* level : {"0", "6", "9"}) {
    SCOPED_TRACE(level);
    const std::string path = out.PathOf(std::string("joined-") + level + ".Png");
    const BatchResult png = with({"-z", level, "-o", path});
    ASSERT_EQ(png.status, app::kExitWritten) << png.err;
    EXPECT_EQ(png.out, path + " " + std::to_string(expected.width) + "x" +
                           std::to_string(expected.height) + "\n");
    const std::vector<std::uint8_t> file = ReadBytes(path);
    formats::DecodedImage image;
    const auto decoded = formats::DecodePng(file, 0, image);
    ASSERT_TRUE(decoded) << decoded.error().detail;
    ASSERT_EQ(image.width, static_cast<std::uint32_t>(expected.width));
    ASSERT_EQ(image.height, static_cast<std::uint32_t>(expected.height));
    for (int y = 0; y < expected.height; ++y) {
      const std::uint8_t* row = image.Row(static_cast<std::uint32_t>(y));
      for (int x = 0; x < expected.width; ++x) {
        const Rgb got = Rgb{row[3 * x + 2]} << 16 | Rgb{row[3 * x + 1]} << 8 | row[3 * x];
        ASSERT_EQ(got, expected.Pixel(x, y)) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(Tree(out.Path()), (std::vector<std::string>{"joined-0.Png", "joined-6.Png",
                                                        "joined-9.Png", "joined.bmp"}));
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

// Each EXIF orientation turns the picture before it is fitted, and an embedded profile is
// converted to sRGB as Little CMS converts it; one it cannot read is told, the picture drawn as
// stored. 6 x 4 stored, 6 x 6 cells at the scale of 1, so every pixel is a source pixel.
TEST(BatchFormats, PicturesAreTurnedAndTheirColoursConverted) {
  TempDir dir;
  const std::vector<std::uint8_t> rgb = Quarters();
  std::vector<std::uint8_t> converted;
  for (int o = 1; o <= 8; ++o) dir.WriteFile("o" + std::to_string(o) + ".tif", Tiff(6, 4, rgb, o));
  dir.WriteFile("p.tif", Tiff(6, 4, rgb, 1, WideGamutProfile(rgb, converted)));
  dir.WriteFile("q.tif", Tiff(6, 4, rgb, 1, {'i', 'c', 'c', '!'}));
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
  for (const std::string option : {"", "--no-rotate", "--no-profile"}) {
    SCOPED_TRACE(option);
    const bool rotate = option != "--no-rotate", profile = option != "--no-profile";
    std::vector<std::string> args = {
        "-i",      "*.tif", "-W",      "6",  "-H",     "6",  "-w",
        "10",      "-f",    "contain", "-b", "808080", "-o", dir.PathOf("o.bmp"),
        dir.Path()};
    if (!option.empty()) args.insert(args.begin(), option);
    const BatchResult r = RunBatchWith(args);
    ASSERT_EQ(r.status, app::kExitWritten) << r.err;
    EXPECT_EQ(r.err, profile ? told : "");
    const WrittenBmp out = ReadWritten(dir.PathOf("o.bmp"));
    for (int o = 1; o <= 8; ++o) {
      const bool turned = rotate && o >= 5;
      const int x = (o - 1) * 6 + turned, y = !turned, w = turned ? 4 : 6, h = turned ? 6 : 4;
      EXPECT_EQ((std::array<Rgb, 4>{out.Pixel(x, y), out.Pixel(x + w - 1, y),
                                    out.Pixel(x + w - 1, y + h - 1), out.Pixel(x, y + h - 1)}),
                corners[rotate ? o - 1 : 0])
          << o;
      EXPECT_EQ(out.Pixel(turned ? x - 1 : x, y - !turned), 0x808080u) << o;
    }
    for (std::size_t i = 0; i < 24; ++i) {
      const auto at = [i](const std::vector<std::uint8_t>& v) {
        return Rgb{v[3 * i]} << 16 | Rgb{v[3 * i + 1]} << 8 | v[3 * i + 2];
      };
      EXPECT_EQ(out.Pixel(48 + int(i % 6), 1 + int(i / 6)), at(profile ? converted : rgb)) << i;
      EXPECT_EQ(out.Pixel(54 + int(i % 6), 1 + int(i / 6)), at(rgb)) << i;
    }
  }
}

// A source is read a row at a time and resampled as its rows arrive: a 4000 x 4000 BMP (48 MB
// of pixels) is joined under an address-space limit 48 MiB above what the process holds.
TEST(BatchFormats, ALargeSourceIsJoinedInAFewOfItsRows) {
  TempDir dir;
  WriteSolid(dir, "big.bmp", 4000, 4000, 0x336699);
  const pid_t child = ::fork();
  if (child == 0) {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{48} << 20);
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
    const BatchResult r = RunBatchWith(
        {"-f", "contain", "-W", "200", "-H", "100", "-o", dir.PathOf("o.bmp"), dir.Path()});
    ::_exit(r.status == app::kExitWritten && r.err.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const WrittenBmp out = ReadWritten(dir.PathOf("o.bmp"));
  EXPECT_EQ(std::pair(out.Pixel(50, 0), out.Pixel(149, 99)), std::pair(0x336699u, 0x336699u));
  EXPECT_EQ(std::pair(out.Pixel(49, 0), out.Pixel(150, 99)), std::pair(0u, 0u));
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
