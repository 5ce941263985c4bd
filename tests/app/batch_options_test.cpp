#include "app/batch_options.h"

#include "formats/output_formats.h"

#include <gtest/gtest.h>

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
      {"-a", "3", "d"},
      {"-f", "middle", "d"},
      {"-b", "12345", "d"},
      {"-b", "GG0000", "d"},
      {"--colour", "d"},
      {"-W"},
      {"d", "e"},
      {"-q=1", "d"},
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
      {{"-x\n", "d"}, "unknown option '-x'$'\\n'"},
      {{"d", "e\033[2J"}, "more than one DIRECTORY: 'e'$'\\033''[2J'"},
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
      {"out.JPG",
       "--output: eveda-batch does not write '.JPG' files; give a name ending in .bmp or .png, or "
       "none"},
      {"out.bmp.",
       "--output: eveda-batch does not write '.' files; give a name ending in .bmp or "
       ".png, or none"},
      {"x.\n\033",
       "--output: eveda-batch does not write '.'$'\\n\\033' files; give a name ending in .bmp "
       "or .png, or none"},
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
            ".bmp or .png, or none");
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
  EXPECT_EQ(Parse({"-q"}).error(), "no DIRECTORY given");
  EXPECT_EQ(Parse({"--version=2"}).error(), "--version takes no value");
}

}  // namespace
}  // namespace app
