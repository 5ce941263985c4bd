#include "platform/qt/start_directory.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QtGlobal>

namespace toolkit {
namespace {

bool IsUnderUsr(const std::string& path) { return path == "/usr" || path.starts_with("/usr/"); }

// Qt reads user-dirs.dirs but falls back to ~/Pictures whether or not it exists.
std::string PicturesDirectory() {
  QString pictures = qEnvironmentVariable("XDG_PICTURES_DIR");
  if (pictures.isEmpty() || !QFileInfo(pictures).isDir())
    pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (pictures.isEmpty() || !QFileInfo(pictures).isDir()) return {};
  // The home directory itself is what user-dirs.dirs names when pictures have no folder.
  if (QDir(pictures) == QDir::home()) return {};
  return QDir::cleanPath(pictures).toStdString();
}

}  // namespace

std::string StartDirectory(const StartPlaces& places) {
  const bool system = places.programDirectory.empty() || IsUnderUsr(places.programDirectory) ||
                      !places.programDirectoryWritable;
  if (!system) return places.programDirectory;
  if (!places.picturesDirectory.empty()) return places.picturesDirectory;
  return places.homeDirectory;
}

StartPlaces StartPlacesOf(const std::string& programDirectory) {
  StartPlaces places;
  places.programDirectory = programDirectory;
  places.programDirectoryWritable =
      !programDirectory.empty() && ::access(programDirectory.c_str(), W_OK) == 0;
  places.picturesDirectory = PicturesDirectory();
  places.homeDirectory = QDir::homePath().toStdString();
  return places;
}

}  // namespace toolkit
