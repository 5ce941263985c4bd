#include "dsmod/file_system.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace DSMod::detail {
namespace {

class System final : public FileSystem {
 public:
  int OpenUnnamed(const std::string& directory) override {
    return ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  }
  int OpenNamed(std::string& pattern) override { return ::mkostemp(pattern.data(), O_CLOEXEC); }

  // Through /proc, which needs no privilege; without /proc, AT_EMPTY_PATH does the same for a
  // process that may use it.
  int LinkUnnamed(int fd, const std::string& name) override {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    const int error = errno;
    if (error != ENOENT || ::access("/proc/self/fd", F_OK) == 0) {
      errno = error;
      return -1;
    }
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
  }
  int Link(const std::string& from, const std::string& to) override {
    return ::link(from.c_str(), to.c_str());
  }
  int Rename(const std::string& from, const std::string& to, unsigned flags) override {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags);
  }
  int Unlink(const std::string& path) override { return ::unlink(path.c_str()); }
  int Sync(int fd) override { return ::fsync(fd); }
  int ChangeMode(int fd, mode_t mode) override { return ::fchmod(fd, mode); }
  int Lock(int fd, bool wait) override { return ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)); }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static System system;
  return system;
}

}  // namespace DSMod::detail
