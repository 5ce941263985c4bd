#include <ostream>

#include <gtest/gtest.h>

#include "gtfile/gtfile.h"

namespace {

struct WildcardCase {
  const char* name;
  const char* pattern;
  bool matches;
};

const WildcardCase kWildcardCases[] = {
    {"photo.bmp", "*.bmp", true},
    {".bmp", "*.bmp", true},
    {"photo.bmpx", "*.bmp", false},
    {"bmp", "*.bmp", false},
    {"photo", "*.bmp", false},
    {"photo.bmp", "*.BMP", false},  // names are lower-cased first, so capitals never match
    {"", "*", true},
    {"a", "", false},
    {"abcbc", "a*bc", true},
    {"abcbd", "a*bc", false},
    {"ab", "a**b", true},
    {"abc", "?bc", true},
    {"bc", "?bc", false},
    {"äbc", "?bc", true},  // one character, not one byte
    {"img7.bmp", "img#.bmp", true},
    {"imgx.bmp", "img#.bmp", false},
    {"b", "[abc]", true},
    {"d", "[abc]", false},
    {"d", "[!abc]", true},
    {"m", "[a-z]", true},
    {"M", "[a-z]", false},
    {"5", "[0-9a-f]", true},
    {"g", "[0-9a-f]", false},
    {"-", "[a-]", true},
    {"-", "[-a]", true},
    {"*", "[*]", true},
    {"[", "[[]", true},
    {"]", "]", true},
    {"ab", "a[]b", true},  // an empty list takes no character
    {"x", "[!]", true},
    {"a", "[a", false},     // unclosed list: the pattern matches nothing
    {"m", "[z-a]", false},  // backwards range: the pattern matches nothing
    {"photo.bmp", "photo.bmp", true},
};

std::ostream& operator<<(std::ostream& out, const WildcardCase& c) {
  return out << '"' << c.name << "\" against \"" << c.pattern << '"';
}

class WildcardTest : public testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardTest, MatchesWholeName) {
  const WildcardCase& c = GetParam();
  EXPECT_EQ(GTFile::MatchesPattern(c.name, c.pattern), c.matches) << c;
}

INSTANTIATE_TEST_SUITE_P(Table, WildcardTest, testing::ValuesIn(kWildcardCases));

TEST(WildcardTest, ManyRunsOnALongNameFinishQuickly) {
  const std::string name(200, 'a');
  EXPECT_FALSE(GTFile::MatchesPattern(name, "*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
