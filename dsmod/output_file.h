#pragma once
// The file a save writes into, and how it is put in place. The file has no name while it is
// written (O_TMPFILE), so a run stopped at any moment, even by SIGKILL, leaves nothing behind;
// only when it is complete and on disk does it get a name. Where the file system has no
// unnamed files, a hidden `.eveda-save-XXXXXX` beside the target serves instead, and
// RemovePendingFile() lets a signal handler take it away.

#include <signal.h>

#include <functional>
#include <optional>
#include <string>

#include "dsmod/canvas_file.h"
#include "dsmod/dsmod.h"

namespace DSMod::detail {

class OutputFile {
 public:
  // Creates the file in the directory of `target`, with the permissions a plain create would
  // give (or those of the file being replaced).
  static eveda::Result<OutputFile, SaveError> Create(const std::string& target);
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // A file never put in place is removed: closed when unnamed, unlinked when named.
  ~OutputFile();

  int fd() const { return fd_; }

  // Flushes the file and gives it the name `target`: replacing whatever has that name, or,
  // when `nextName` is given, never replacing anything and trying the names it offers instead
  // (it returns nothing when none is left). Returns the name given.
  eveda::Result<std::string, SaveError> PutInPlace(
      const std::string& target,
      const std::function<std::optional<std::string>(const std::string&)>& nextName);

 private:
  OutputFile(int fd, std::string directory, std::string temporaryName)
      : fd_(fd), directory_(std::move(directory)), temporaryName_(std::move(temporaryName)) {}
  eveda::Result<void, SaveError> LinkAsTemporary();
  int LinkUnnamed(const std::string& name) const;
  int PutWithoutReplacing(const std::string& name);
  void Forget();

  int fd_ = -1;
  std::string directory_;
  std::string temporaryName_;  // empty while the file has no name
};

// Holds the stop signals (kStopSignals) back on the calling thread while it lives. A named file
// comes into being or goes under another name only while they are held, so that the handler
// sees exactly the files that are ours to remove (a system call can take a while on a busy
// disk, and a signal is handled as it returns); a thread started while they are held never
// receives them.
class StopSignalsHeld {
 public:
  StopSignalsHeld();
  ~StopSignalsHeld();
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

// Makes every new OutputFile take the named way, as on a file system without unnamed files,
// so that the tests can reach it on any machine.
void UseNamedTemporaryFiles(bool named);

// Unlinks the named temporary file a save has in progress, if any. Async-signal-safe: for
// handlers of SIGINT, SIGTERM and SIGHUP, which then end the process.
void RemovePendingFile();

}  // namespace DSMod::detail
