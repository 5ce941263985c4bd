#include "pyramid/tiles_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>

#include "dsmod/output_file.h"
#include "formats/fd_writes.h"
#include "platform/stop_signals/stop_signals.h"
#include "pyramid/deep_zoom.h"

namespace pyramid {
namespace {

using DSMod::SaveError;
using eveda::Unexpected;

SaveError Failure(SaveError::Kind kind, int error) { return SaveError{kind, std::strerror(error)}; }

std::string NameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}
std::string FolderOf(const std::string& path) {
  const std::filesystem::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : ".";
}

bool Digits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// C_R.jpeg, C_R.jpg or C_R.png: what vips and eveda-batch name tiles.
bool IsTileName(std::string_view name) {
  const auto dot = name.find('.');
  const auto underscore = name.find('_');
  if (dot == std::string_view::npos || underscore == std::string_view::npos || underscore > dot)
    return false;
  const std::string_view extension = name.substr(dot + 1);
  return Digits(name.substr(0, underscore)) &&
         Digits(name.substr(underscore + 1, dot - underscore - 1)) &&
         (extension == "jpeg" || extension == "jpg" || extension == "png");
}

// Calls `each` with the name and type of every entry but . and ..; false when the folder
// cannot be read.
bool ForEachEntry(const std::string& folder,
                  const std::function<bool(std::string_view name, const struct stat&)>& each) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool ok = true;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !each(name, info)) {
      ok = false;
      break;
    }
  }
  ::closedir(dir);
  return ok;
}

// The first entry of `folder` that is no level folder of tiles, or nothing.
std::optional<std::string> StrayEntry(const std::string& folder) {
  std::optional<std::string> stray;
  const bool read = ForEachEntry(folder, [&](std::string_view level, const struct stat& info) {
    if (!Digits(level) || !S_ISDIR(info.st_mode)) {
      stray = std::string(level);
      return false;
    }
    return ForEachEntry(folder + "/" + std::string(level),
                        [&](std::string_view tile, const struct stat& tileInfo) {
                          if (IsTileName(tile) && S_ISREG(tileInfo.st_mode)) return true;
                          stray = std::string(level) + "/" + std::string(tile);
                          return false;
                        }) ||
           stray.has_value();
  });
  if (!read && !stray) return std::string("unreadable entries");
  return stray;
}

// True for a regular file whose first bytes name the Deep Zoom schema.
bool IsDescriptor(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  char head[1024] = {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  const ssize_t got = regular ? ::read(fd, head, sizeof head - 1) : -1;
  ::close(fd);
  return got > 0 && std::strstr(head, "schemas.microsoft.com/deepzoom/") != nullptr;
}

void RemoveTree(const std::string& path) {
  ::nftw(
      path.c_str(),
      [](const char* entry, const struct stat*, int, struct FTW*) {
        ::remove(entry);
        return 0;
      },
      16, FTW_DEPTH | FTW_PHYS);
}

// A hidden tiles folder is locked by its run for as long as the run lives; one whose lock can
// be had, and old enough not to be one just made, was left by a run that was killed.
void RemoveLeftovers(const std::string& folder, const std::string& prefix) {
  const std::time_t now = std::time(nullptr);
  std::vector<std::string> left;
  ForEachEntry(folder, [&](std::string_view name, const struct stat& info) {
    if (name.starts_with(prefix) && name.size() == prefix.size() + 6 && S_ISDIR(info.st_mode) &&
        now - info.st_mtime >= DSMod::kLeftoverAgeSeconds)
      left.emplace_back(name);
    return true;
  });
  for (const std::string& name : left) {
    const std::string path = folder + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) RemoveTree(path);
    ::close(fd);
  }
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::optional<std::string> TilesFolderProblem(const std::string& descriptor) {
  const std::string resolved = DSMod::ResolvedTarget(descriptor);
  const std::string folder = TilesFolderOf(resolved);
  const std::string name = NameOf(folder);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0)
    return errno == ENOENT ? std::nullopt : std::optional<std::string>(std::strerror(errno));
  const std::string kept = "; it is not an earlier pyramid and is left as it is";
  if (!S_ISDIR(info.st_mode)) return name + " exists and is not a folder" + kept;
  if (!IsDescriptor(resolved)) return name + " exists without its Deep Zoom descriptor" + kept;
  if (auto stray = StrayEntry(folder)) return name + " holds " + *stray + ", not a tile" + kept;
  return std::nullopt;
}

