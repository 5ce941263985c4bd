#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gtfile/list_order.h"

namespace {

using GTFile::ListedFile;
using enum GTFile::ListOrder;

ListedFile F(const char* name, std::int64_t mtime = 0, std::uint64_t size = 0) {
  return {name, mtime, size};
}

// Names in order, each with "/mtime" when it has one, so equal names show which came first.
std::string Shown(const std::vector<ListedFile>& files) {
  std::string shown;
  for (const ListedFile& file : files) {
    shown.append(shown.empty() ? "" : " ").append(file.name);
    if (file.mtime != 0) shown.append("/").append(std::to_string(file.mtime));
  }
  return shown;
}

struct ListingCase {
  GTFile::ListOrder order;
  bool reverse;
  std::vector<ListedFile> given;
  std::string expected;
};

const ListingCase kListingCases[] = {
    {Natural, false, {F("img10"), F("img1"), F("img19"), F("img2")}, "img1 img2 img10 img19"},
    {Size, true, {F("a", 0, 5), F("b", 0, 1), F("c", 0, 5)}, "c a b"},
    {Natural, false, {F("a02"), F("a3"), F("a002"), F("a2"), F("a1")}, "a1 a2 a02 a002 a3"},
    {Natural, false, {F("v1.10"), F("v01.9"), F("v1.9a"), F("v1.9")}, "v1.9 v01.9 v1.9a v1.10"},
    {Natural, false, {F("IMG10"), F("img2"), F("Img2"), F("a")}, "a Img2 img2 IMG10"},
    {Natural, false, {F("img２"), F("x٣"), F("img10"), F("x10")}, "img10 img２ x10 x٣"},
    {Natural, false, {F("b"), F("10"), F("_x"), F("2")}, "_x 2 10 b"},
    {Natural,
     false,
     {F("n100000000000000000000"), F("n99999999999999999999")},
     "n99999999999999999999 n100000000000000000000"},
    {Natural, false, {F("a", 2), F("a", 1), F("A", 3)}, "A/3 a/2 a/1"},
    {Natural, true, {F("img10"), F("img2"), F("img1")}, "img10 img2 img1"},
    {Name, false, {F("img10"), F("img2"), F("B"), F("a")}, "a B img10 img2"},
    {Mtime, false, {F("c", 5), F("a", 3), F("b", 5), F("d", 1)}, "d/1 a/3 c/5 b/5"},
    {Mtime, true, {F("c", 5), F("a", 3), F("b", 5), F("d", 1)}, "b/5 c/5 a/3 d/1"},
    {Size, false, {F("d", 0, 9), F("a", 0, 1), F("c", 0, 5), F("b", 0, 5)}, "a c b d"},
    {None, false, {F("b"), F("a"), F("c")}, "b a c"},
    {None, true, {F("b"), F("a"), F("c")}, "c a b"},
};

class ListingOrderTest : public testing::TestWithParam<ListingCase> {};

TEST_P(ListingOrderTest, SortsAsExpected) {
  const ListingCase& c = GetParam();
  std::vector<ListedFile> files = c.given;
  GTFile::SortListing(files, c.order, c.reverse);
  EXPECT_EQ(Shown(files), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ListingOrderTest, testing::ValuesIn(kListingCases));

}  // namespace
