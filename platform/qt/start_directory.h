#pragma once
// Where the window looks when it is started without a directory.

#include <string>

namespace toolkit {

// What the choice depends on, gathered from the system by StartPlacesOf.
struct StartPlaces {
  std::string programDirectory;  // the executable's directory, without a trailing "/"
  bool programDirectoryWritable = false;
  std::string picturesDirectory;  // the user's pictures directory; "" when there is none
  std::string homeDirectory;
};

// The program's own directory when it is the user's (a build tree, a folder of its own);
// when it is a system directory (under /usr, or one the user cannot write to, such as
// /opt/eveda/bin) the user's pictures directory, else the home directory. A menu launch
// thus never shows /usr/bin.
std::string StartDirectory(const StartPlaces& places);

// The places of this process and user: the pictures directory from XDG_PICTURES_DIR in the
// environment, else from the user's user-dirs.dirs, and only when it exists.
StartPlaces StartPlacesOf(const std::string& programDirectory);

}  // namespace toolkit
