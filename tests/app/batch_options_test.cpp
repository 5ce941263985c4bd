#include "app/batch_options.h"
#include "app/batch_captions.h"

#include "formats/output_formats.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include <string>
#include <string_view>
#include <vector>

namespace app {
namespace {

eveda::Result<BatchOptions, std::string> Parse(std::vector<std::string_view> args) {
  return ParseBatchOptions(args);
}

TEST(BatchOptionsTest, EveryOptionInShortAndLongForm) {
  auto r = Parse({"-W", "100.5", "--block-height=50", "-s3", "--wrap", "4", "-a", "columns-rtl",
                  "--fit=center", "-b", "#FF8000", "-o", "/tmp/x.bmp", "-q", "/pics"});
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r->directory, "/pics");
  EXPECT_EQ(r->blockWidth, 100.5);
  EXPECT_EQ(r->blockHeight, 50);
  EXPECT_EQ(r->spacing, 3);
  EXPECT_EQ(r->wrap, 4);
  EXPECT_EQ(r->order, join::ArrangeOrder::ColumnsFromTopRight);
  EXPECT_EQ(r->fit, join::FitMode::Centre);
  EXPECT_EQ(r->background, 0x0080FFu);  // RRGGBB typed, 0x00BBGGRR held
  EXPECT_EQ(r->output, "/tmp/x.bmp");
  EXPECT_TRUE(r->quiet);
  r = Parse({"-l", "%f", "--label-size=20", "--label-color", "00ff00", "--font", "Noto Sans", "d"});
  EXPECT_EQ(std::tie(*r->label, *r->labelSize, *r->labelColour, *r->font),
            std::make_tuple("%f", 20, 0x00FF00u, "Noto Sans"));
}

// 12 pixels, or an eighth of a cell narrower than 96, at least 6; a typed size is kept.
TEST(BatchOptionsTest, CaptionSizeByCellWidth) {
  const std::array<std::array<int, 3>, 6> cases = {
      {{400, 0, 12}, {96, 0, 12}, {95, 0, 11}, {47, 0, 6}, {3, 0, 6}, {3, 30, 30}}};
  for (const auto& [width, typed, size] : cases) {
    BatchOptions options;
    if (typed) options.labelSize = typed;
    EXPECT_EQ(CaptionSizeFor(options, width), size) << width;
  }
}

TEST(BatchOptionsTest, DefaultsLeaveTheWindowsProposals) {
  auto r = Parse({"my pics"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->directory, "my pics");
  EXPECT_FALSE(r->blockWidth || r->blockHeight || r->spacing || r->wrap || r->order || r->fit ||
               r->background || r->output || r->quiet);
}

TEST(BatchOptionsTest, ChoicesByNameOrPosition) {
  EXPECT_EQ(Parse({"-a", "rows", "d"})->order, join::ArrangeOrder::RowsFromTopLeft);
  EXPECT_EQ(Parse({"-a", "1", "d"})->order, join::ArrangeOrder::ColumnsFromTopLeft);
  EXPECT_EQ(Parse({"-f", "stretch", "d"})->fit, join::FitMode::Stretch);
  EXPECT_EQ(Parse({"-f", "0", "d"})->fit, join::FitMode::TopLeft);
  EXPECT_EQ(Parse({"-H", "2.5", "-w", "3.5", "-s", "+2", "d"})->blockHeight, 2);  // half to even
  EXPECT_EQ(Parse({"-w", "3.5", "d"})->wrap, 4);
  EXPECT_EQ(Parse({"-b", "0000ff", "d"})->background, 0xFF0000u);
}

TEST(BatchOptionsTest, UsageErrors) {
  const std::vector<std::vector<std::string_view>> bad = {
      {},
      {"-W", "12ab", "d"},
      {"-W", "", "d"},
      {"-s", "&HFF", "d"},
      {"-w", "1 2", "d"},
      {"-H", "-", "d"},
      {"-a", "4", "d"},
      {"-f", "middle", "d"},
      {"-b", "12345", "d"},
      {"-b", "GG0000", "d"},
      {"--colour", "d"},
      {"-W"},
      {"d", "e"},
      {"-q=1", "d"},
      {"--label-color", "white", "d"},
      {"--font=", "d"},
      {"-\1", "12", "d"},  // long-only options have no short form
      {"-l"},
  };
  for (const auto& args : bad) {
    EXPECT_FALSE(Parse(args)) << (args.empty() ? "(none)" : std::string(args[0]));
  }
}

// A value the window's box would refuse is a usage error that names the option, with the
// edges read as the boxes read them: the cell width as typed, the rest rounded half to even.
TEST(BatchOptionsTest, ValuesTheBoxesWouldRefuseNameTheOption) {
  struct Case {
    std::vector<std::string_view> args;
    const char* error;
  };
  const Case cases[] = {
      {{"-s", "-1", "d"}, "--spacing must be at least 0, not '-1'"},
      {{"-s", "-0.6", "d"}, "--spacing must be at least 0, not '-0.6'"},
      {{"-s", "2147483648", "d"}, "--spacing must be at most 2147483647, not '2147483648'"},
      {{"--spacing=-1e400", "d"}, "--spacing must be at least 0, not '-1e400'"},
      {{"-w", "0", "d"}, "--wrap must be at least 1, not '0'"},
      {{"--wrap=0.5", "d"}, "--wrap must be at least 1, not '0.5'"},
      {{"-w", "-3", "d"}, "--wrap must be at least 1, not '-3'"},
      {{"-w", "1e10", "d"}, "--wrap must be at most 2147483647, not '1e10'"},
      {{"-W", "0", "d"}, "--block-width must be more than 0, not '0'"},
      {{"-W", "-0.5", "d"}, "--block-width must be more than 0, not '-0.5'"},
      {{"-W", "2147483647.5", "d"}, "--block-width must be at most 2147483647, not '2147483647.5'"},
      {{"-W", "1e400", "d"}, "--block-width must be at most 2147483647, not '1e400'"},
      {{"-H", "0.4", "d"}, "--block-height must be at least 1, not '0.4'"},
      {{"-H", "0.5", "d"}, "--block-height must be at least 1, not '0.5'"},
      {{"-H", "2147483647.5", "d"},
       "--block-height must be at most 2147483647, not '2147483647.5'"},
      {{"-H", "12ab", "d"}, "--block-height needs a number, not '12ab'"},
      {{"--label-size", "0.4", "d"}, "--label-size takes a size from 1 to 1024 pixels, not '0.4'"},
      {{"--label-size=1025", "d"}, "--label-size takes a size from 1 to 1024 pixels, not '1025'"},
      {{"--label-size", "12px", "d"},
       "--label-size takes a size from 1 to 1024 pixels, not '12px'"},
      {{"-x\n", "d"}, "unknown option '-x'$'\\n'"},
      {{"d", "e\033[2J"}, "-o is needed with more than one PATH or --files-from"},
      {{"--files-from", "-"}, "-o is needed with more than one PATH or --files-from"},
      {{"--sort", "Name", "d"}, "--sort takes name, natural, mtime, size or none"},
      {{"--map", "m.j\nson", "d"},
       "--map takes a file ending in .json or .csv, not 'm.j'$'\\n''son'"},
      {{"-a", "rows-ltr", "d"}, "--order takes rows, columns, columns-rtl or rows-rtl"},
      {{"--quality=90.5", "d"}, "--quality takes a whole number from 1 to 100, not '90.5'"},
      {{"--subsample", "422", "d"}, "--subsample takes 420 or 444"},
      {{"--tiff-compression=zip", "d"}, "--tiff-compression takes none, lzw, deflate or jpeg"},
      {{"-O", "jpg", "d"}, "--format takes bmp, png, jpeg, tiff or webp, not 'jpg'"},
      {{"-O", "png", "-o", "x.jpg", "d"},
       "--format png and --output 'x.jpg' name two different formats"},
      {{"-O", "webp", "d"}, "--format webp needs -o PATH: the default output is a .bmp file"},
      {{"-\x01", "d"}, "unknown option '-'$'\\001'"},
      {{"-Q", "101", "d"}, "--quality takes a whole number from 1 to 100, not '101'"},
      {{"--tile-size", "0", "-o", "x.dzi", "d"},
       "--tile-size takes a size from 1 to 8192, not '0'"},
      {{"--tile-format=webp", "-o", "x.dzi", "d"}, "--tile-format takes jpeg or png"},
      {{"--viewer", "-o", "x.png", "d"},
       "--tile-size, --overlap, --tile-format and --viewer need -o NAME.dzi"},
      {{"--tile-size=8", "--overlap", "9", "-o", "x.dzi", "d"},
       "--overlap must be at most the tile size"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    const auto r = Parse(c.args);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), c.error);
  }
  const std::vector<std::vector<std::string_view>> accepted = {
      {"-W", "0.0001", "d"},       {"-W", "2147483647", "d"},
      {"-H", "0.6", "d"},          {"-H", "1.5", "d"},
      {"-H", "2147483647.4", "d"}, {"-s", "0", "d"},
      {"-s", "-0.4", "d"},         {"-s", "-0.5", "d"},
      {"-s", "2147483647", "d"},   {"-w", "1", "d"},
      {"-w", "0.51", "d"},         {"-w", "2147483647", "d"},
      {"-W", "2147483647.4", "d"},  // the width, like the others, counts once rounded
  };
  for (const auto& args : accepted) {
    const auto r = Parse(args);
    EXPECT_TRUE(r) << args[0] << ' ' << args[1] << ": " << (r ? "" : r.error());
  }
}

// The output's extension picks the format: .bmp in any case, or none, is BMP; any other is a
// usage error that names it; "-" is standard output.
TEST(BatchOptionsTest, OutputExtensionNamesAFormatEvedaWrites) {
  const struct {
    std::string_view path;
    const char* error;  // nullptr: accepted
  } cases[] = {
      {"out.bmp", nullptr},
      {"OUT.BMP", nullptr},
      {"dir.png/out.Bmp", nullptr},
      {"out", nullptr},
      {".hidden", nullptr},
      {"-", nullptr},
      {"./-", nullptr},
      {"out.PNG", nullptr},
      {"pyramid.Dzi", nullptr},
      {"out.JPG", nullptr},
      {"out.webp", nullptr},
      {"out.gif",
       "--output: eveda-batch does not write '.gif' files; give a name ending in .bmp, .png, "
       ".jpg, .jpeg, .tif, .tiff or .webp, or none"},
      {"out.bmp.",
       "--output: eveda-batch does not write '.' files; give a name ending in .bmp, .png, .jpg, "
       ".jpeg, .tif, .tiff or .webp, or none"},
      {"x.\n\033",
       "--output: eveda-batch does not write '.'$'\\n\\033' files; give a name ending in .bmp, "
       ".png, .jpg, .jpeg, .tif, .tiff or .webp, or none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto r = Parse({"-o", c.path, "d"});
    if (c.error == nullptr) {
      ASSERT_TRUE(r) << r.error();
      EXPECT_EQ(r->output, c.path);
    } else {
      ASSERT_FALSE(r);
      EXPECT_EQ(r.error(), c.error);
    }
  }
  const auto control = Parse({"-o", "x.b\033mp", "d"});
  ASSERT_FALSE(control);
  EXPECT_EQ(control.error(),
            "--output: eveda-batch does not write '.b'$'\\033''mp' files; give a name ending in "
            ".bmp, .png, .jpg, .jpeg, .tif, .tiff or .webp, or none");
}

TEST(BatchOptionsTest, FormatsCompressionAndContain) {
  auto r = Parse({"-i", "*.png", "--include=*.JPG", "-z", "9", "-f", "contain", "d"});
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r->include, (std::vector<std::string>{"*.png", "*.JPG"}));
  EXPECT_EQ(r->compression, 9);
  EXPECT_EQ(r->fit, join::FitMode::Contain);
  EXPECT_EQ(Parse({"-f", "3", "-z0", "d"})->fit, join::FitMode::Contain);
  EXPECT_EQ(Parse({"--compression=0", "d"})->compression, 0);
  EXPECT_TRUE(Parse({"d"})->include.empty());
  EXPECT_EQ(Parse({"-z", "10", "d"}).error(), "--compression takes a level from 0 to 9, not '10'");
  EXPECT_EQ(Parse({"-z", "-1", "d"}).error(), "--compression takes a level from 0 to 9, not '-1'");
  EXPECT_EQ(Parse({"-i", "", "d"}).error(), "--include needs a pattern");
  EXPECT_EQ(Parse({"-f", "4", "d"})->fit, join::FitMode::Cover);
  EXPECT_EQ(Parse({"-f", "5", "d"}).error(),
            "--fit takes top-left, center, stretch, contain or cover");
  using Resample = BatchOptions::Resample;
  EXPECT_EQ(Parse({"--resample", "window", "d"})->resample, Resample::Window);
  EXPECT_EQ(Parse({"--resample=cubic", "d"}).error(),
            "--resample takes window, nearest, linear or lanczos3");
  EXPECT_EQ(Parse({"-f", "cover", "--resample", "window", "d"}).error(),
            "--fit cover takes --resample nearest, linear or lanczos3");
  const auto turned = Parse({"d"}), kept = Parse({"--no-rotate", "--no-profile", "d"});
  EXPECT_TRUE(turned->rotate && turned->profile && !turned->resample);
  EXPECT_FALSE(kept->rotate || kept->profile);
  const auto encoded = Parse({"-Q", "75", "--lossless", "-O", "webp", "-o", "grid", "d"});
  EXPECT_EQ(OutputFormatFor(*encoded).name, "WebP");  // -O names a PATH without extension
  EXPECT_EQ(OutputFormatFor(*Parse({"-O", "tiff", "-o", "-", "d"})).name, "TIFF");
  EXPECT_EQ(OutputFormatFor(*Parse({"-O", "jpeg", "-o", "x.JPG", "-Q1", "d"})).name, "JPEG");
  EXPECT_EQ(Parse({"--quality=100", "-O", "bmp", "d"})->quality, 100);
  EXPECT_EQ(OutputFormatFor(*Parse({"-o", "x.TIF", "d"})).name, "TIFF");
  const auto formatOf = [](std::string_view path) {
    const auto format = formats::OutputFormatOf(path);
    return format ? format->name : std::string_view("none");
  };
  for (std::string_view png : {"a.png", "/x/B.PNG", "c.pNg"})
    EXPECT_EQ(formatOf(png), "PNG") << png;
  for (std::string_view other : {"a.bmp", "png", ".png", "a.png.bmp", "apng"})
    EXPECT_EQ(formatOf(other), "BMP") << other;
  EXPECT_EQ(formatOf("a.pn"), "none");
}

TEST(BatchOptionsTest, InputsAndTheirOrder) {
  auto r = Parse({"-r", "--sort=natural", "--reverse", "-0", "--files-from", "-", "--dry-run",
                  "--map", "cells.CSV", "-a", "3", "d", "f.jpg"});
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r->paths, (std::vector<std::string>{"d", "f.jpg"}));
  EXPECT_TRUE(r->recursive && r->reverse && r->nullSeparated && r->dryRun && r->filesFrom == "-");
  EXPECT_EQ(r->sort, GTFile::ListOrder::Natural);
  EXPECT_EQ(r->map, "cells.CSV");
  EXPECT_EQ(r->order, join::ArrangeOrder::RowsFromTopRight);
}

