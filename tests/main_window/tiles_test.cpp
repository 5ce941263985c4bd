// What the run draws: the worked grid in all three orders, the fit modes and a source that
// cannot be read, checked pixel by pixel in the written file.

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "join/proposals.h"
#include "tests/support/run_test_support.h"

#include <sys/stat.h>

#include <filesystem>

namespace eveda::testing {
namespace {

constexpr Rgb kBackground = 0x804020;
constexpr std::array<Rgb, 5> kColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF};

struct Point {
  int x;
  int y;
};

struct OrderCase {
  int order;
  int width;
  int height;
  std::array<Point, 5> origins;  // files 1 to 5
  Point emptyCell;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << "order " << c.order; }

class WorkedGrid : public ::testing::TestWithParam<OrderCase> {};

// Five sources of exactly 100 x 50, wrap 2, spacing 3.
TEST_P(WorkedGrid, EveryCellAtItsOriginWithGapsMarginsAndTheEmptyCellInTheBackground) {
  const OrderCase& c = GetParam();
  TempDir dir;
  for (int i = 0; i < 5; ++i)
    WriteSolid(dir, std::string(1, 'a' + i) + ".bmp", 100, 50, kColours[i]);
  Window window(dir.Path());
  window.Loaded();
  Configure(window, {.order = c.order});
  ChooseBackground(window, kBackground);
  window.form.PlemoBMP();

  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  ASSERT_EQ(out.bytes.size(), 54u + static_cast<std::size_t>(out.Stride()) * c.height);
  EXPECT_EQ(std::vector<std::uint8_t>(out.bytes.begin(), out.bytes.begin() + 54),
            ExpectedHeader(c.width, c.height));
  for (int i = 0; i < 5; ++i) {
    const auto [x, y] = c.origins[i];
    SCOPED_TRACE("file " + std::to_string(i + 1));
    EXPECT_EQ(out.Pixel(x, y), kColours[i]);
    EXPECT_EQ(out.Pixel(x + 99, y + 49), kColours[i]);
    EXPECT_EQ(out.Pixel(x - 1, y - 1), kBackground);  // gap or margin before the cell
    EXPECT_EQ(out.Pixel(x + 100, y + 50), kBackground);
  }
  EXPECT_EQ(out.Pixel(c.emptyCell.x, c.emptyCell.y), kBackground);
  EXPECT_EQ(out.Pixel(c.emptyCell.x + 99, c.emptyCell.y + 49), kBackground);
  EXPECT_EQ(out.Pixel(0, 0), kBackground);
  EXPECT_EQ(out.Pixel(c.width - 1, c.height - 1), kBackground);
}

INSTANTIATE_TEST_SUITE_P(
    AllOrders, WorkedGrid,
    ::testing::Values(
        OrderCase{0, 209, 162, {{{3, 3}, {106, 3}, {3, 56}, {106, 56}, {3, 109}}}, {106, 109}},
        OrderCase{1, 312, 109, {{{3, 3}, {3, 56}, {106, 3}, {106, 56}, {209, 3}}}, {209, 56}},
        OrderCase{2, 312, 109, {{{209, 3}, {209, 56}, {106, 3}, {106, 56}, {3, 3}}}, {3, 56}}));

// A pixel of the output and where it must come from: a pattern source's (sx, sy), or the
// background when sx is negative.
struct Expect {
  int x;
  int y;
  int sx;
  int sy;
};
constexpr int kBg = -1;

struct FitCase {
  const char* name;
  Layout layout;
  Point first;  // source sizes
  Point second;
  std::vector<Expect> pixels;
};

void PrintTo(const FitCase& c, std::ostream* out) { *out << c.name; }

class Fit : public ::testing::TestWithParam<FitCase> {};

// Two pattern sources in one row of two cells of 100 x 50 at (3, 3) and (106, 3).
TEST_P(Fit, CopiesTheRightPartOfTheSourceToTheRightPlace) {
  const FitCase& c = GetParam();
  TempDir dir;
  WritePattern(dir, "a.bmp", c.first.x, c.first.y);
  WritePattern(dir, "b.bmp", c.second.x, c.second.y);
  Window window(dir.Path());
  window.Loaded();
  Configure(window, c.layout);
  ChooseBackground(window, kBackground);
  window.form.PlemoBMP();

  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  ASSERT_EQ(out.height, 56);
  for (const Expect& e : c.pixels) {
    EXPECT_EQ(out.Pixel(e.x, e.y), e.sx == kBg ? kBackground : Pattern(e.sx, e.sy))
        << "at (" << e.x << ", " << e.y << ")";
  }
}

const Layout kCentre{.fit = 1};
const Layout kTopLeft{.fit = 0};

INSTANTIATE_TEST_SUITE_P(
    Modes, Fit,
    ::testing::Values(
        FitCase{"NarrowTallSourceCentredAcrossCroppedToItsMiddleRows",
                kCentre,
                {100, 50},
                {60, 80},
                {{126, 3, 0, 15}, {185, 52, 59, 64}, {125, 3, kBg, 0}, {186, 52, kBg, 0}}},
        FitCase{"HalfPixelOffsetsRoundToEvenWithTheCellOrigin",
                kCentre,
                {95, 50},
                {95, 50},
                {{5, 3, kBg, 0},
                 {6, 3, 0, 0},
                 {100, 52, 94, 49},
                 {101, 3, kBg, 0},
                 {107, 3, kBg, 0},
                 {108, 3, 0, 0},
                 {202, 52, 94, 49},
                 {203, 3, kBg, 0}}},
        FitCase{"WiderSourcesCroppedFromColumnsTwoAndFour",
                kCentre,
                {105, 50},
                {107, 50},
                {{3, 3, 2, 0}, {102, 52, 101, 49}, {106, 3, 4, 0}, {205, 52, 103, 49}}},
        FitCase{"FractionalBlockWidthCopiesRoundedWidthAtUnroundedOrigins",
                {.blockWidth = "100.5"},
                {110, 50},
                {110, 50},
                {{3, 3, 0, 0},
                 {102, 52, 99, 49},
                 {103, 3, kBg, 0},
                 {106, 3, 0, 0},
                 {205, 52, 99, 49},
                 {206, 3, kBg, 0}}},
        FitCase{"TopLeftCropsALargerSourceAndLeavesBackgroundBesideASmallerOne",
                kTopLeft,
                {120, 70},
                {60, 30},
                {{3, 3, 0, 0},
                 {102, 52, 99, 49},
                 {103, 52, kBg, 0},
                 {3, 53, kBg, 0},
                 {106, 3, 0, 0},
                 {165, 32, 59, 29},
                 {166, 3, kBg, 0},
                 {106, 33, kBg, 0},
                 {205, 52, kBg, 0}}}),
    [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

TEST(Stretch, FillsEveryCellWhateverTheSourceShape) {
  TempDir dir;
  const std::array<Point, 4> sizes = {{{30, 70}, {250, 20}, {100, 50}, {1, 1}}};
  for (int i = 0; i < 4; ++i)
    WriteSolid(dir, std::string(1, 'a' + i) + ".bmp", sizes[i].x, sizes[i].y, kColours[i]);
  Window window(dir.Path());
  window.Loaded();
  Configure(window, {.fit = 2});
  ChooseBackground(window, kBackground);
  window.form.PlemoBMP();

  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  ASSERT_EQ(out.width, 209);
  ASSERT_EQ(out.height, 109);
  const std::array<Point, 4> origins = {{{3, 3}, {106, 3}, {3, 56}, {106, 56}}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE("file " + std::to_string(i + 1));
    int wrong = 0;
    for (int y = origins[i].y; y < origins[i].y + 50; ++y)
      for (int x = origins[i].x; x < origins[i].x + 100; ++x)
        wrong += out.Pixel(x, y) != kColours[i];
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(out.Pixel(origins[i].x - 1, origins[i].y - 1), kBackground);
    EXPECT_EQ(out.Pixel(origins[i].x + 100, origins[i].y + 50), kBackground);
  }
}

TEST(UnreadableSource, KeepsItsCellInTheBackgroundAndIsNamedOnceAfterTheSave) {
  TempDir dir;
  for (int i = 0; i < 5; ++i)
    WriteSolid(dir, std::string(1, 'a' + i) + ".bmp", 100, 50, kColours[i]);
  dir.WriteFile("c.bmp", std::string(200, '\x5A'));
  Window window(dir.Path());
  window.Loaded();
  Configure(window, {});
  ChooseBackground(window, kBackground);
  window.ui.ClearLog();
  const std::size_t live = LiveDrawingObjects();
  window.form.PlemoBMP();

  EXPECT_EQ(LiveDrawingObjects(), live);
  EXPECT_EQ(window.ui.Log(), std::vector<std::string>({
                                 "title:描画準備中・・・",
                                 "doevents",
                                 "title:描画中・・・1/5",
                                 "doevents",
                                 "title:描画中・・・2/5",
                                 "doevents",
                                 "title:描画中・・・3/5",
                                 "doevents",
                                 "title:描画中・・・4/5",
                                 "doevents",
                                 "title:描画中・・・5/5",
                                 "doevents",
                                 "title:保存中・・・",
                                 "doevents",
                                 "title:DID Eveda v1.0",
                                 "msgbox:48:読み込めなかった画像が1個あります。"
                                 "そのブロックは背景色のままです：\n"
                                 "c.bmp（BMPファイルではありません）",
                             }));
  EXPECT_EQ(window.form.LastRun().notDrawn,
            std::vector<join::NotDrawnSource>(
                {{2, dir.PathOf("c.bmp"), {bmp_loader::DecodeError::NotBmp}}}));
  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  ASSERT_EQ(out.height, 162);
  const std::array<Point, 5> origins = {{{3, 3}, {106, 3}, {3, 56}, {106, 56}, {3, 109}}};
  for (int i = 0; i < 5; ++i) {
    const Rgb expected = i == 2 ? kBackground : kColours[i];
    EXPECT_EQ(out.Pixel(origins[i].x, origins[i].y), expected) << "file " << i + 1;
    EXPECT_EQ(out.Pixel(origins[i].x + 99, origins[i].y + 49), expected) << "file " << i + 1;
  }
}

// b.bmp to k.bmp, each on its own line followed by `reason`.
std::string TenNames(const std::string& reason) {
  std::string names;
  for (char name = 'b'; name <= 'k'; ++name)
    names.append("\n").append(1, name).append(".bmp").append(reason);
  return names;
}

TEST(UnreadableSource, BeyondTenTheMessageCountsTheRest) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 4, 4, kColours[0]);
  for (char name = 'b'; name <= 'm'; ++name) dir.WriteFile(std::string(1, name) + ".bmp", "BM");
  Window window(dir.Path());
  window.Loaded();
  window.form.PlemoBMP();
  EXPECT_EQ(window.ui.Log("msgbox:"),
            std::vector<std::string>({"msgbox:48:読み込めなかった画像が12個あります。"
                                      "そのブロックは背景色のままです：" +
                                      TenNames("（ヘッダーの途中でファイルが終わっています）") +
                                      "\nほか2個"}));
  EXPECT_EQ(window.form.LastRun().notDrawn.size(), 12u);
  EXPECT_EQ(ReadWritten(dir.PathOf("plemo001.bmp")).Pixel(0, 0), kColours[0]);
}

// What happens to a folder between the scan and the run: a source swapped for a FIFO (which
// must not hold the run), a header that claims far more than the file holds (which must not
// size the cells), a file that vanished. Each keeps its cell in the background and is named
// with its reason; every other source is drawn.
TEST(UnreadableSource, ChangedAfterTheScanOrLyingAboutItsSize) {
  TempDir dir;
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
    WriteSolid(dir, name, 8, 8, kColours[0]);
  dir.WriteFile("e.bmp", BmpHeader(65536, 65536));  // 54 bytes that claim 12 GiB
  Window window(dir.Path());
  window.Loaded();
  EXPECT_EQ(window.ui.Text({toolkit::Group::Text1, 0}), "8");
  EXPECT_EQ(window.ui.Text({toolkit::Group::Text1, 1}), "8");
  std::filesystem::remove(dir.PathOf("b.bmp"));
  ASSERT_EQ(::mkfifo(dir.PathOf("b.bmp").c_str(), 0600), 0);  // nobody will ever write to it
  std::filesystem::remove(dir.PathOf("c.bmp"));
  window.form.PlemoBMP();

  using bmp_loader::DecodeError;
  EXPECT_EQ(
      window.form.LastRun().notDrawn,
      std::vector<join::NotDrawnSource>({{1, dir.PathOf("b.bmp"), {DecodeError::NotRegularFile}},
                                         {2, dir.PathOf("c.bmp"), {DecodeError::NotFound}},
                                         {4, dir.PathOf("e.bmp"), {DecodeError::TooLarge}}}));
  EXPECT_EQ(window.ui.Log("msgbox:"),
            std::vector<std::string>({"msgbox:48:読み込めなかった画像が3個あります。"
                                      "そのブロックは背景色のままです：\n"
                                      "b.bmp（通常のファイルではありません）\n"
                                      "c.bmp（ファイルが見つかりません）\n"
                                      "e.bmp（画像が大きすぎます）"}));
  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  EXPECT_EQ(out.width, 24);
  EXPECT_EQ(out.height, 16);
  EXPECT_EQ(out.Pixel(0, 0), kColours[0]);
  EXPECT_EQ(out.Pixel(8, 0), 0u);
  EXPECT_EQ(out.Pixel(23, 0), 0u);
  EXPECT_EQ(out.Pixel(7, 15), kColours[0]);
  EXPECT_EQ(out.Pixel(8, 8), 0u);
}

// A name in the list is shown with '?' for each control character, so that a newline or an
// escape in a file name cannot break the message apart.
TEST(UnreadableSource, ControlCharactersInNamesShowAsQuestionMarks) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 4, 4, kColours[0]);
  dir.WriteFile("b\n\x1b[2J\x7f.bmp", "not a picture");
  Window window(dir.Path());
  window.Loaded();
  window.form.PlemoBMP();
  EXPECT_EQ(window.ui.Log("msgbox:"),
            std::vector<std::string>({"msgbox:48:読み込めなかった画像が1個あります。"
                                      "そのブロックは背景色のままです：\n"
                                      "b??[2J?.bmp（BMPファイルではありません）"}));
}

