#pragma once
// What the run says to the user, in the words of the window's text table.

#include <cstdint>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "main_window/form1.h"
#include "main_window/window_texts.h"

namespace main_window {

inline const std::string kInvalidSettingsMessage{TextOf(WindowText::InvalidSettings)};
inline const std::string kPreparingTitle{TextOf(WindowText::PreparingTitle)};
inline const std::string kSavingTitle{TextOf(WindowText::SavingTitle)};
inline const std::string kStopQuestion{TextOf(WindowText::StopQuestion)};

// "横W×縦H", as every message states a size.
std::string SizeText(std::int32_t width, std::int32_t height);
std::string DrawingTitle(std::int32_t i, std::int32_t n);
// kSavingTitle with how much of the file is on disk: "保存中・・・ 42%".
std::string SavingTitle(int percent);
std::string LargeOutputQuestion(std::int32_t width, std::int32_t height);
std::string CanvasFailureMessage(DSMod::CanvasError error, std::int32_t width, std::int32_t height);
std::string SaveFailureMessage(const std::string& path, const DSMod::SaveError& error);
// Names the sources that could not be drawn: how many, and the first ten file names, each
// with its reason.
std::string NotDrawnMessage(const std::vector<join::NotDrawnSource>& sources);

}  // namespace main_window
