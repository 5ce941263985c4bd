#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "pictures/exif_orientation.h"
#include "pictures/orientation.h"

namespace pictures {
namespace {

TEST(Orientation, EachValueShowsTheStoredCornersWhereTheyBelong) {
  // Stored:  a b c
  //          d e f     shown rows are written one after another
  const std::pair<int, std::string> cases[] = {
      {1, "abcdef"}, {2, "cbafed"}, {3, "fedcba"}, {4, "defabc"}, {5, "adbecf"},
      {6, "daebfc"}, {7, "fcebda"}, {8, "cfbead"}, {0, "abcdef"}, {9, "abcdef"},
  };
  for (const auto& [orientation, shown] : cases) {
    const bool turned = orientation >= 5 && orientation <= 8;
    EXPECT_EQ(OrientedSize(3, 2, orientation), (turned ? Size{2, 3} : Size{3, 2}));
    for (int channels : {1, 3, 4}) {
      std::vector<uint8_t> stored, out(6 * channels), expected;
      for (char c : std::string("abcdef")) stored.insert(stored.end(), channels, uint8_t(c));
      for (char c : shown) expected.insert(expected.end(), channels, uint8_t(c));
      ASSERT_TRUE(OrientFrame(stored, 3, 2, channels, orientation, out));
      EXPECT_EQ(out, expected) << "orientation " << orientation << " channels " << channels;
    }
  }
  std::vector<uint8_t> small(5), out(6);
  EXPECT_FALSE(OrientFrame(small, 3, 2, 1, 6, out));
}

// A TIFF block with one IFD: (tag, type, value) entries, then the offset of a next IFD.
std::vector<uint8_t> Tiff(bool bigEndian, std::vector<std::array<uint32_t, 3>> entries,
                          uint32_t ifd = 8, uint32_t next = 0) {
  std::vector<uint8_t> b;
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> 8 * (bigEndian ? n - 1 - i : i)));
  };
  b = {uint8_t(bigEndian ? 'M' : 'I'), uint8_t(bigEndian ? 'M' : 'I')};
  put(42, 2), put(ifd, 4), put(uint32_t(entries.size()), 2);
  for (auto [tag, type, value] : entries) {
    put(tag, 2), put(type, 2), put(1, 4);
    type == 3 ? (put(value, 2), put(0, 2)) : put(value, 4);
  }
  put(next, 4);
  return b;
}

std::vector<uint8_t> App1(std::vector<uint8_t> tiff) {
  tiff.insert(tiff.begin(), {'E', 'x', 'i', 'f', 0, 0});
  return tiff;
}

TEST(ExifOrientation, ReadsTheTagAndTakesDamageAsStored) {
  constexpr uint32_t kOrientation = 0x112, kShort = 3, kLong = 4;
  auto truncated = App1(Tiff(false, {{kOrientation, kShort, 6}}));
  truncated.resize(20);
  auto countTooLarge = App1(Tiff(false, {{kOrientation, kShort, 6}}));
  countTooLarge[14] = countTooLarge[15] = 0xff;
  const std::pair<std::vector<uint8_t>, int> cases[] = {
      {App1(Tiff(false, {{kOrientation, kShort, 6}})), 6},
      {App1(Tiff(true, {{0x100, kShort, 640}, {kOrientation, kShort, 8}})), 8},
      {Tiff(false, {{kOrientation, kShort, 3}}), 3},  // a PNG eXIf chunk: no prefix
      {Tiff(false, {{kOrientation, kShort, 9}}), 1},
      {Tiff(false, {{kOrientation, kShort, 0}}), 1},
      {Tiff(false, {{kOrientation, kLong, 6}}), 1},
      {Tiff(false, {{0x100, kShort, 640}}), 1},
      {Tiff(false, {{kOrientation, kShort, 6}}, 0xffffff00), 1},
      {Tiff(false, {{kOrientation, kShort, 5}}, 8, 8), 5},  // the next IFD is itself
      {truncated, 1},
      {countTooLarge, 6},  // a count past the end: the entries that are there still count
      {App1({'X', 'X', 42, 0, 8, 0, 0, 0}), 1},
      {App1({}), 1},
      {{}, 1},
  };
  for (size_t row = 0; row < std::size(cases); ++row) {
    EXPECT_EQ(ReadExifOrientation(cases[row].first), cases[row].second) << "row " << row;
  }
}

}  // namespace
}  // namespace pictures
