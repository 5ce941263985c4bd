#pragma once
// What eveda-batch decides about its -o target before a tile is drawn: whether it is one of the
// sources it would otherwise read.

#include <functional>
#include <string>

namespace app {

// True for a path in DIRECTORY that is the file `output` names: the same device and inode
// where the output exists, the same resolved path where it does not yet. Made once, asked
// for each file the scan finds.
std::function<bool(const std::string& path)> SameFileAs(const std::string& output);

}  // namespace app
