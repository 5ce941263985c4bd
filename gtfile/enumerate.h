#pragma once
// Reading one directory's entries the way the listings need them.

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace GTFile {

// Which entries qualify: regular files only, or directories as well. Names starting with "."
// are hidden and never qualify; symbolic links count as what they point to.
enum class AttributeSet { Plain = 0, WithDirectories = 16 };

struct DirEntry {
  std::string name;
  bool isDirectory = false;
};

// The qualifying entries of `dir` in the file system's own order; empty when the directory
// is missing or cannot be read.
std::vector<DirEntry> EnumerateDir(const std::string& dir, AttributeSet attributes);

// Device and inode: two paths naming the same directory have the same identity.
struct DirIdentity {
  dev_t device;
  ino_t inode;
  friend bool operator==(const DirIdentity&, const DirIdentity&) = default;
};

std::optional<DirIdentity> IdentifyDir(const std::string& dir);

}  // namespace GTFile
