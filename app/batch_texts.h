#pragma once
// eveda-batch's own words: the command line speaks English throughout, where the window
// speaks Japanese, both from the same typed report.

#include <string>

#include "formats/output_formats.h"
#include "formats/source_error.h"
#include "join/join.h"

namespace app {

// Why a join that was started wrote nothing; names are quoted for the terminal.
std::string FailureText(const join::JoinReport& report, const formats::OutputFormat& format);

// Why a source was not drawn: the decoder's own words when it gave them, else the reason's.
std::string ReasonText(const formats::SourceError& error);

}  // namespace app
