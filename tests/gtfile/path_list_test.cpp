#include <string>

#include <gtest/gtest.h>

#include "gtfile/path_list.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::string_literals;
using GTFile::PathListFormat;

std::string Joined(const GTFile::PathList& paths) {
  if (!paths) return "error: " + paths.error();
  std::string joined;
  for (const std::string& path : *paths) joined += (joined.empty() ? "" : "|") + path;
  return joined;
}

struct SplitCase {
  PathListFormat format;
  std::string bytes;
  std::string expected;  // the paths joined by "|", or "error: " and the reason
};

const SplitCase kSplitCases[] = {
    {PathListFormat::Lines, "a.bmp\nsub/b.bmp\n", "base/a.bmp|base/sub/b.bmp"},
    {PathListFormat::Lines, "/abs/a.bmp\n\n\nb.bmp", "/abs/a.bmp|base/b.bmp"},
    {PathListFormat::Lines, " sp \r\n\xff.bmp\n", "base/ sp \r|base/\xff.bmp"},
    {PathListFormat::Lines, "", ""},
    {PathListFormat::Lines, "a\nb\0c\nd\n"s,
     "error: line 2 holds a NUL byte, which no path can: is it a NUL-separated list?"},
    {PathListFormat::NulSeparated, "\0\0a\nb\0\0/c.bmp\0last"s, "base/a\nb|/c.bmp|base/last"},
};

class PathListTest : public testing::TestWithParam<SplitCase> {};

// Whole, and a byte at a time, so that every entry is also cut by a chunk's end.
TEST_P(PathListTest, SplitsTheSameInAnyChunks) {
  const SplitCase& c = GetParam();
  GTFile::PathListSplitter whole("base/", c.format);
  whole.Feed(c.bytes);
  EXPECT_EQ(Joined(whole.Finish()), c.expected);
  GTFile::PathListSplitter bytewise("base/", c.format);
  for (const char byte : c.bytes) bytewise.Feed(std::string_view(&byte, 1));
  EXPECT_EQ(Joined(bytewise.Finish()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, PathListTest, testing::ValuesIn(kSplitCases));

TEST(ReadPathListTest, ResolvesAgainstTheListsDirectoryAndSaysWhyItCannotRead) {
  eveda::testing::TempDir dir;
  std::string lines;
  for (int i = 0; i < 100000; ++i) lines += "img" + std::to_string(i) + ".bmp\n";
  const std::string list = dir.WriteFile("lists/big.txt", lines + "/abs/last.bmp");
  const GTFile::PathList paths = GTFile::ReadPathList(list, PathListFormat::Lines);
  ASSERT_TRUE(paths) << paths.error();
  ASSERT_EQ(paths->size(), 100001u);
  EXPECT_EQ((*paths)[0], dir / "lists/img0.bmp");
  EXPECT_EQ((*paths)[100000], "/abs/last.bmp");
  EXPECT_EQ(Joined(GTFile::ReadPathList(dir / "missing.txt", PathListFormat::Lines)),
            "error: cannot be opened: No such file or directory");
  EXPECT_EQ(Joined(GTFile::ReadPathList(dir / "lists", PathListFormat::NulSeparated)),
            "error: cannot be read: Is a directory");
}

}  // namespace
