#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <new>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "join/probe_sources.h"
#include "tests/support/form_test_support.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

std::string NoFilesMessage(const std::string& dir) {
  return "msgbox:48:ディレクトリ [ " + dir + " ]にはBMPファイルがありませんでした";
}

std::string Numbered(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "plemo%03d.bmp", number);
  return name;
}

struct ProposalCase {
  int files;
  const char* wrap;
  std::vector<std::string> titles;
};

void PrintTo(const ProposalCase& c, std::ostream* out) { *out << c.files << " files"; }

class Proposals : public ::testing::TestWithParam<ProposalCase> {};

TEST_P(Proposals, WrapCountAndProgressTitlesFollowTheFileCount) {
  TempDir dir;
  dir.WriteBmps(GetParam().files);
  Window window("");
  window.Loaded();
  window.form.GetBMPList(dir.Path());
  EXPECT_EQ(window.ui.Text(Text1(3)), GetParam().wrap);
  EXPECT_EQ(window.ui.Log("title:"), GetParam().titles);
  EXPECT_EQ(window.ui.Text(Label1(1)), "対象ファイル数－ " + std::to_string(GetParam().files));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Proposals,
    ::testing::Values(
        ProposalCase{1, "1", {"title:DID Eveda v1.0"}},
        ProposalCase{2, "2", {"title:DID Eveda v1.0"}},
        ProposalCase{4, "2", {"title:DID Eveda v1.0"}},
        ProposalCase{5, "3", {"title:DID Eveda v1.0"}},
        ProposalCase{9, "3", {"title:DID Eveda v1.0"}},
        ProposalCase{10, "4", {"title:画像サイズ取得中・・・10/10", "title:DID Eveda v1.0"}},
        ProposalCase{25,
                     "5",
                     {"title:画像サイズ取得中・・・10/25", "title:画像サイズ取得中・・・20/25",
                      "title:DID Eveda v1.0"}},
        // Enough files for two threads to read them: the titles still count up.
        ProposalCase{70,
                     "9",
                     {"title:画像サイズ取得中・・・10/70", "title:画像サイズ取得中・・・20/70",
                      "title:画像サイズ取得中・・・30/70", "title:画像サイズ取得中・・・40/70",
                      "title:画像サイズ取得中・・・50/70", "title:画像サイズ取得中・・・60/70",
                      "title:画像サイズ取得中・・・70/70", "title:DID Eveda v1.0"}}));

// Two threads read the sizes; each file's size, or its reason, lands in its own place, the
// progress runs 1..n in order, and a progress call that throws ends the read with that
// exception.
TEST(Scan, SizesReadOnTwoThreadsArriveInOrder) {
  TempDir dir;
  std::vector<std::string> paths;
  for (int i = 1; i <= 150; ++i) {
    const std::string name = Numbered(i);
    if (i == 77) {
      dir.WriteFile(name, "not a picture");
    } else {
      dir.WriteBmp(name, i, 151 - i);
    }
    paths.push_back(dir.PathOf(name));
  }
  std::vector<int> steps;
  const auto scanned = join::ProbeSources(paths, [&steps](int i) { steps.push_back(i); });
  ASSERT_EQ(scanned.size(), 150u);
  ASSERT_EQ(steps.size(), 150u);
  for (int i = 1; i <= 150; ++i) {
    const join::ScannedSource& source = scanned[static_cast<std::size_t>(i) - 1];
    EXPECT_EQ(steps[static_cast<std::size_t>(i) - 1], i);
    EXPECT_EQ(source.path, paths[static_cast<std::size_t>(i) - 1]);
    if (i == 77) {
      EXPECT_EQ(source.refusal, formats::SourceError{bmp_loader::DecodeError::NotBmp});
      continue;
    }
    EXPECT_EQ(source.size.width, static_cast<std::uint32_t>(i));
    EXPECT_EQ(source.size.height, static_cast<std::uint32_t>(151 - i));
  }
  EXPECT_THROW(join::ProbeSources(paths,
                                  [](int i) {
                                    if (i == 40) throw std::bad_alloc();
                                  }),
               std::bad_alloc);
}

