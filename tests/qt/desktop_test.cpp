// What a desktop user meets around the window: the icon, the whole path on hover, and the
// directory a launch without an argument reads.

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <string>
#include <vector>

#include "platform/qt/application_icon.h"
#include "platform/qt/start_directory.h"
#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using DesktopTest = RecordingWindow;

TEST_F(DesktopTest, TheWindowHasEvedasIcon) {
  toolkit::SetUpApplicationIcon(*qApp);
  EXPECT_FALSE(toolkit_.Window()->windowIcon().isNull());
  EXPECT_FALSE(QApplication::windowIcon().availableSizes().isEmpty());
  EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), "eveda");
}

TEST_F(DesktopTest, APathTooLongForItsLabelIsWholeInTheTooltip) {
  struct Case {
    int label;
    std::string text;
    std::string tooltip;
  };
  const std::string deep = "/home/user/" + std::string(60, 'd') + "/写真/2026/plemo001.bmp";
  const std::vector<Case> cases = {
      {0, "/home/user/pics/", ""},
      {0, deep, deep},
      {10, deep, deep},
      {10, "/srv/a.bmp", ""},
      {0, "/tmp/<b>" + std::string(80, 'x') + "/",
       "<p style='white-space:pre'>/tmp/&lt;b&gt;" + std::string(80, 'x') + "/</p>"},
  };
  for (const Case& c : cases) {
    toolkit_.SetText({Group::Label1, c.label}, c.text);
    auto* label = qobject_cast<QLabel*>(Widget(Group::Label1, c.label));
    EXPECT_EQ(label->text().toStdString(), c.text);
    EXPECT_EQ(label->toolTip().toStdString(), c.tooltip) << c.text;
  }
}

TEST(StartDirectory, ASystemDirectoryGivesWayToThePicturesOrHome) {
  struct Case {
    const char* program;
    bool writable;
    const char* pictures;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"/usr/bin", false, "/home/u/Pictures", "/home/u/Pictures"},
      {"/usr/local/bin", true, "/home/u/画像", "/home/u/画像"},  // root's own /usr/local
      {"/usr", false, "", "/home/u"},
      {"/opt/eveda/bin", false, "", "/home/u"},
      {"/opt/eveda/bin", false, "/home/u/Pictures", "/home/u/Pictures"},
      {"/home/u/src/eveda/build/bin", true, "/home/u/Pictures", "/home/u/src/eveda/build/bin"},
      {"/home/u/Eveda", true, "", "/home/u/Eveda"},
      {"/usrlocal/bin", true, "/home/u/Pictures", "/usrlocal/bin"},
      {"", false, "", "/home/u"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toolkit::StartDirectory({c.program, c.writable, c.pictures, "/home/u"}), c.expected)
        << c.program;
  }
}

TEST(StartDirectory, ThePicturesDirectoryComesFromTheEnvironmentWhenItExists) {
  const QByteArray saved = qgetenv("XDG_PICTURES_DIR");
  qputenv("XDG_PICTURES_DIR", QByteArray("/"));
  EXPECT_EQ(toolkit::StartPlacesOf("/usr/bin").picturesDirectory, "/");
  qputenv("XDG_PICTURES_DIR", QByteArray("/nonexistent-pictures"));
  EXPECT_NE(toolkit::StartPlacesOf("/usr/bin").picturesDirectory, "/nonexistent-pictures");
  if (saved.isNull()) {
    qunsetenv("XDG_PICTURES_DIR");
  } else {
    qputenv("XDG_PICTURES_DIR", saved);
  }
}

}  // namespace
}  // namespace eveda::testing
