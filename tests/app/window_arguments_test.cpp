// eveda's command line: --version and --help are answered, unless a directory has that name.

#include "app/window_arguments.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace eveda::testing {
namespace {

TEST(WindowArguments, VersionAndHelpUnlessADirectoryHasThatName) {
  TempDir dir;
  dir.MakeDir("--help");
  const std::string here = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  const struct {
    const char* commandLine;
    std::optional<std::string> answer;
  } cases[] = {
      {"--version", "eveda 1.2\n"}, {"--help", std::nullopt},  // the directory called --help is
                                                               // opened
      {"--versions", std::nullopt}, {"pics", std::nullopt},   {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(app::AnswerInsteadOfWindow(c.commandLine, "1.2"), c.answer) << c.commandLine;
  }
  std::filesystem::remove(dir.PathOf("--help"));
  const auto help = app::AnswerInsteadOfWindow("--help", "1.2");
  ASSERT_TRUE(help);
  EXPECT_TRUE(help->starts_with("usage: eveda [DIRECTORY]\n")) << *help;
  ASSERT_EQ(::chdir(here.c_str()), 0);
}

}  // namespace
}  // namespace eveda::testing
