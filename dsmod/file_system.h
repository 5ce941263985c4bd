#pragma once
// The file-system calls a save makes, behind one small interface that the save is given, so
// that a save can be run against a file system that refuses unnamed files or fails any one
// call (tests/support has such a double). Each call has the shape of the system call it stands for:
// -1 with errno set on failure.

#include <sys/types.h>

#include <string>

namespace DSMod::detail {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // An unnamed file in `directory` (O_TMPFILE), read-write.
  virtual int OpenUnnamed(const std::string& directory) = 0;
  // A new file named after `pattern`, whose last six characters are XXXXXX (mkostemp).
  virtual int OpenNamed(std::string& pattern) = 0;
  // Gives the unnamed file `fd` the name `name`; never replaces anything.
  virtual int LinkUnnamed(int fd, const std::string& name) = 0;
  virtual int Link(const std::string& from, const std::string& to) = 0;
  // renameat2 with `flags` (0 or RENAME_NOREPLACE).
  virtual int Rename(const std::string& from, const std::string& to, unsigned flags) = 0;
  virtual int Unlink(const std::string& path) = 0;
  virtual int Sync(int fd) = 0;
  virtual int ChangeMode(int fd, mode_t mode) = 0;
  // An exclusive advisory lock (flock), without waiting when `wait` is false.
  virtual int Lock(int fd, bool wait) = 0;
};

// The system's own calls: what every save uses unless it is given another.
FileSystem& SystemFileSystem();

}  // namespace DSMod::detail
