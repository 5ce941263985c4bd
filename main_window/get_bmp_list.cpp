#include <string>
#include <vector>

#include "join/output_name.h"
#include "join/probe_sources.h"
#include "join/proposals.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/window_texts.h"

namespace main_window {
namespace {

std::string ProbeTitle(int done, int count) {
  return Fill(WindowText::ProbeTitle, {std::to_string(done), std::to_string(count)});
}

}  // namespace

void Form1::GetBMPList(std::string Dirname) {
  BusyScope busy(*this);
  GTFile::NameList names;
  GTFile::FindFiles(Dirname, names, {"*.bmp"}, false);
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
  for (int i = 1; i <= n; ++i) names[static_cast<std::size_t>(i)].insert(0, Dirname);
  // The files are read again when the run draws them: the user may change them meanwhile.
  const auto scanned = join::ProbeSources({names.begin() + 1, names.end()}, [this, n](int i) {
    if (i % 10 != 0) return;
    ui_.SetTitle(ProbeTitle(i, n));
    ui_.DoEvents();
  });
  const join::Proposal proposal = join::ProposeSettings(scanned);
  job_.FileList = std::move(names);
  ui_.SetTitle(kReadyTitle);
  ui_.DoEvents();

  ui_.SetText(Text1(0), std::to_string(proposal.BlockWidth));
  ui_.SetText(Text1(1), std::to_string(proposal.BlockHeight));
  ui_.SetText(Text1(3), std::to_string(proposal.WrapCount));
  ui_.SetText(Label1(0), Dirname);
  ui_.SetText(Label1(1), Fill(WindowText::FileCount, {std::to_string(n)}));
  job_.OutputPath = join::ChooseOutputPath(Dirname);
  ui_.SetText(Label1(10), job_.OutputPath);
  UpdateStatus();
}

}  // namespace main_window
