// How the written file is put in place, against a file system that fails where it is told
// to: every failure leaves the old file and no temporary one, the file gets its name in as
// few steps as the directory allows, and leftovers of killed saves are cleared safely.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "dsmod/output_file.h"
#include "tests/dsmod/dsmod_support.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

namespace {

using Call = eveda::testing::FaultFileSystem::Call;
using DSMod::SaveError;
using eveda::testing::FaultFileSystem;
using eveda::testing::ReadBytes;
using eveda::testing::TempDir;

DSMod::Canvas SmallCanvas() {
  auto created = DSMod::CreateCanvas(gdi::HDC{}, 24, 3, 2, {});
  EXPECT_TRUE(created);
  return std::move(*created);
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// One failing call at a time, in each way of writing.
TEST(SaveProtocol, AFailingCallLeavesTheOldFileAndNothingElse) {
  const struct {
    Call call;
    int error;
    bool named;  // the way of writing that makes this call
    SaveError::Kind kind;
  } cases[] = {
      {Call::OpenUnnamed, EACCES, false, SaveError::Kind::CannotCreate},
      {Call::OpenNamed, ENOSPC, true, SaveError::Kind::CannotCreate},
      {Call::ChangeMode, EPERM, false, SaveError::Kind::CannotWrite},
      {Call::ChangeMode, EPERM, true, SaveError::Kind::CannotWrite},
      {Call::Sync, EIO, false, SaveError::Kind::CannotWrite},
      {Call::Sync, EIO, true, SaveError::Kind::CannotWrite},
      {Call::LinkUnnamed, EIO, false, SaveError::Kind::CannotWrite},
      {Call::Rename, EXDEV, false, SaveError::Kind::CannotWrite},
      {Call::Rename, EXDEV, true, SaveError::Kind::CannotWrite},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "call " << static_cast<int>(c.call) << ", "
                                    << std::strerror(c.error) << (c.named ? ", named" : ""));
    TempDir directory;
    eveda::testing::WriteBytes(directory / "out.bmp", "old contents");
    FaultFileSystem fileSystem;
    // The first link of an unnamed file tries the final name, which exists: the second one
    // is the temporary name.
    fileSystem.RefuseUnnamed(c.named).Fail(c.call, c.error, c.call == Call::LinkUnnamed ? 2 : 1);
    DSMod::Canvas canvas = SmallCanvas();
    const auto saved = DSMod::SaveCanvasBMP(canvas, directory / "out.bmp", fileSystem);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, c.kind);
    EXPECT_EQ(saved.error().reason, std::strerror(c.error));
    EXPECT_EQ(directory.Names(), std::set<std::string>{"out.bmp"});
    EXPECT_EQ(Text(ReadBytes(directory / "out.bmp")), "old contents");
    DSMod::ReleaseCanvas(canvas);
  }
}

// Where no file has the name, the unnamed file is linked straight under it: no temporary
// name ever exists. Over an old file, the temporary link and the rename follow each other.
TEST(SaveProtocol, TheFileGetsItsNameInAsFewStepsAsPossible) {
  const struct {
    bool oldFile;
    bool named;
    std::vector<Call> calls;
  } cases[] = {
      {false, false, {Call::OpenUnnamed, Call::ChangeMode, Call::Sync, Call::LinkUnnamed}},
      {true,
       false,
       {Call::OpenUnnamed, Call::ChangeMode, Call::Sync, Call::LinkUnnamed, Call::LinkUnnamed,
        Call::Rename}},
      {false,
       true,
       {Call::OpenUnnamed, Call::OpenNamed, Call::ChangeMode, Call::Sync, Call::Rename}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << (c.oldFile ? "old file" : "new name") << (c.named ? ", named" : ", unnamed"));
    TempDir directory;
    if (c.oldFile) eveda::testing::WriteBytes(directory / "out.bmp", "old contents");
    FaultFileSystem fileSystem;
    fileSystem.RefuseUnnamed(c.named);
    DSMod::Canvas canvas = SmallCanvas();
    ASSERT_TRUE(DSMod::SaveCanvasBMP(canvas, directory / "out.bmp", fileSystem));
    EXPECT_EQ(fileSystem.Calls(), c.calls);
    EXPECT_EQ(directory.Names(), std::set<std::string>{"out.bmp"});
    DSMod::ReleaseCanvas(canvas);
  }
}

void Age(const std::string& path, int seconds) {
  const timeval then = {::time(nullptr) - seconds, 0};
  const timeval times[2] = {then, then};
  ::lutimes(path.c_str(), times);
}

