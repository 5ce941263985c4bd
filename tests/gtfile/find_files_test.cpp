#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "gtfile/gtfile.h"
#include "tests/support/temp_dir.h"

namespace {

using eveda::testing::TempDir;

using GTFile::NameList;

// A name list as the routines must shape it: empty element 0, then the entries.
NameList Listed(std::vector<std::string> entries) {
  entries.insert(entries.begin(), std::string());
  return entries;
}

NameList FindBmp(const std::string& dir, bool recurse = false) {
  NameList names;
  GTFile::FindFiles(dir, names, {"*.bmp"}, recurse);
  return names;
}

TEST(FindFilesTest, EmptyDirectoryGivesElementZeroOnly) {
  TempDir dir;
  dir.WriteFile("notes.txt", "data");
  NameList names = {"", "left over", "from before"};
  GTFile::FindFiles(dir.Path(), names, {"*.bmp"}, false);
  EXPECT_EQ(names, Listed({}));
  EXPECT_EQ(GTFile::UBound(names), 0);
}

TEST(FindFilesTest, MissingOrUnlistableDirectoryGivesEmptyList) {
  TempDir dir;
  dir.WriteFile("plain.bmp", "data");
  EXPECT_EQ(FindBmp(dir.Path() + "/missing"), Listed({}));
  EXPECT_EQ(FindBmp(dir.Path() + "/missing", true), Listed({}));
  EXPECT_EQ(FindBmp(dir.Path() + "/plain.bmp"), Listed({}));
}

TEST(FindFilesTest, UpperBoundEqualsMatchCountAcrossGrowthSteps) {
  for (const int count : {100, 101}) {
    TempDir dir;
    for (int i = 0; i < count; ++i) dir.WriteFile(std::to_string(1000 + i) + ".bmp", "data");
    const NameList names = FindBmp(dir.Path());
    ASSERT_EQ(GTFile::UBound(names), count);
    EXPECT_EQ(names[0], "");
    EXPECT_EQ(names[1], "1000.bmp");
    EXPECT_EQ(names[count], std::to_string(999 + count) + ".bmp");
  }
}

TEST(FindFilesTest, ListsOnlyVisibleRegularFilesAsSpelled) {
  TempDir dir;
  for (const char* name : {"ok.bmp", "PHOTO.BMP", "ÄPFEL.Bmp", ".hidden.bmp", "photo.bmpx", "bmp",
                           "nodot", "other.txt"})
    dir.WriteFile(name, "data");
  dir.MakeDir("x.bmp");
  dir.MakeLink("link.bmp", "ok.bmp");
  dir.MakeLink("dangling.bmp", "missing.bmp");
  dir.MakeLink("dirlink.bmp", "x.bmp");
  EXPECT_EQ(FindBmp(dir.Path()), Listed({"ÄPFEL.Bmp", "link.bmp", "ok.bmp", "PHOTO.BMP"}));
}

// Capitals in a pattern never match: names are lower-cased before matching.
TEST(FindFilesTest, AnyPatternOfTheListSelects) {
  TempDir dir;
  for (const char* name : {"b.dib", "A.bmp", "c.png", "D.PNG"}) dir.WriteFile(name, "data");
  NameList names;
  GTFile::FindFiles(dir.Path(), names, {"*.bmp", "*.dib", "*.bmp", "*.PNG"}, false);
  EXPECT_EQ(names, Listed({"A.bmp", "b.dib"}));
}

TEST(FindFilesTest, TrailingSlashMakesNoDifference) {
  TempDir dir;
  for (const char* name : {"c.bmp", "B.bmp", "a.bmp", "img2.bmp", "img10.bmp"})
    dir.WriteFile(name, "data");
  const NameList expected = Listed({"a.bmp", "B.bmp", "c.bmp", "img10.bmp", "img2.bmp"});
  EXPECT_EQ(FindBmp(dir.Path()), expected);
  EXPECT_EQ(FindBmp(dir.Path() + "/"), expected);
}

TEST(FindFilesTest, RecursionListsSubdirectoryGroupsFirst) {
  TempDir dir;
  for (const char* name : {"b.bmp", "A.bmp", "y/z.bmp", "X/k.bmp", "X/J.bmp", "X/deeper/q.bmp",
                           "empty/readme.txt", ".hidden/h.bmp"})
    dir.WriteFile(name, "data");
  EXPECT_EQ(FindBmp(dir.Path(), true),
            Listed({"X/deeper/q.bmp", "X/J.bmp", "X/k.bmp", "y/z.bmp", "A.bmp", "b.bmp"}));
  EXPECT_EQ(FindBmp(dir.Path(), false), Listed({"A.bmp", "b.bmp"}));
}

TEST(FindFilesTest, RecursionStopsAtLinksBackUpThePath) {
  TempDir dir;
  dir.WriteFile("top.bmp", "data");
  dir.WriteFile("a/inner.bmp", "data");
  dir.MakeLink("a/up", "..");
  dir.MakeLink("a/self", ".");
  dir.MakeLink("b", "a");  // a second way into a, not a cycle: listed again under its own name
  EXPECT_EQ(FindBmp(dir.Path(), true), Listed({"a/inner.bmp", "b/inner.bmp", "top.bmp"}));
}

TEST(FindFilesTest, EachDirectoryInTheChosenOrder) {
  TempDir dir;
  for (const char* name : {"img10.bmp", "img2.bmp", "s10/a.bmp", "s2/a.bmp", "s2/b.bmp"})
    dir.WriteFile(name, "data");
  const timespec longAgo[2] = {{0, UTIME_OMIT}, {100, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "s2/b.bmp").c_str(), longAgo, 0), 0);
  NameList names;
  GTFile::FindFiles(dir.Path(), names, {"*.bmp"}, true, GTFile::ListOrder::Natural);
  EXPECT_EQ(names, Listed({"s2/a.bmp", "s2/b.bmp", "s10/a.bmp", "img2.bmp", "img10.bmp"}));
  GTFile::FindFiles(dir.Path(), names, {"*.bmp"}, true, GTFile::ListOrder::Mtime);
  EXPECT_EQ(names, Listed({"s10/a.bmp", "s2/b.bmp", "s2/a.bmp", "img10.bmp", "img2.bmp"}));
  GTFile::FindFiles(dir.Path(), names, {"*.bmp"}, true, GTFile::ListOrder::Natural, true);
  EXPECT_EQ(names, Listed({"s10/a.bmp", "s2/b.bmp", "s2/a.bmp", "img10.bmp", "img2.bmp"}));
}

TEST(ListSubDirsTest, ListsVisibleDirectoriesSorted) {
  TempDir dir;
  for (const char* name : {"b", "A", "c.bmp", ".hidden"}) dir.MakeDir(name);
  dir.WriteFile("file", "data");
  dir.MakeLink("link", "b");
  NameList names = {"", "stale"};
  GTFile::ListSubDirs(dir.Path() + "/", names);
  EXPECT_EQ(names, Listed({"A", "b", "c.bmp", "link"}));
  GTFile::ListSubDirs(dir.Path() + "/missing", names);
  EXPECT_EQ(names, Listed({}));
}

}  // namespace
