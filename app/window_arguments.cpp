#include "app/window_arguments.h"

#include <filesystem>

namespace app {

std::optional<std::string> AnswerInsteadOfWindow(const std::string& commandLine,
                                                 const std::string& version) {
  if (commandLine != "--version" && commandLine != "--help") return std::nullopt;
  std::error_code error;
  if (std::filesystem::is_directory(commandLine, error)) return std::nullopt;
  if (commandLine == "--version") return "eveda " + version + "\n";
  return "usage: eveda [DIRECTORY]\n"
         "Opens the window that joins the BMP images of DIRECTORY (default: the folder that\n"
         "holds eveda) into one grid image. The whole argument text is the directory.\n"
         "  --help      print this and exit (when no directory has that name)\n"
         "  --version   print the version and exit (likewise)\n"
         "eveda-batch does the same job without a window.\n";
}

}  // namespace app
