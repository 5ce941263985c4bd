#pragma once
// The main window: the job state, the operations on it, and the handlers that connect the
// controls to them. Written against toolkit::Services only, so the same window runs in Qt and
// in the tests' scripted toolkit; the join it runs is eveda-batch's too (join/join.h).

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "join/join.h"
#include "main_window/job_state.h"
#include "platform/toolkit/services.h"

namespace main_window {

// How the latest run ended, as the tests read it.
struct RunReport {
  enum class Outcome {
    NotRun,
    InvalidSettings,
    Declined,
    CanvasFailed,
    SaveFailed,
    Written,
    Stopped,  // the user stopped it before the file had its name: nothing was written, an
              // older file is untouched
  };
  Outcome outcome = Outcome::NotRun;
  std::string outputPath;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<join::NotDrawnSource> notDrawn;
  std::string reason;          // what the user was told when it failed
  DSMod::SaveError saveError;  // when the save failed: why
};

// How long a save may take before the title shows its progress: a short save never flashes
// a percentage.
inline constexpr std::chrono::milliseconds kSavingProgressDelay{500};

class Form1 {
 public:
  // Connects every handler; the toolkit raises Load afterwards. A save that takes longer than
  // `savingProgressDelay` shows its progress in the title, and can be stopped meanwhile.
  explicit Form1(toolkit::Services& ui,
                 std::chrono::milliseconds savingProgressDelay = kSavingProgressDelay,
                 DSMod::detail::FileSystem& fileSystem = DSMod::detail::SystemFileSystem());
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Draws every source into its cell and writes the output file.
  void PlemoBMP();
  // Reads the six layout controls into the job state and, when the settings can make an
  // image, the grid and the output size. The outputs are written only when it returns true.
  bool CalcSize(std::int32_t& Columns, std::int32_t& Rows, std::int32_t& OutWidth,
                std::int32_t& OutHeight);
  // Shows the grid and output size, or that a setting is missing or wrong.
  void UpdateStatus();
  // Rebuilds the source list from the directory's BMP files and proposes the settings.
  void GetBMPList(std::string Dirname);

  const RunReport& LastRun() const { return lastRun_; }
  // The job as the window last read it.
  const JobState& Job() const { return job_; }

  // Makes `colour` the background and shows it on the colour button.
  void SetBackColor(gdi::COLORREF colour);

 private:
  // While a scan or a run is in progress the buttons that would start another are disabled
  // and their clicks ignored.
  class BusyScope {
   public:
    explicit BusyScope(Form1& form);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    Form1& form_;
    bool outer_;
  };
  // A run from its start to its save, and the user's wish to stop it. Ends the run's stop
  // state, and closes the window when the user closed it during the run.
  class RunScope {
   public:
    explicit RunScope(Form1& form);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    Form1& form_;
  };
  struct RunState {
    bool active = false;
    bool stopRequested = false;
    bool asking = false;           // the stop question is open
    bool unloadWhenEnded = false;  // the user closed the window and agreed to stop
  };

  class RunObserver;
  // What a run draws and where it writes, fixed when it starts: edits made while it runs
  // refresh the status line but cannot change the job under it.
  join::JoinRequest RequestOf(const JobState& job) const;
  void Report(const join::JoinReport& report);
  void FinishRun(RunReport::Outcome outcome, std::string message);
  // Asks whether to stop the run, unless a stop is already agreed; true when it is.
  bool RequestStop();

  void Form_Load();
  void Form_KeyDown(int KeyCode);
  void Form_QueryUnload();
  void Text1_Change(int Index);
  void Text1_GotFocus(int Index);
  void Combo1_Click(int Index);
  void Command1_Click();
  void Command2_Click();
  void Command4_Click();

  toolkit::ControlRef Text1(int index) const { return {toolkit::Group::Text1, index}; }
  toolkit::ControlRef Label1(int index) const { return {toolkit::Group::Label1, index}; }
  toolkit::ControlRef Combo1(int index) const { return {toolkit::Group::Combo1, index}; }

  toolkit::Services& ui_;
  std::chrono::milliseconds savingProgressDelay_;
  DSMod::detail::FileSystem& fileSystem_;
  JobState job_;
  bool busy_ = false;
  RunState run_;
  RunReport lastRun_;
};

}  // namespace main_window
