#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "pictures/exif_orientation.h"
#include "pictures/orientation.h"

namespace pictures {
namespace {

TEST(Orientation, EachValueShowsTheStoredCornersWhereTheyBelong) {
  // Stored: a b c over d e f; the shown rows follow one another.
  const std::tuple<int, int, std::string> cases[] = {
      {1, 3, "abcdef"}, {2, 3, "cbafed"}, {3, 3, "fedcba"}, {4, 3, "defabc"}, {5, 2, "adbecf"},
      {6, 2, "daebfc"}, {7, 2, "fcebda"}, {8, 2, "cfbead"}, {0, 3, "abcdef"}, {9, 3, "abcdef"},
  };
  for (const auto& [orientation, width, shown] : cases) {
    EXPECT_EQ(OrientedSize(3, 2, orientation), (Size{width, 6 / width}));
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

TEST(ExifOrientation, ReadsTheTagAndTakesDamageAsStored) {
  constexpr uint32_t kOrientation = 0x112, kShort = 3, kLong = 4;
  auto App1 = [](std::vector<uint8_t> tiff) {
    tiff.insert(tiff.begin(), {'E', 'x', 'i', 'f', 0, 0});
    return tiff;
  };
  auto truncated = App1(Tiff(false, {{kOrientation, kShort, 6}}));
  truncated.resize(20);
  const std::pair<std::vector<uint8_t>, int> cases[] = {
      {App1(Tiff(false, {{kOrientation, kShort, 6}})), 6},
      {App1(Tiff(true, {{0x100, kShort, 640}, {kOrientation, kShort, 8}})), 8},
      {Tiff(false, {{kOrientation, kShort, 3}}), 3},  // a PNG eXIf chunk: no prefix
      {Tiff(false, {{kOrientation, kShort, 9}}), 1},
      {Tiff(false, {{kOrientation, kLong, 6}}), 1},
      {Tiff(false, {{0x100, kShort, 640}}), 1},
      {Tiff(false, {{kOrientation, kShort, 6}}, 0xffffff00), 1},
      {Tiff(false, {{kOrientation, kShort, 5}}, 8, 8), 5},  // the next IFD is itself
      {truncated, 1},
      {App1({'X', 'X', 42, 0, 8, 0, 0, 0}), 1},
      {{}, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadExifOrientation(c.first), c.second) << &c - cases;
}

}  // namespace
}  // namespace pictures
