// The choosers: colour values as the system keeps them, and replacing the dialogs in tests.

#include <QColor>
#include <string>
#include <vector>

#include "comdlg/color_ref.h"
#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using ChoosersTest = RecordingWindow;

TEST(ColorRef, ChosenColoursBecomeBlueGreenRed) {
  struct Case {
    QColor color;
    std::int32_t colorRef;
  };
  const std::vector<Case> cases = {
      {QColor(255, 0, 0), 0x0000FF},      {QColor(0, 255, 0), 0x00FF00},
      {QColor(0, 0, 255), 0xFF0000},      {QColor(255, 255, 255), 0xFFFFFF},
      {QColor(0, 0, 0), 0x000000},        {QColor(0x12, 0x34, 0x56), 0x563412},
      {QColor(255, 0, 0, 128), 0x0000FF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Comdlg::ColorRefFromQColor(c.color), c.colorRef) << c.color.name().toStdString();
  }
}

TEST_F(ChoosersTest, ChoosersGoThroughTheReplaceableDialogs) {
  std::vector<std::string> prompts;
  toolkit_.ModalDialogs().browseForFolder = [&](const std::string& prompt,
                                                const std::string& start) {
    prompts.push_back(prompt + "@" + start);
    return std::string("/srv/images");
  };
  toolkit_.ModalDialogs().chooseBackColor = [] { return std::int32_t{-1}; };
  EXPECT_EQ(toolkit_.BrowseForFolder("BMPのあるディレクトリ", "/srv/old/"), "/srv/images");
  EXPECT_EQ(prompts, std::vector<std::string>{"BMPのあるディレクトリ@/srv/old/"});
  EXPECT_EQ(toolkit_.ChooseBackColor(), -1);
}

}  // namespace
}  // namespace eveda::testing
