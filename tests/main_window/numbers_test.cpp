#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "main_window/leading_number.h"
#include "join/rounding.h"

namespace main_window {
using join::RoundHalfEven;
using join::RoundToInt32;
namespace {

struct NumberCase {
  const char* text;
  double value;
};

// Blanks spelled out, so that every case has a one-line name.
void PrintTo(const NumberCase& c, std::ostream* out) {
  *out << '"';
  for (const char* p = c.text; *p; ++p) {
    if (*p == '\t') {
      *out << "\\t";
    } else if (*p == '\n') {
      *out << "\\n";
    } else if (*p == '\r') {
      *out << "\\r";
    } else {
      *out << *p;
    }
  }
  *out << '"';
}

class LeadingNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(LeadingNumber(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, LeadingNumberTest,
    testing::Values(NumberCase{"", 0}, NumberCase{"12ab", 12}, NumberCase{" 7", 7},
                    NumberCase{"1 2", 12}, NumberCase{"1\t2\n3", 123}, NumberCase{"&HFF", 255},
                    NumberCase{"&hff", 255}, NumberCase{"& H 1 0", 16}, NumberCase{"&O17", 15},
                    NumberCase{"&o78", 7}, NumberCase{"&HG", 0}, NumberCase{"&", 0},
                    NumberCase{"&X12", 0}, NumberCase{"1e3", 1000}, NumberCase{"1E+3", 1000},
                    NumberCase{"2e-1", 0.2}, NumberCase{"1e", 1}, NumberCase{"1e+", 1},
                    NumberCase{"9E9", 9e9}, NumberCase{"-", 0}, NumberCase{"+", 0},
                    NumberCase{"+5", 5}, NumberCase{"--5", 0}, NumberCase{"-7", -7},
                    NumberCase{".5", 0.5}, NumberCase{"-.5", -0.5}, NumberCase{".", 0},
                    NumberCase{"1.2.3", 1.2}, NumberCase{"12.5", 12.5}, NumberCase{"3.", 3},
                    NumberCase{"abc", 0}, NumberCase{"1\r2", 1}, NumberCase{"１２", 0},
                    NumberCase{"0x10", 0}, NumberCase{"1,5", 1}, NumberCase{"1e-999", 0},
                    NumberCase{"00012", 12}));

// Too small for a double reads as 0 whatever the exponent says; only too large is infinite.
TEST(LeadingNumber, NumbersTooCloseToZeroReadAsZero) {
  const auto text = [](std::initializer_list<std::string_view> parts) {
    std::string joined;
    for (std::string_view part : parts) joined += part;
    return joined;
  };
  const std::string zeros(400, '0');
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    std::string text;
    double value;
  } cases[] = {
      {text({"0.", zeros, "1"}), 0.0},
      {text({"0.", zeros, "1e+3"}), 0.0},
      {text({"0.", zeros, "1e3"}), 0.0},
      {text({"-0.", zeros, "1"}), -0.0},
      {text({".", zeros, "5"}), 0.0},
      {text({zeros, ".0", zeros, "1"}), 0.0},
      {text({"0.", zeros, "1e+399"}), 1e-2},
      {text({"1", zeros, "e-399"}), 10},
      {text({"0.", zeros, "1e+800"}), infinity},
      {text({"1", zeros, "e-3"}), infinity},
      {"0.1e-99999999999999999999", 0.0},
  };
  for (const auto& c : cases) {
    const double value = LeadingNumber(c.text);
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
  }
}

TEST(LeadingNumber, HugeNumbersBecomeInfinityNotGarbage) {
  EXPECT_EQ(LeadingNumber("1e99999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("-1e99999"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("1e99999999999999999999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber(std::string(400, '9')), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isfinite(LeadingNumber("&H" + std::string(200, 'F'))));
}

TEST(LeadingNumber, EveryShortTextOfNumberCharactersReadsWithoutFault) {
  // Every text of up to four characters from the alphabet a settings box can meet.
  const std::string alphabet = "0159.-+eEhHoO& \tx";
  std::string text;
  const auto visit = [&](auto&& self, int depth) -> void {
    const double value = LeadingNumber(text);
    ASSERT_FALSE(std::isnan(value)) << text;
    if (depth == 4) return;
    for (char c : alphabet) {
      text.push_back(c);
      self(self, depth + 1);
      text.pop_back();
    }
  };
  visit(visit, 0);
}

struct RoundingCase {
  double value;
  double rounded;
};

void PrintTo(const RoundingCase& c, std::ostream* out) { *out << c.value; }

class RoundHalfEvenTest : public testing::TestWithParam<RoundingCase> {};

TEST_P(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(GetParam().value), GetParam().rounded) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Table, RoundHalfEvenTest,
                         testing::Values(RoundingCase{2.5, 2}, RoundingCase{3.5, 4},
                                         RoundingCase{0.5, 0}, RoundingCase{1.5, 2},
                                         RoundingCase{-2.5, -2}, RoundingCase{-3.5, -4},
                                         RoundingCase{-0.5, 0}, RoundingCase{0.6, 1},
                                         RoundingCase{0.4, 0}, RoundingCase{31.5, 32},
                                         RoundingCase{10.5, 10}, RoundingCase{2.4999, 2},
                                         RoundingCase{2.5001, 3}, RoundingCase{7, 7},
                                         RoundingCase{4503599627370497.0, 4503599627370497.0}));

TEST(RoundToInt32, KeepsTheSigned32BitRangeAndRefusesTheRest) {
  EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
  EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(RoundToInt32(2147483647.5), std::nullopt);  // rounds to 2^31
  EXPECT_EQ(RoundToInt32(-2147483648.5), -2147483648);  // the even neighbour is in range
  EXPECT_EQ(RoundToInt32(-2147483649.0), std::nullopt);
  EXPECT_EQ(RoundToInt32(9e9), std::nullopt);
  EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::infinity()), std::nullopt);
  EXPECT_EQ(RoundToInt32(-std::numeric_limits<double>::infinity()), std::nullopt);
  EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
  EXPECT_EQ(RoundToInt32(2.5), 2);
}

}  // namespace
}  // namespace main_window