TEST(BatchOptionsTest, StrictNumbers) {
  for (std::string_view good : {"0", "12", "-1", "+3", "100.5", ".5", "5.", "9E9", "1e-3"}) {
    EXPECT_TRUE(IsStrictNumber(good)) << good;
  }
  for (std::string_view bad : {"", ".", "-", "e5", "1e", "1.2.3", " 7", "7 ", "0x10", "1,5"}) {
    EXPECT_FALSE(IsStrictNumber(bad)) << bad;
  }
}

TEST(BatchOptionsTest, DoubleDashEndsOptions) {
  auto r = Parse({"--", "-odd-name"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->directory, "-odd-name");
  EXPECT_TRUE(Parse({"-h"})->help);
}

TEST(BatchOptionsTest, VersionNeedsNoDirectoryAndTakesNoValue) {
  for (std::string_view flag : {"-V", "--version"}) {
    auto r = Parse({flag});
    ASSERT_TRUE(r) << flag << ": " << r.error();
    EXPECT_TRUE(r->version) << flag;
    EXPECT_FALSE(r->help) << flag;
  }
  EXPECT_EQ(Parse({"-q"}).error(), "no PATH given");
  EXPECT_EQ(Parse({"--version=2"}).error(), "--version takes no value");
}

}  // namespace
}  // namespace app
