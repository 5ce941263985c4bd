// fontconfig keeps its configuration for the life of the process; releasing it once every
// font is closed leaves the leak checker only leaks of ours to report.

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

namespace {

class ReleaseFontconfig : public ::testing::Environment {
  void TearDown() override { FcFini(); }
};

[[maybe_unused]] const auto* const kRelease =
    ::testing::AddGlobalTestEnvironment(new ReleaseFontconfig);

}  // namespace
