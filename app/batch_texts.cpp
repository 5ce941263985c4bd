#include "app/batch_texts.h"

#include <array>
#include <string_view>

#include "app/shell_quote.h"
#include "dsmod/dsmod.h"
#include "main_window/output_canvas.h"
#include "main_window/run_messages.h"

namespace batch {
namespace {

using main_window::RunReport;

struct TitleWords {
  std::string_view japanese;  // the title, or its start before a count "i/n"
  std::string_view english;
};

// The window's titles while it works; a count after one is carried over.
constexpr std::array<TitleWords, 4> kTitles = {{
    {"描画準備中・・・", "preparing"},
    {"描画中・・・", "drawing "},
    {"保存中・・・", "saving"},
    {"画像サイズ取得中・・・", "reading sizes "},
}};

std::string SizeText(const RunReport& run) {
  return std::to_string(run.width) + " x " + std::to_string(run.height);
}

}  // namespace

std::string ProgressText(const std::string& title) {
  for (const TitleWords& words : kTitles) {
    if (std::string_view(title).starts_with(words.japanese))
      return std::string(words.english) + title.substr(words.japanese.size());
  }
  return title;
}

std::string FailureText(const RunReport& run) {
  switch (run.outcome) {
    case RunReport::Outcome::InvalidSettings:
      return "the settings are not valid";
    case RunReport::Outcome::CanvasFailed:
      if (run.fileKind == main_window::OutputFileKind::Bmp &&
          !main_window::OutputFitsInBmpFile(run.width, run.height))
        return "the output image (" + SizeText(run) + ") exceeds the " +
               std::to_string(DSMod::kMaxBmpFileGigabytes) + " GB limit of a BMP file";
      if (run.fileKind == main_window::OutputFileKind::Encoded &&
          run.width > main_window::kMaxBandWidth)
        return "the output image (" + SizeText(run) + ") is wider than the " +
               std::to_string(main_window::kMaxBandWidth) + " pixels a PNG output may have";
      if (run.width < 1 || run.height < 1)
        return "the output image would be " + SizeText(run) + ", which cannot be made";
      return "out of memory for the output image (" + SizeText(run) + ")";
    case RunReport::Outcome::SaveFailed: {
      std::string text = "could not save " + ShellQuoted(run.outputPath);
      if (!run.saveError.reason.empty()) text += ": " + run.saveError.reason;
      return text;
    }
    case RunReport::Outcome::NotRun:
    case RunReport::Outcome::Declined:
    case RunReport::Outcome::Written:
    case RunReport::Outcome::Stopped:  // never here: no question is asked, a signal ends the run
      break;
  }
  return run.reason;
}

}  // namespace batch