// A save removes the hidden files killed saves left in its folder: only names of the
// temporary pattern, only regular files old enough, and never one a live save holds locked.
TEST(SaveProtocol, LeftoversOfKilledSavesAreRemovedSafely) {
  const int old = DSMod::kLeftoverAgeSeconds + 60;
  const struct {
    const char* name;
    int age;
    bool locked;
    bool directory;
    bool removed;
  } cases[] = {
      {".eveda-save-Ab3dE9", old, false, false, true},
      {".eveda-save-Ab3dE9xYz012", old, false, false, true},
      {".eveda-save-Ab3dE9-fresh", 0, false, false, false},
      {".eveda-save-fresh1", 10, false, false, false},
      {".eveda-save-locked", old, true, false, false},
      {".eveda-save-Ab3d", old, false, false, false},
      {".eveda-save-Ab3dE!", old, false, false, false},
      {"eveda-save-Ab3dE9", old, false, false, false},
      {".eveda-save-folder", old, false, true, false},
  };
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "named" : "unnamed");
    TempDir directory;
    std::vector<int> locks;
    std::set<std::string> kept = {"out.bmp"};
    for (const auto& c : cases) {
      const std::string path = directory / c.name;
      if (c.directory) {
        std::filesystem::create_directory(path);
      } else {
        eveda::testing::WriteBytes(path, "left behind");
      }
      if (c.locked) {
        locks.push_back(::open(path.c_str(), O_RDONLY));
        ASSERT_EQ(::flock(locks.back(), LOCK_EX), 0);
      }
      Age(path, c.age);
      if (!c.removed) kept.insert(c.name);
    }
    FaultFileSystem fileSystem;
    fileSystem.RefuseUnnamed(named);
    DSMod::Canvas canvas = SmallCanvas();
    ASSERT_TRUE(DSMod::SaveCanvasBMP(canvas, directory / "out.bmp", fileSystem));
    EXPECT_EQ(directory.Names(), kept);
    for (const int fd : locks) ::close(fd);
    DSMod::ReleaseCanvas(canvas);
  }
}

// A save in progress holds its own temporary file locked, so that another save in the same
// folder never takes it for a leftover, however long it runs.
TEST(SaveProtocol, ALiveSaveHoldsItsTemporaryFileLocked) {
  TempDir directory;
  FaultFileSystem fileSystem;
  fileSystem.RefuseUnnamed();
  auto file = DSMod::detail::OutputFile::Create(directory / "out.bmp", fileSystem);
  ASSERT_TRUE(file);
  const std::set<std::string> names = directory.Names();
  ASSERT_EQ(names.size(), 1u);
  const std::string temporary = directory / *names.begin();
  Age(temporary, DSMod::kLeftoverAgeSeconds + 60);
  auto other = DSMod::detail::OutputFile::Create(directory / "other.bmp", fileSystem);
  ASSERT_TRUE(other);
  EXPECT_TRUE(std::filesystem::exists(temporary));
  const int fd = ::open(temporary.c_str(), O_RDONLY);
  EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), -1);
  EXPECT_EQ(errno, EWOULDBLOCK);
  ::close(fd);
}

// What may be replaced: a regular file, through links; nothing else, and not set-ID bits.
TEST(SaveProtocol, OnlyRegularFilesAreTargets) {
  TempDir directory;
  ::mkfifo((directory / "fifo").c_str(), 0600);
  std::filesystem::create_directory(directory / "folder");
  eveda::testing::WriteBytes(directory / "file", "x");
  std::filesystem::create_symlink("fifo", directory / "to-fifo");
  std::filesystem::create_symlink("file", directory / "to-file");
  std::filesystem::create_symlink("missing", directory / "dangling");
  EXPECT_EQ(DSMod::OutputTargetProblem(directory / "fifo"), "not a regular file");
  EXPECT_EQ(DSMod::OutputTargetProblem(directory / "to-fifo"), "not a regular file");
  EXPECT_EQ(DSMod::OutputTargetProblem("/dev/null"), "not a regular file");
  EXPECT_EQ(DSMod::OutputTargetProblem(directory / "folder"), "Is a directory");
  EXPECT_EQ(DSMod::OutputTargetProblem(directory / "file"), std::nullopt);
  EXPECT_EQ(DSMod::OutputTargetProblem(directory / "to-file"), std::nullopt);
  EXPECT_EQ(DSMod::OutputTargetProblem(directory / "dangling"), std::nullopt);
  EXPECT_EQ(DSMod::OutputTargetProblem(directory / "new"), std::nullopt);
  EXPECT_EQ(DSMod::OutputTargetProblem("-"), std::nullopt);
  EXPECT_EQ(DSMod::ResolvedTarget(directory / "to-file"), directory / "file");
  EXPECT_EQ(DSMod::ResolvedTarget(directory / "dangling"), directory / "missing");

  ::chmod((directory / "file").c_str(), 06775);
  DSMod::Canvas canvas = SmallCanvas();
  ASSERT_TRUE(DSMod::SaveCanvasBMP(canvas, directory / "to-file"));
  struct stat written {};
  ASSERT_EQ(::stat((directory / "file").c_str(), &written), 0);
  EXPECT_EQ(written.st_mode & 07777, 0775u);
  EXPECT_TRUE(std::filesystem::is_symlink(directory / "to-file"));
  DSMod::ReleaseCanvas(canvas);
}

}  // namespace
