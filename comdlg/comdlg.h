#pragma once
// The folder and colour choosers (Qt dialogs).

#include <cstdint>
#include <string>

namespace Comdlg {

// The chosen folder's full path, or "" when the user cancels. Opens at `startDirectory`, or
// at the home directory when that is "" or not a directory.
std::string BrowseForFolder(const std::string& prompt, const std::string& startDirectory);

// The chosen colour as 0x00BBGGRR, or -1 when the user cancels. Opens without the current
// colour preset and with every custom colour black.
std::int32_t ChooseBackColor();

}  // namespace Comdlg
