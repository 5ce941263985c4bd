// eveda-batch: the window's job without a window, for scripts.

#include <iostream>
#include <string_view>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"

// The version comes from project() in the top-level CMakeLists.txt (packaging/CMakeLists.txt).
#ifndef EVEDA_VERSION
#error "EVEDA_VERSION is not defined"
#endif

int main(int argc, char* argv[]) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const auto options = app::ParseBatchOptions(args);
  if (!options) {
    std::cerr << "eveda-batch: " << options.error() << "\neveda-batch: try 'eveda-batch --help'\n";
    return app::kExitUsage;
  }
  if (options->help) {
    std::cout << app::kUsage;
    return app::kExitWritten;
  }
  if (options->version) {
    std::cout << "eveda-batch " EVEDA_VERSION "\n";
    return app::kExitWritten;
  }
  app::PrepareProcess();
  return app::RunBatch(*options, std::cout, std::cerr);
}
