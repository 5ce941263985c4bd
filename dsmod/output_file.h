#pragma once
// The file a save writes into, and how it is put in place. The file has no name while it is
// written (O_TMPFILE), so a run stopped at any moment, even by SIGKILL, leaves nothing behind;
// only when it is complete and on disk does it get a name, in one step where no file had the
// name before. Where the file system has no unnamed files, a hidden `.eveda-save-XXXXXX`
// beside the target serves instead: the stop-signal handler takes it away (platform/
// stop_signals), and one that SIGKILL left behind is removed by a later save in that folder.
//
// The target is never a node other than a regular file: an existing directory, device, FIFO
// or socket is refused and left as it is. A symbolic link is followed, and the file it names
// is replaced in its own directory (created there when the link dangles); the link stays.
// The new file has the permissions of the file it replaces, without set-user-ID and
// set-group-ID, or those a plain create would give.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "dsmod/dsmod.h"
#include "dsmod/file_system.h"

namespace DSMod {

// The target that means standard output: the file is written unnamed in the temporary folder
// ($TMPDIR, else /tmp) and copied to standard output, from its first byte, once it is whole;
// or, for a format written in order, to standard output itself as it is made.
inline constexpr std::string_view kStandardOutput = "-";

// The path a save to `target` replaces: the file a symbolic link names, through every link.
std::string ResolvedTarget(const std::string& target);

// Why `target` cannot take a save's output without replacing something other than a regular
// file ("not a regular file", or the system's reason), or nothing.
std::optional<std::string> OutputTargetProblem(const std::string& target);

// Hidden temporary files of earlier saves that were killed (SIGKILL cannot be caught) are
// removed when older than this and not locked by a live save.
inline constexpr int kLeftoverAgeSeconds = 300;

namespace detail {

class OutputFile {
 public:
  // Creates the file for `target` through `fileSystem`. Standard output is written directly
  // when the bytes come `inOrder`.
  static eveda::Result<OutputFile, SaveError> Create(const std::string& target,
                                                     FileSystem& fileSystem, bool inOrder = false);
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // A file never put in place is removed: closed when unnamed, unlinked when named.
  ~OutputFile();

  int fd() const { return fd_; }

  // Flushes the file and gives it the name `target`: replacing whatever regular file has that
  // name, or, when `nextName` is given, never replacing anything and trying the names it
  // offers instead (it returns nothing when none is left). Returns the name given. For
  // kStandardOutput, copies the file to standard output instead.
  eveda::Result<std::string, SaveError> PutInPlace(const std::string& target,
                                                   const NextOutputName& nextName);

 private:
  OutputFile(FileSystem& fileSystem, int fd, std::string directory, std::string temporaryName)
      : fileSystem_(&fileSystem),
        fd_(fd),
        directory_(std::move(directory)),
        temporaryName_(std::move(temporaryName)) {}
  static eveda::Result<OutputFile, SaveError> CreateForStandardOutput(FileSystem& fileSystem);
  static eveda::Result<OutputFile, SaveError> OntoStandardOutput(FileSystem& fileSystem);
  eveda::Result<void, SaveError> Replace(const std::string& target);
  eveda::Result<void, SaveError> LinkAsTemporary();
  int PutWithoutReplacing(const std::string& name);
  eveda::Result<void, SaveError> CopyToStandardOutput();
  // The file has its final name now: nothing of it is ours to remove any more.
  void DisownInPlace();

  FileSystem* fileSystem_;
  int fd_ = -1;
  std::string directory_;
  std::string temporaryName_;  // empty while the file has no name
  bool direct_ = false;        // fd_ is standard output's own: nothing is left to copy
};

}  // namespace detail
}  // namespace DSMod
