#pragma once
// A file system for the save that behaves like the real one except where a test says
// otherwise: it can refuse unnamed files, as vfat and some network file systems do, and fail
// any one call with a chosen error, as a full disk or a lost server would.

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dsmod/file_system.h"

namespace eveda::testing {

class FaultFileSystem : public DSMod::detail::FileSystem {
 public:
  enum class Call { OpenUnnamed, OpenNamed, LinkUnnamed, Link, Rename, Unlink, Sync, ChangeMode };

  // Unnamed files are refused with EOPNOTSUPP, so the save takes the named way.
  FaultFileSystem& RefuseUnnamed(bool refuse = true);
  // The `nth` (from 1) call of `call` fails with `error`; the others pass.
  FaultFileSystem& Fail(Call call, int error, int nth = 1);
  // Every call of `call`, from the `nth` on, fails with `error`.
  FaultFileSystem& FailFrom(Call call, int error, int nth = 1);
  // Runs `action` after each call of `call` that succeeded: a signal raised there arrives at
  // that very moment of the save, an exception is thrown from it.
  FaultFileSystem& After(Call call, std::function<void()> action);
  // The calls made, in order.
  const std::vector<Call>& Calls() const { return calls_; }

  int OpenUnnamed(const std::string& directory) override;
  int OpenNamed(std::string& pattern) override;
  int LinkUnnamed(int fd, const std::string& name) override;
  int Link(const std::string& from, const std::string& to) override;
  int Rename(const std::string& from, const std::string& to, unsigned flags) override;
  int Unlink(const std::string& path) override;
  int Sync(int fd) override;
  int ChangeMode(int fd, mode_t mode) override;
  int Lock(int fd, bool wait) override;

 private:
  struct Fault {
    int error = 0;
    int nth = 0;
    bool onwards = false;
  };
  // True (errno set) when this call is to fail.
  bool Fails(Call call);
  // The real call's result, after the action for `call` when it succeeded.
  int Then(Call call, int result);

  DSMod::detail::FileSystem& real_ = DSMod::detail::SystemFileSystem();
  bool refuseUnnamed_ = false;
  std::map<Call, Fault> faults_;
  std::map<Call, int> counts_;
  std::map<Call, std::function<void()>> after_;
  std::vector<Call> calls_;
};

}  // namespace eveda::testing