TEST(Scan, ShowsEverythingInOrderWithEachProposalRefreshingTheStatus) {
  TempDir dir;
  dir.WriteBmps(9);
  dir.WriteBmp("wide.bmp", 120, 8);
  dir.WriteBmp("tall.bmp", 8, 70);
  Window window("");
  window.Loaded();
  window.form.GetBMPList(dir.Path());
  const std::string invalid = std::string("caption:Label1(11)=") + kInvalidStatus;
  EXPECT_EQ(window.ui.Log(),
            std::vector<std::string>({
                "title:画像サイズ取得中・・・10/11",
                "doevents",
                "title:DID Eveda v1.0",
                "doevents",
                "text:Text1(0)=120",
                invalid,
                "text:Text1(1)=70",
                invalid,
                "text:Text1(3)=4",
                "caption:Label1(11)=生成画像ステータス － 横4個、縦3個  横480×縦210",
                "caption:Label1(0)=" + dir.Path() + "/",
                "caption:Label1(1)=対象ファイル数－ 11",
                "caption:Label1(10)=" + dir.PathOf("plemo001.bmp"),
                "caption:Label1(11)=生成画像ステータス － 横4個、縦3個  横480×縦210",
            }));
  EXPECT_EQ(window.form.Job().OutputPath, dir.PathOf("plemo001.bmp"));
}

TEST(Scan, ListsFullPathsInNameOrderWithOrWithoutATrailingSlash) {
  TempDir dir;
  dir.WriteBmp("b.bmp", 1, 1);
  dir.WriteBmp("A.BMP", 1, 1);
  dir.WriteBmp("c.Bmp", 1, 1);
  dir.WriteFile("notes.txt", "x");
  for (const std::string& given : {dir.Path(), dir.Path() + "/"}) {
    Window window("");
    window.Loaded();
    window.form.GetBMPList(given);
    EXPECT_EQ(
        window.form.Job().FileList,
        GTFile::NameList({"", dir.PathOf("A.BMP"), dir.PathOf("b.bmp"), dir.PathOf("c.Bmp")}));
    EXPECT_EQ(window.ui.Text(Label1(0)), dir.Path() + "/");
  }
}

TEST(Scan, ProposedSizesAreNeverCutToTheBoxLimit) {
  TempDir dir;
  dir.WriteBmp("huge.bmp", 12000, 10500);
  Window window(dir.Path());
  window.Loaded();
  EXPECT_EQ(window.ui.Text(Text1(0)), "12000");
  EXPECT_EQ(window.ui.Text(Text1(1)), "10500");
}

TEST(Scan, FilesThatAreNotBmpsCountButAddNoSize) {
  TempDir dir;
  dir.WriteBmp("a.bmp", 30, 20);
  dir.WriteBmp("b.bmp", 10, 40);
  dir.WriteFile("fake.bmp", "not a bitmap at all, but long enough to be read");
  dir.WriteFile("tiny.bmp", "B");
  Window window(dir.Path());
  window.Loaded();
  EXPECT_EQ(window.ui.Text(Label1(1)), "対象ファイル数－ 4");
  EXPECT_EQ(window.ui.Text(Text1(0)), "30");
  EXPECT_EQ(window.ui.Text(Text1(1)), "40");
  EXPECT_EQ(window.ui.Text(Text1(3)), "2");
}

TEST(Scan, NoBmpAnywhereProposesZeroAndShowsTheInvalidStatus) {
  TempDir dir;
  dir.WriteFile("fake.bmp", "plain text");
  Window window(dir.Path());
  window.Loaded();
  EXPECT_EQ(window.ui.Text(Text1(0)), "0");
  EXPECT_EQ(window.ui.Text(Text1(1)), "0");
  EXPECT_EQ(window.ui.Text(Label1(11)), kInvalidStatus);
}

struct NamingCase {
  const char* label;
  std::vector<std::string> files;
  std::vector<std::string> dirs;
  bool danglingLink;
  int expected;
};

void PrintTo(const NamingCase& c, std::ostream* out) { *out << c.label; }

class OutputNaming : public ::testing::TestWithParam<NamingCase> {};

TEST_P(OutputNaming, ChoosesTheFirstNameNotTaken) {
  TempDir dir;
  dir.WriteBmp("src.bmp", 4, 4);
  for (const std::string& name : GetParam().files) dir.WriteFile(name, "x");
  for (const std::string& name : GetParam().dirs) dir.MakeDir(name);
  if (GetParam().danglingLink) {
    std::filesystem::create_symlink(dir.PathOf("gone"), dir.PathOf("plemo001.bmp"));
  }
  Window window(dir.Path());
  window.Loaded();
  EXPECT_EQ(window.form.Job().OutputPath, dir.PathOf(Numbered(GetParam().expected)));
  EXPECT_EQ(window.ui.Text(Label1(10)), window.form.Job().OutputPath);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OutputNaming,
    ::testing::Values(NamingCase{"none", {}, {}, false, 1},
                      NamingCase{"first two", {"plemo001.bmp", "plemo002.bmp"}, {}, false, 3},
                      NamingCase{"only second", {"plemo002.bmp"}, {}, false, 1},
                      NamingCase{"directory", {}, {"plemo001.bmp"}, false, 2},
                      NamingCase{"dangling link", {}, {}, true, 2},
                      NamingCase{"other case", {"PLEMO001.BMP"}, {}, false, 1}),
    [](const auto& info) {
      std::string name = info.param.label;
      for (char& c : name) {
        if (c == ' ' || c == '-') c = '_';
      }
      return name;
    });

