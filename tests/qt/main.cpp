// The window tests run without a display; every widget needs the one QApplication.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

#include "main_window/form1_design.h"
#include "platform/qt/application_font.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  QApplication application(argc, argv);
  toolkit::SetUpApplicationFont(application, main_window::Form1Design());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
