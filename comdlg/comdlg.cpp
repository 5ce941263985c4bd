#include "comdlg/comdlg.h"

#include <QColor>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QString>

#include "comdlg/color_ref.h"

namespace Comdlg {
namespace {

constexpr int kCustomColorCount = 16;

}  // namespace

std::string BrowseForFolder(const std::string& prompt) {
  // Opens in the home directory, the top of a Linux user's own files; nothing is selected,
  // so confirming at once returns the home directory itself.
  const QString folder = QFileDialog::getExistingDirectory(
      nullptr, QString::fromStdString(prompt), QDir::homePath(), QFileDialog::ShowDirsOnly);
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
