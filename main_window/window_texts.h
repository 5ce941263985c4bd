#pragma once
// Every sentence the window shows, in one table, so that its Japanese is read and changed in
// one place. A text with blanks holds %1, %2, … where a number or a name goes.

#include <initializer_list>
#include <string>
#include <string_view>

namespace main_window {

enum class WindowText {
  FolderPrompt,         // the folder chooser's caption
  ProbeTitle,           // %1 of %2 sizes read
  NoBmpFiles,           // %1: the directory
  FileCount,            // %1 files
  StatusValid,          // %1 columns, %2 rows, %3: SizeText
  StatusInvalid,        //
  InvalidSettings,      //
  PreparingTitle,       //
  DrawingTitle,         // %1 of %2 tiles drawn
  SavingTitle,          //
  SizeText,             // %1 wide, %2 high
  LargeOutputQuestion,  // %1: SizeText
  CanvasBadSize,        // %1: SizeText
  CanvasOverflow,       // %1: SizeText, %2 gigabytes
  CanvasOutOfMemory,    // %1: SizeText
  CanvasFailed,         //
  SaveFailed,           // %1: the path
  SaveFailedReason,     // %1: the system's words
  NotDrawnHead,         // %1 sources
  NotDrawnSource,       // %1: the file name, %2: the reason
  NotDrawnMore,         // %1 more sources
  StopQuestion,         //
};

// The text as the table holds it, blanks unfilled.
std::string_view TextOf(WindowText text);

// The text with %1 … %9 replaced by `values` in order, in one pass: a value that itself holds
// "%1" (a folder name, say) is copied as it is. A blank without a value stays empty.
std::string Fill(WindowText text, std::initializer_list<std::string_view> values);

}  // namespace main_window
