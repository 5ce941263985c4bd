#include "gtfile/enumerate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace GTFile {
namespace {

enum class EntryKind { Other, File, Directory };

// The kind of the entry a name leads to, following symbolic links; the type the directory
// itself reports saves a stat call for everything that is not a link.
EntryKind KindOf(int dirFd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG:
      return EntryKind::File;
    case DT_DIR:
      return EntryKind::Directory;
    case DT_LNK:
    case DT_UNKNOWN:
      break;
    default:
      return EntryKind::Other;
  }
  struct stat info {};
  if (fstatat(dirFd, entry.d_name, &info, 0) != 0) return EntryKind::Other;  // dangling link
  if (S_ISREG(info.st_mode)) return EntryKind::File;
  if (S_ISDIR(info.st_mode)) return EntryKind::Directory;
  return EntryKind::Other;
}

}  // namespace

std::vector<DirEntry> EnumerateDir(const std::string& dir, AttributeSet attributes) {
  std::vector<DirEntry> entries;
  DIR* stream = opendir(dir.c_str());
  if (stream == nullptr) return entries;
  const int dirFd = dirfd(stream);
  while (const dirent* entry = readdir(stream)) {
    if (entry->d_name[0] == '.') continue;  // hidden, and "." and ".." with them
    const EntryKind kind = KindOf(dirFd, *entry);
    const bool qualifies = kind == EntryKind::File || (kind == EntryKind::Directory &&
                                                       attributes == AttributeSet::WithDirectories);
    if (qualifies) entries.push_back({entry->d_name, kind == EntryKind::Directory});
  }
  closedir(stream);
  return entries;
}

std::optional<DirIdentity> IdentifyDir(const std::string& dir) {
  struct stat info {};
  if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return DirIdentity{info.st_dev, info.st_ino};
}

}  // namespace GTFile
