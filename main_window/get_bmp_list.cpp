#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "getimage/getimage.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/output_name.h"
#include "main_window/probe_sizes.h"
#include "main_window/window_texts.h"

namespace main_window {
namespace {

struct LargestSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

std::string ProbeTitle(int done, int count) {
  return Fill(WindowText::ProbeTitle, {std::to_string(done), std::to_string(count)});
}

// The smallest whole number not below the square root: cells per row of a near-square grid.
int WrapProposal(int count) { return static_cast<int>(-std::floor(-std::sqrt(count))); }

}  // namespace

void Form1::GetBMPList(std::string Dirname) {
  BusyScope busy(*this);
  GTFile::NameList names;
  GTFile::FindFiles(Dirname, names, job_.SourcePatterns, false);
  if (leaveOut_ && names.size() > 1) {
    const std::string prefix = GTFile::NormalizeDir(Dirname);
    GTFile::NameList kept(1);  // element 0 stays unused
    for (std::size_t i = 1; i < names.size(); ++i) {
      if (!leaveOut_(prefix + names[i])) kept.push_back(std::move(names[i]));
    }
    names = kept.size() > 1 ? std::move(kept) : GTFile::NameList();
  }
  if (names.empty()) names.assign(1, std::string());
  const int n = GTFile::UBound(names);
  if (n == 0) {
    job_.FileList = std::move(names);
    if (job_.Loaded) {
      ui_.MsgBox(Fill(WindowText::NoBmpFiles, {Dirname}), toolkit::kStyleOkExclamation);
    }
    return;
  }

  // The list is completed privately and published whole, so that an event handled while
  // the sizes are read never sees a list that is half bare names and half full paths.
  Dirname = GTFile::NormalizeDir(std::move(Dirname));
  LargestSize largest;
  for (int i = 1; i <= n; ++i) names[static_cast<std::size_t>(i)].insert(0, Dirname);
  const bool otherFormats = OtherFormatsListed(job_.SourcePatterns);
  const auto infos = ProbeSizes(names,
                                otherFormats ? GetImage::ReadImageInfo : GetImage::ReadBMPInfo,
                                [this, n](int i) {
                                  if (i % 10 != 0) return;
                                  ui_.SetTitle(ProbeTitle(i, n));
                                  ui_.DoEvents();
                                });
  for (const GetImage::BMPInfo& info : infos) {
    largest.width = std::max(largest.width, info.Width);
    largest.height = std::max(largest.height, info.Height);
  }
  job_.FileList = std::move(names);
  ui_.SetTitle(kReadyTitle);
  ui_.DoEvents();

  ui_.SetText(Text1(0), std::to_string(largest.width));
  ui_.SetText(Text1(1), std::to_string(largest.height));
  ui_.SetText(Text1(3), std::to_string(WrapProposal(n)));
  ui_.SetText(Label1(0), Dirname);
  ui_.SetText(Label1(1), Fill(WindowText::FileCount, {std::to_string(n)}));
  job_.OutputPath = ChooseOutputPath(Dirname);
  ui_.SetText(Label1(10), job_.OutputPath);
  UpdateStatus();
}

}  // namespace main_window
