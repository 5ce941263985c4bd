#include "app/batch_options.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace batch {
namespace {

eveda::Result<BatchOptions, std::string> Parse(std::vector<std::string_view> args) {
  return ParseBatchOptions(args);
}

TEST(BatchOptionsTest, EveryOptionInShortAndLongForm) {
  auto r = Parse({"-W", "100.5", "--block-height=50", "-s3", "--wrap", "4", "-a", "columns-rtl",
                  "--fit=center", "-b", "#FF8000", "-o", "/tmp/x.bmp", "-q", "/pics"});
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(r->directory, "/pics");
  EXPECT_EQ(r->blockWidth, "100.5");
  EXPECT_EQ(r->blockHeight, "50");
  EXPECT_EQ(r->spacing, "3");
  EXPECT_EQ(r->wrap, "4");
  EXPECT_EQ(r->order, 2);
  EXPECT_EQ(r->fit, 1);
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
  EXPECT_EQ(Parse({"-a", "rows", "d"})->order, 0);
  EXPECT_EQ(Parse({"-a", "1", "d"})->order, 1);
  EXPECT_EQ(Parse({"-f", "stretch", "d"})->fit, 2);
  EXPECT_EQ(Parse({"-f", "0", "d"})->fit, 0);
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

}  // namespace
}  // namespace batch
