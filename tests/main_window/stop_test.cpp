// Stopping a run: Escape or closing the window asks first; OK stops after the current source,
// or gives up the save while the file has no name yet, and leaves the folder as it was; Cancel
// lets the run write what it would have written.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dsmod/output_file.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

using Outcome = main_window::RunReport::Outcome;

constexpr const char* kQuestion = "msgbox:257:処理を中止しますか？";
constexpr int kSources = 7;

// Every name in the folder with its bytes: what a stopped run must leave unchanged.
std::map<std::string, std::vector<std::uint8_t>> Contents(const TempDir& dir) {
  std::map<std::string, std::vector<std::uint8_t>> contents;
  for (const std::string& name : Tree(dir.Path())) contents[name] = ReadBytes(dir.PathOf(name));
  return contents;
}

// Seven patterned sources of different sizes, and an older output written with another
// background. The save shows its progress at once, as a long one does after a moment.
struct StopWindow {
  explicit StopWindow(DSMod::detail::FileSystem& fileSystem = DSMod::detail::SystemFileSystem())
      : window{dir.Path(), "/nonexistent-app-dir", std::chrono::milliseconds{0}, fileSystem} {
    for (int i = 0; i < kSources; ++i)
      WritePattern(dir, std::string(1, 'a' + i) + ".bmp", 30 + 11 * i, 20 + 7 * i);
    window.Loaded();
    Configure(window, {.blockWidth = "80", .blockHeight = "70", .wrap = "3", .fit = 1});
    window.form.PlemoBMP();
    ChooseBackground(window, 0x336699);
    window.ui.ClearLog();
  }
  toolkit::ScriptedToolkit& ui() { return window.ui; }
  std::string Output() const { return dir.PathOf("plemo001.bmp"); }

  TempDir dir;
  Window window;
};

enum class Trigger { Escape, Close };

void Ask(StopWindow& stop, Trigger trigger) {
  if (trigger == Trigger::Escape) {
    stop.ui().PressKey(toolkit::kKeyEscape);
  } else {
    stop.ui().RequestClose();
  }
}

// The DoEvents calls of a run: 1 after "描画準備中", 1 + k after source k, the one after
// "保存中", then the one after "保存中・・・ 100%", the file flushed and not yet named. A
// request in call 1 + k stops after source k; in call 1 after source 1. Every one of them,
// rather than a random few: each run takes milliseconds.
constexpr int kSavingCall = kSources + 2;
constexpr int kFlushedCall = kSources + 3;
std::vector<int> StopPoints() {
  std::vector<int> calls;
  for (int call = 1; call <= kFlushedCall; ++call) calls.push_back(call);
  return calls;
}

// The title a stop at `call` leaves just before the title returns to rest.
std::string TitleWhenStopped(int call) {
  if (call == kSavingCall) return "title:保存中・・・";
  if (call == kFlushedCall) return "title:保存中・・・ 100%";
  return "title:描画中・・・" + std::to_string(std::clamp(call - 1, 1, kSources)) + "/" +
         std::to_string(kSources);
}

// Where the file system has no unnamed files, the run writes a named temporary file beside
// the output: it must go as well.
struct NamedTemporaryFiles {
  explicit NamedTemporaryFiles(bool named) { fileSystem.RefuseUnnamed(named); }
  eveda::testing::FaultFileSystem fileSystem;
};

TEST(Stop, OkLeavesTheFolderAsItWasAndTheWindowUsable) {
  for (const bool named : {false, true}) {
    NamedTemporaryFiles mode(named);
    for (const Trigger trigger : {Trigger::Escape, Trigger::Close}) {
      for (const int call : StopPoints()) {
        SCOPED_TRACE(::testing::Message() << (named ? "named" : "unnamed") << " file, "
                                          << (trigger == Trigger::Escape ? "Escape" : "close")
                                          << " in DoEvents call " << call);
        StopWindow stop(mode.fileSystem);
        bool temporarySeen = false;
        // After the first source, which every run draws.
        stop.ui().AtDoEvents(2, [&] { temporarySeen = Tree(stop.dir.Path()).size() > 8; });
        const auto before = Contents(stop.dir);
        stop.ui().AnswerMsgBox(toolkit::kAnswerOk);
        stop.ui().AtDoEvents(call, [&] { Ask(stop, trigger); });
        stop.ui().Click(kRunButton);

        EXPECT_EQ(stop.window.form.LastRun().outcome, Outcome::Stopped);
        EXPECT_EQ(Contents(stop.dir), before);
        EXPECT_EQ(stop.ui().Log("msgbox:"), std::vector<std::string>{kQuestion});
        const std::vector<std::string> titles = stop.ui().Log("title:");
        ASSERT_GE(titles.size(), 2u);
        EXPECT_EQ(titles[titles.size() - 2], TitleWhenStopped(call));
        EXPECT_EQ(titles.back(), std::string("title:") + kReadyTitle);
        EXPECT_EQ(stop.ui().Log().back(),
                  trigger == Trigger::Close ? "unload" : std::string("title:") + kReadyTitle);
        EXPECT_EQ(stop.ui().Unloaded(), trigger == Trigger::Close);
        EXPECT_TRUE(stop.ui().Enabled(kRunButton));
        EXPECT_TRUE(stop.ui().Enabled(kFolderButton));

        // The next run is asked nothing and writes the new background.
        stop.ui().ClearLog();
        stop.ui().Click(kRunButton);
        EXPECT_EQ(stop.window.form.LastRun().outcome, Outcome::Written);
        EXPECT_TRUE(stop.ui().Log("msgbox:").empty());
        EXPECT_EQ(ReadWritten(stop.Output()).Pixel(0, 0), 0x336699u);
        EXPECT_EQ(temporarySeen, named);
      }
    }
  }
}