eveda::Result<TilesFolder, SaveError> TilesFolder::Create(const std::string& descriptor) {
  const std::string resolved = DSMod::ResolvedTarget(descriptor);
  const std::string parent = FolderOf(resolved);
  std::string prefix(1, '.');
  prefix.append(NameOf(TilesFolderOf(resolved))).append(".");
  RemoveLeftovers(parent, prefix);
  std::string pattern = parent + "/" + prefix + "XXXXXX";
  {
    // A stop signal from here on takes the folder away with whatever tiles it holds.
    const stop_signals::Held held;
    if (::mkdtemp(pattern.data()) == nullptr)
      return Unexpected{Failure(SaveError::Kind::CannotCreate, errno)};
    stop_signals::SetPendingFolder(pattern.c_str());
  }
  const int lock = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock < 0) {
    const int error = errno;
    ::rmdir(pattern.c_str());
    return Unexpected{Failure(SaveError::Kind::CannotCreate, error)};
  }
  ::flock(lock, LOCK_EX | LOCK_NB);
  return TilesFolder(resolved, std::move(pattern), lock);
}

TilesFolder::TilesFolder(TilesFolder&& other) noexcept
    : descriptor_(std::move(other.descriptor_)),
      path_(std::exchange(other.path_, {})),
      lock_(std::exchange(other.lock_, -1)) {}

TilesFolder::~TilesFolder() {
  if (!path_.empty()) RemoveTree(path_);
  if (lock_ >= 0) ::close(lock_);
  if (!path_.empty()) {
    const stop_signals::Held held;
    stop_signals::ClearPendingFolder();
  }
}

eveda::Result<std::string, SaveError> TilesFolder::PutInPlace(
    const std::string& descriptorText, DSMod::detail::FileSystem& fileSystem) {
  // One sync for every tile: thousands of fsyncs would cost more than the tiles.
  if (::syncfs(lock_) != 0) return Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  // A folder put there while the tiles were drawn is refused all the same.
  if (auto problem = TilesFolderProblem(descriptor_))
    return Unexpected{SaveError{SaveError::Kind::CannotWrite, *problem}};
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(lock_, 0777 & ~mask) != 0)
    return Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  auto file = DSMod::detail::OutputFile::Create(descriptor_, fileSystem);
  if (!file) return Unexpected{file.error()};
  if (const int error = formats::WriteAll(
          file->fd(), std::span(reinterpret_cast<const std::uint8_t*>(descriptorText.data()),
                                descriptorText.size())))
    return Unexpected{Failure(SaveError::Kind::CannotWrite, error)};
  const std::string folder = TilesFolderOf(descriptor_);
  // The tiles and the descriptor change places with the earlier pyramid's with the stop
  // signals held throughout, so that a stop sees either the earlier pyramid whole or the new
  // one; the hidden name, holding the earlier tiles once exchanged, is what a stop removes.
  const stop_signals::Held held;
  bool exchanged = false;
  if (fileSystem.Rename(path_, folder, RENAME_NOREPLACE) != 0) {
    if (errno != EEXIST || fileSystem.Rename(path_, folder, RENAME_EXCHANGE) != 0)
      return Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
    exchanged = true;
  }
  auto placed = file->PutInPlace(descriptor_, {});
  if (!placed) {
    if (exchanged)
      fileSystem.Rename(path_, folder, RENAME_EXCHANGE);
    else
      fileSystem.Rename(folder, path_, RENAME_NOREPLACE);
    return Unexpected{placed.error()};
  }
  if (exchanged) RemoveTree(path_);
  stop_signals::ClearPendingFolder();
  path_.clear();
  SyncFolder(FolderOf(descriptor_));
  return descriptor_;
}

}  // namespace pyramid
