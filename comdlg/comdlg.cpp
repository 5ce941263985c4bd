#include "comdlg/comdlg.h"

#include <QColor>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QString>

#include "comdlg/color_ref.h"

namespace Comdlg {
namespace {

constexpr int kCustomColorCount = 16;

QString StartDirectoryOf(const std::string& startDirectory) {
  const QString start = QString::fromStdString(startDirectory);
  return !start.isEmpty() && QFileInfo(start).isDir() ? start : QDir::homePath();
}

}  // namespace

std::string BrowseForFolder(const std::string& prompt, const std::string& startDirectory) {
  // Confirming at once returns the directory it opened at, the one already shown.
  const QString folder = QFileDialog::getExistingDirectory(nullptr, QString::fromStdString(prompt),
                                                           StartDirectoryOf(startDirectory),
                                                           QFileDialog::ShowDirsOnly);
  return folder.toStdString();
}

std::int32_t ChooseBackColor() {
  // Qt keeps custom colours for the whole process; every opening starts from black ones,
  // and from black rather than the current background.
  for (int i = 0; i < kCustomColorCount; ++i) QColorDialog::setCustomColor(i, QColor(Qt::black));
  const QColor chosen = QColorDialog::getColor(QColor(Qt::black));
  if (!chosen.isValid()) return -1;
  return ColorRefFromQColor(chosen);
}

}  // namespace Comdlg
