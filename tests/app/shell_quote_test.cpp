// Names as eveda-batch prints them, held against GNU ls --quoting-style=shell-escape on this
// machine and read back by bash.

#include "app/shell_quote.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[256];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    text.append(buffer, got);
  pclose(pipe);
  return text;
}

// How ls prints `name`: the one entry of a folder of its own.
std::string LsQuoted(const TempDir& dir, int index, const std::string& name) {
  const std::string folder = "ls" + std::to_string(index);
  dir.MakeDir(folder);
  dir.WriteFile(folder + "/" + name, "");
  std::string text =
      Output("cd '" + dir.PathOf(folder) + "' && LC_ALL=C.UTF-8 ls --quoting-style=shell-escape");
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The bytes bash makes of a quoted word.
std::string ShellReads(const TempDir& dir, const std::string& word) {
  dir.WriteFile("read.sh", "printf %s " + word + "\n");
  return Output("bash '" + dir.PathOf("read.sh") + "'");
}

// Names that must be quoted: control characters, C1 controls, bytes that are not UTF-8.
std::vector<std::string> QuotedNames() {
  std::vector<std::string> names = {"esc\033[2J.bmp",
                                    "\033x",
                                    "x\n",
                                    "\n",
                                    "a\nb",
                                    "a\n\tb",
                                    "\n\n",
                                    "a\x01"
                                    "b\x02"
                                    "c",
                                    "日\n本",
                                    "a b\n",
                                    "a\\b\n",
                                    "\"\n",
                                    "$x\n",
                                    "\xC2\x80",
                                    "\xC2\x9B[2J",
                                    "a\xC2\x9F",
                                    "\xFF",
                                    "\xE9t\xE9.bmp",
                                    "\xE3\x81",
                                    "\xE3\x81x",
                                    "\x80",
                                    "\xC0\x80",
                                    "\xED\xA0\x80",
                                    "\xF4\x90\x80\x80",
                                    "日本\xE3\x81\x82\xE3",
                                    "😀\x7F"};
  for (int byte = 1; byte < 0x20; ++byte)
    names.push_back(std::string("c").append(1, char(byte)).append("d"));
  names.push_back(
      "c\x7F"
      "d");
  return names;
}

TEST(ShellQuoted, QuotesAsLsDoesAndTheShellReadsItBack) {
  TempDir dir;
  int index = 0;
  for (const std::string& name : QuotedNames()) {
    SCOPED_TRACE(::testing::PrintToString(name));
    const std::string quoted = app::ShellQuoted(name);
    EXPECT_TRUE(app::NeedsShellQuoting(name));
    EXPECT_EQ(quoted, LsQuoted(dir, index++, name));
    EXPECT_EQ(ShellReads(dir, quoted), name);
    EXPECT_EQ(quoted.find_first_of("\n\r\033\x7F"), std::string::npos);
  }
}

// With a single quote among the quoted bytes, ls 9.1 sometimes prints words a shell reads
// back wrongly ('\001'\''x'$'\001' for \001'x\001); these are the forms it means.
TEST(ShellQuoted, SingleQuotesCloseAndReopenTheQuote) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"it's\n", "'it'\\''s'$'\\n'"},
      {"\x01'x\x01", "''$'\\001'\\''x'$'\\001'"},
      {"a'\n", "'a'\\'''$'\\n'"},
      {"x\n'", "'x'$'\\n'\\'''"},
      {"'\n'", "''\\'''$'\\n'\\'''"},
      {"a'b\x01"
       "c'd",
       "'a'\\''b'$'\\001''c'\\''d'"},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(::testing::PrintToString(name));
    EXPECT_EQ(app::ShellQuoted(name), expected);
    EXPECT_EQ(ShellReads(dir, expected), name);
  }
}

// Format characters that reorder or hide text make a name read as other bytes than it holds;
// they are quoted as control characters are, byte by byte.
TEST(ShellQuoted, BidirectionalAndInvisibleCharactersAreQuoted) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\u200Bb", "'a'$'\\342\\200\\213''b'"},                          // zero-width space
      {"a\u200F", "'a'$'\\342\\200\\217'"},                              // right-to-left mark
      {"\u202Aa", "''$'\\342\\200\\252''a'"},                            // left-to-right embedding
      {"gpj.\u202Ebmp", "'gpj.'$'\\342\\200\\256''bmp'"},                // right-to-left override
      {"x\u2066y\u2069", "'x'$'\\342\\201\\246''y'$'\\342\\201\\251'"},  // isolates
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(::testing::PrintToString(name));
    EXPECT_TRUE(app::NeedsShellQuoting(name));
    EXPECT_EQ(app::ShellQuoted(name), expected);
    EXPECT_EQ(ShellReads(dir, expected), name);
  }
  // Their neighbours stay as they are.
  for (const std::string name : {"a\u200Ab", "a\u2010b", "a\u2065b", "a\u206Ab", "a\u2029b"}) {
    EXPECT_EQ(app::ShellQuoted(name), name) << name;
  }
}

// Ordinary names print as they are, even those a shell would want quoted.
TEST(ShellQuoted, OrdinaryNamesAreLeftAlone) {
  for (const std::string name :
       {"a.bmp", "a b.bmp", "日本 語.bmp", "it's", "$HOME", "a\\b", "*", "-n", "😀", "\xC2\xA0nbsp",
        "\xEF\xBB\xBF"
        "bom",
        "/tmp/x y/z.bmp"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(app::NeedsShellQuoting(name));
    EXPECT_EQ(app::ShellQuoted(name), name);
  }
  EXPECT_EQ(app::ShellQuoted(""), "''");
}

}  // namespace
}  // namespace eveda::testing
