#pragma once
// Form1 as designed: every control with its place, size, caption and limits.

#include "platform/toolkit/form_design.h"

namespace main_window {

inline constexpr const char* kReadyTitle = "DID Eveda v1.0";

const toolkit::FormDesign& Form1Design();

}  // namespace main_window
