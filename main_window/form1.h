#pragma once
// The main window: the job state, the operations on it, and the handlers that connect the
// controls to them. Written against toolkit::Services only, so the same window runs in Qt,
// in the tests' scripted toolkit and in eveda-batch's console toolkit.

#include <cstdint>
#include <string>

#include "main_window/job_state.h"
#include "platform/toolkit/services.h"

namespace main_window {

class Form1 : public JobState {
 public:
  // Connects every handler; the toolkit raises Load afterwards.
  explicit Form1(toolkit::Services& ui);
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

 private:
  void Form_Load();
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
};

}  // namespace main_window