TEST(OutputNamingFull, AllNamesTakenEndsOnTheLast) {
  TempDir dir;
  dir.WriteBmp("src.bmp", 4, 4);
  for (int number = 1; number <= 999; ++number) dir.WriteFile(Numbered(number), "");
  Window window(dir.Path());
  window.Loaded();
  EXPECT_EQ(window.form.Job().OutputPath, dir.PathOf("plemo999.bmp"));
}

TEST(Rescan, FindingNothingEmptiesTheListButKeepsWhatIsShown) {
  TempDir pictures;
  pictures.WriteBmps(5);
  TempDir empty;
  Window window(pictures.Path());
  window.Loaded();
  const std::string status = window.ui.Text(Label1(11));
  const std::string output = window.form.Job().OutputPath;

  window.form.GetBMPList(empty.Path());
  EXPECT_EQ(window.ui.Log(), std::vector<std::string>({NoFilesMessage(empty.Path())}));
  EXPECT_EQ(window.form.Job().FileList, GTFile::NameList({""}));
  EXPECT_EQ(window.form.Job().OutputPath, output);
  EXPECT_EQ(window.ui.Text(Label1(0)), pictures.Path() + "/");
  EXPECT_EQ(window.ui.Text(Label1(1)), "対象ファイル数－ 5");
  EXPECT_EQ(window.ui.Text(Label1(10)), output);
  EXPECT_EQ(window.ui.Text(Text1(0)), "8");
  EXPECT_EQ(window.ui.Text(Text1(3)), "3");
  EXPECT_EQ(window.ui.Text(Label1(11)), status);
  // The next edit sees the empty list.
  window.ui.Focus(Text1(2));
  window.ui.Type(Text1(2), "1");
  EXPECT_EQ(window.ui.Text(Label1(11)), kInvalidStatus);
}

TEST(Rescan, MessageNamesTheDirectoryExactlyAsGiven) {
  TempDir empty;
  Window window("");
  window.Loaded();
  for (const std::string& given : {empty.Path() + "/", empty.Path(), empty.PathOf("missing"),
                                   std::string(), empty.PathOf("%1 %2 %")}) {
    window.ui.ClearLog();
    window.form.GetBMPList(given);
    EXPECT_EQ(window.ui.Log(), std::vector<std::string>({NoFilesMessage(given)}));
  }
}

TEST(ScanEvents, EditsDuringTheScanSeeTheWholePreviousList) {
  TempDir first;
  first.WriteBmps(3);
  TempDir second;
  second.WriteBmps(20);
  Window window(first.Path());
  window.Loaded();
  std::vector<std::string> seen;
  window.ui.AtDoEvents(1, [&] {
    window.ui.Focus(Text1(2));
    window.ui.Type(Text1(2), "1");
    seen = window.form.Job().FileList;
  });
  window.form.GetBMPList(second.Path());
  EXPECT_EQ(seen, GTFile::NameList({"", first.PathOf("img001.bmp"), first.PathOf("img002.bmp"),
                                    first.PathOf("img003.bmp")}));
  EXPECT_EQ(window.form.Job().Spacing, 1);
  // Wrap 5 over 20 files of 8 by 8, spacing 1.
  EXPECT_EQ(window.ui.Text(Label1(11)), "生成画像ステータス － 横5個、縦4個  横46×縦37");
}

TEST(ScanEvents, AScanStartedInsideAScanLeavesTheOuterScansList) {
  TempDir inner;
  inner.WriteBmps(2);
  TempDir outer;
  outer.WriteBmps(10);
  Window window("");
  window.Loaded();
  window.ui.AnswerFolder(inner.Path());
  window.ui.AtDoEvents(1, [&] { window.ui.Click({toolkit::Group::Command1, 0}); });
  window.form.GetBMPList(outer.Path());
  ASSERT_EQ(GTFile::UBound(window.form.Job().FileList), 10);
  for (int i = 1; i <= 10; ++i) {
    EXPECT_TRUE(window.form.Job().FileList[i].starts_with(outer.Path() + "/")) << i;
  }
  EXPECT_EQ(window.ui.Text(Label1(0)), outer.Path() + "/");
  EXPECT_EQ(window.ui.Text(Label1(1)), "対象ファイル数－ 10");
}

}  // namespace
}  // namespace eveda::testing