TEST(Stop, CancelLetsTheRunWriteTheSameBytes) {
  StopWindow plain;
  plain.window.form.PlemoBMP();
  const std::vector<std::uint8_t> expected = ReadBytes(plain.Output());
  ASSERT_FALSE(expected.empty());
  for (const Trigger trigger : {Trigger::Escape, Trigger::Close}) {
    for (const int call : StopPoints()) {
      SCOPED_TRACE(::testing::Message() << "DoEvents call " << call);
      StopWindow stop;
      stop.ui().AnswerMsgBox(toolkit::kAnswerCancel);
      stop.ui().AtDoEvents(call, [&] { Ask(stop, trigger); });
      stop.ui().Click(kRunButton);
      EXPECT_EQ(stop.window.form.LastRun().outcome, Outcome::Written);
      EXPECT_EQ(stop.ui().Log("msgbox:"), std::vector<std::string>{kQuestion});
      EXPECT_EQ(stop.ui().Log("title:描画中").size(), static_cast<std::size_t>(kSources));
      EXPECT_FALSE(stop.ui().Unloaded());
      EXPECT_EQ(ReadBytes(stop.Output()), expected);
    }
  }
}

TEST(Stop, OutsideARunEscapeAsksNothingAndClosingCloses) {
  StopWindow stop;
  stop.ui().PressKey(toolkit::kKeyEscape);
  EXPECT_EQ(stop.ui().Log(), std::vector<std::string>{});
  stop.ui().RequestClose();
  EXPECT_EQ(stop.ui().Log(), std::vector<std::string>{"unload"});
  // A scan is no run: closing during it does not wait.
  StopWindow scanning;
  scanning.ui().AtDoEvents(1, [&] { scanning.ui().RequestClose(); });
  scanning.window.form.GetBMPList(scanning.dir.Path());
  EXPECT_TRUE(scanning.ui().Log("msgbox:").empty());
  EXPECT_TRUE(scanning.ui().Unloaded());
}

TEST(Stop, IsAskedOnceHoweverOftenItIsRequested) {
  StopWindow stop;
  stop.ui().AnswerMsgBox(toolkit::kAnswerOk);
  stop.ui().AtDoEvents(3, [&] {
    stop.ui().PressKey(toolkit::kKeyEscape);
    // Agreed already: neither key nor close asks again, and the close waits for the run.
    stop.ui().PressKey(toolkit::kKeyEscape);
    stop.ui().RequestClose();
    EXPECT_FALSE(stop.ui().Unloaded());
  });
  stop.ui().Click(kRunButton);
  EXPECT_EQ(stop.ui().Log("msgbox:"), std::vector<std::string>{kQuestion});
  EXPECT_EQ(stop.window.form.LastRun().outcome, Outcome::Stopped);
  EXPECT_EQ(stop.ui().Log().back(), "unload");
}

TEST(Stop, OtherKeysStartNothingDuringARun) {
  StopWindow stop;
  stop.ui().AtDoEvents(2, [&] {
    for (const int key : {13, 32, 0x1B + 1, 112}) stop.ui().PressKey(key);
  });
  stop.ui().Click(kRunButton);
  EXPECT_TRUE(stop.ui().Log("msgbox:").empty());
  EXPECT_EQ(stop.window.form.LastRun().outcome, Outcome::Written);
}

}  // namespace
}  // namespace eveda::testing