// The window writes the name it showed, replacing whatever took it meanwhile; a join that never
// showed the name (eveda-batch's) keeps such a file and takes the next free name.
TEST(OutputName, TakenBetweenTheScanAndTheSave) {
  for (const bool keep : {false, true}) {
    SCOPED_TRACE(keep ? "kept" : "replaced");
    TempDir dir;
    WriteSolid(dir, "a.bmp", 4, 4, kColours[0]);
    Window window(dir.Path());
    window.Loaded();
    dir.WriteFile("plemo001.bmp", "written by another run");
    std::string written = window.form.Job().OutputPath;
    if (keep) {
      join::JoinRequest request;
      request.sources = {dir.PathOf("a.bmp")};
      request.layout = main_window::LayoutOf(window.form.Job());
      request.output = {written, formats::BmpOutput(), {}, join::NextFreeOutputName()};
      struct : join::JoinObserver {
        void Progress(join::Phase, std::int64_t, std::int64_t) override {}
        bool StopRequested() override { return false; }
      } quiet;
      written = join::Join(request, quiet).path;
    } else {
      window.form.PlemoBMP();
      written = window.form.LastRun().outputPath;
    }
    const std::string expected = dir.PathOf(keep ? "plemo002.bmp" : "plemo001.bmp");
    EXPECT_EQ(written, expected);
    EXPECT_EQ(ReadWritten(expected).Pixel(3, 3), kColours[0]);
    if (keep) {
      const std::vector<std::uint8_t> other = ReadBytes(dir.PathOf("plemo001.bmp"));
      EXPECT_EQ(std::string(other.begin(), other.end()), "written by another run");
    }
    EXPECT_EQ(Tree(dir.Path()).size(), keep ? 3u : 2u);
  }
}

}  // namespace
}  // namespace eveda::testing
