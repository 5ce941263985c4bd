#pragma once
// eveda-batch's own words: the command line speaks English throughout, where the window it
// runs speaks Japanese.

#include <string>

#include "main_window/form1.h"

namespace batch {

// The progress line for one of the window's titles: `drawing 6/27`, `saving`.
std::string ProgressText(const std::string& title);

// Why a run that was started wrote nothing; names are quoted for the terminal.
std::string FailureText(const main_window::RunReport& run);

}  // namespace batch
