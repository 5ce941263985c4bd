#pragma once
// Everything the window knows about the job being prepared. The controls are the master copy
// of the six layout settings; CalcSize copies them here each time it runs.

#include <cstdint>
#include <optional>
#include <string>

#include "gtfile/gtfile.h"
#include "join/grid_plan.h"
#include "platform/gdi/gdi.h"

namespace main_window {

struct JobState {
  // Start-up has finished: from then on a directory without BMP files is worth a message.
  bool Loaded = false;
  // Full paths from element 1 on; the upper bound is the file count. Empty until start-up
  // makes it the list with only element 0.
  GTFile::NameList FileList;
  std::string OutputPath;
  gdi::COLORREF BackColor = 0;  // 0x00BBGGRR
  // Keeps the typed fraction (12.5 stays 12.5); no value until the settings are first read.
  std::optional<double> BlockWidth;
  std::int32_t BlockHeight = 0;
  std::int32_t WrapCount = 0;  // cells per row (row by row) or per column (column by column)
  join::ArrangeOrder ArrangeOrder = join::ArrangeOrder::RowsFromTopLeft;
  std::int32_t Spacing = 0;
  join::FitMode FitMode = join::FitMode::TopLeft;
};

// The layout a run of this job draws.
join::Layout LayoutOf(const JobState& job);

}  // namespace main_window
