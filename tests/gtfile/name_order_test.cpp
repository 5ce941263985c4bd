#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "gtfile/gtfile.h"
#include "gtfile/name_text.h"

namespace {

using Names = std::vector<std::string>;

struct OrderCase {
  Names sorted;
};

const OrderCase kOrderCases[] = {
    {{"a.bmp", "B.bmp", "c.bmp"}},
    {{"img10.bmp", "img2.bmp"}},
    {{"A.bmp", "a.bmp"}},  // equal but for case: code-point order
    {{"AB.bmp", "Ab.bmp", "aB.bmp", "ab.bmp", "abc.bmp"}},
    {{"_x", "1", "a", "B", "c", "img10", "img2"}},
    {{"Resume", "resume", "résumé"}},  // accents count, case does not
    {{"Äpfel", "äpfel", "Birne"}},
};

std::ostream& operator<<(std::ostream& out, const OrderCase& c) {
  const char* separator = "";
  for (const std::string& name : c.sorted) out << std::exchange(separator, " ") << name;
  return out;
}

class NameOrderTest : public testing::TestWithParam<OrderCase> {};

// Every arrangement of the input sorts to the same list, so the file system's order never shows.
TEST_P(NameOrderTest, SortsTheSameFromEveryArrangement) {
  Names input = GetParam().sorted;
  std::sort(input.begin(), input.end());
  do {
    Names names = input;
    GTFile::SortNames(names.begin(), names.end());
    ASSERT_EQ(names, GetParam().sorted);
  } while (std::next_permutation(input.begin(), input.end()));
}

INSTANTIATE_TEST_SUITE_P(Table, NameOrderTest, testing::ValuesIn(kOrderCases));

TEST(LowerCaseNameTest, LowersEveryLetter) {
  EXPECT_EQ(GTFile::LowerCaseName("PHOTO.BMP"), "photo.bmp");
  EXPECT_EQ(GTFile::LowerCaseName("ÄPFEL.BMP"), "äpfel.bmp");
  EXPECT_EQ(GTFile::LowerCaseName("ＢＭＰ写真.BMP"), "ｂｍｐ写真.bmp");
}

TEST(NormalizeDirTest, AppendsOneSlash) {
  EXPECT_EQ(GTFile::NormalizeDir("/data/img"), "/data/img/");
  EXPECT_EQ(GTFile::NormalizeDir("/data/img/"), "/data/img/");
  EXPECT_EQ(GTFile::NormalizeDir(""), "/");
}

}  // namespace
