#pragma once
// Form1 on the scripted toolkit, with sources in a temporary directory.

#include <chrono>
#include <cstdint>
#include <string>

#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "tests/support/scripted_toolkit.h"
#include "tests/support/temp_dir.h"

namespace eveda::testing {

inline toolkit::ControlRef Text1(int index) { return {toolkit::Group::Text1, index}; }
inline toolkit::ControlRef Label1(int index) { return {toolkit::Group::Label1, index}; }
inline toolkit::ControlRef Combo1(int index) { return {toolkit::Group::Combo1, index}; }
inline constexpr toolkit::ControlRef kFolderButton{toolkit::Group::Command1, 0};
inline constexpr toolkit::ControlRef kColourButton{toolkit::Group::Command2, 0};
inline constexpr toolkit::ControlRef kRunButton{toolkit::Group::Command4, 0};

inline constexpr const char* kInvalidStatus =
    "生成画像ステータス － 未設定もしくは正しくない値があります";
inline constexpr const char* kReadyTitle = "DID Eveda v1.0";

// The window as a test sees it: the toolkit first, so that it outlives the form.
struct Window {
  explicit Window(std::string commandLine, std::string appPath = "/nonexistent-app-dir",
                  std::chrono::milliseconds savingProgressDelay = main_window::kSavingProgressDelay,
                  DSMod::detail::FileSystem& fileSystem = DSMod::detail::SystemFileSystem())
      : ui(main_window::Form1Design(), std::move(commandLine), std::move(appPath)),
        form(ui, savingProgressDelay, fileSystem) {}
  // Starts the window and forgets what start-up showed.
  Window& Loaded() {
    ui.Load();
    ui.ClearLog();
    return *this;
  }

  toolkit::ScriptedToolkit ui;
  main_window::Form1 form;
};

}  // namespace eveda::testing
