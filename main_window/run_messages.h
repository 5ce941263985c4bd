#pragma once
// What the run says to the user.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "main_window/form1.h"

namespace main_window {

inline constexpr const char* kInvalidSettingsMessage = "設定が正しくありません";
inline constexpr const char* kPreparingTitle = "描画準備中・・・";
inline constexpr const char* kSavingTitle = "保存中・・・";

// How long the save may take before the title shows its progress.
inline constexpr std::chrono::milliseconds kSavingProgressDelay{500};

std::string DrawingTitle(std::int32_t i, std::int32_t n);
// kSavingTitle with how much of the file is on disk: "保存中・・・ 42%".
std::string SavingTitle(int percent);
std::string LargeOutputQuestion(std::int32_t width, std::int32_t height);
std::string CanvasFailureMessage(DSMod::CanvasError error, std::int32_t width, std::int32_t height);
std::string SaveFailureMessage(const std::string& path, const DSMod::SaveError& error);
// Names the sources that could not be drawn: how many, and the first ten file names, each
// with its reason.
std::string NotDrawnMessage(const std::vector<NotDrawnSource>& sources);

}  // namespace main_window
