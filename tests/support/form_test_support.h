#pragma once
// A real temporary directory of small BMP files, and Form1 on the scripted toolkit.

#include <cstdint>
#include <string>

#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "tests/support/scripted_toolkit.h"

namespace eveda::testing {

// The 54 header bytes of an uncompressed BMP file; the probe reads nothing more.
std::string BmpHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount = 24);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Without a trailing "/".
  const std::string& Path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }

  void WriteBmp(const std::string& name, std::int32_t width, std::int32_t height) const;
  void WriteFile(const std::string& name, const std::string& bytes) const;
  void MakeDir(const std::string& name) const;
  // `count` headers of 8 by 8 named img001.bmp, img002.bmp ...
  void WriteBmps(int count) const;

 private:
  std::string path_;
};

inline toolkit::ControlRef Text1(int index) { return {toolkit::Group::Text1, index}; }
inline toolkit::ControlRef Label1(int index) { return {toolkit::Group::Label1, index}; }
inline toolkit::ControlRef Combo1(int index) { return {toolkit::Group::Combo1, index}; }

inline constexpr const char* kInvalidStatus =
    "生成画像ステータス － 未設定もしくは正しくない値があります";
inline constexpr const char* kReadyTitle = "DID Eveda v1.0";

// The window as a test sees it: the toolkit first, so that it outlives the form.
struct Window {
  explicit Window(std::string commandLine, std::string appPath = "/nonexistent-app-dir")
      : ui(main_window::Form1Design(), std::move(commandLine), std::move(appPath)), form(ui) {}
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
