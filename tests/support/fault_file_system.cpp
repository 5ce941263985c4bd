#include "tests/support/fault_file_system.h"

namespace eveda::testing {

FaultFileSystem& FaultFileSystem::RefuseUnnamed(bool refuse) {
  refuseUnnamed_ = refuse;
  return *this;
}

FaultFileSystem& FaultFileSystem::Fail(Call call, int error, int nth) {
  faults_[call] = {error, nth, false};
  return *this;
}

FaultFileSystem& FaultFileSystem::FailFrom(Call call, int error, int nth) {
  faults_[call] = {error, nth, true};
  return *this;
}

FaultFileSystem& FaultFileSystem::After(Call call, std::function<void()> action) {
  after_[call] = std::move(action);
  return *this;
}

int FaultFileSystem::Then(Call call, int result) {
  const auto action = after_.find(call);
  if (result >= 0 && action != after_.end()) action->second();
  return result;
}

bool FaultFileSystem::Fails(Call call) {
  calls_.push_back(call);
  const int count = ++counts_[call];
  const auto fault = faults_.find(call);
  if (fault == faults_.end()) return false;
  const Fault& f = fault->second;
  if (count == f.nth || (f.onwards && count > f.nth)) {
    errno = f.error;
    return true;
  }
  return false;
}

int FaultFileSystem::OpenUnnamed(const std::string& directory) {
  if (Fails(Call::OpenUnnamed)) return -1;
  if (refuseUnnamed_) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return Then(Call::OpenUnnamed, real_.OpenUnnamed(directory));
}

int FaultFileSystem::OpenNamed(std::string& pattern) {
  return Fails(Call::OpenNamed) ? -1 : Then(Call::OpenNamed, real_.OpenNamed(pattern));
}

int FaultFileSystem::LinkUnnamed(int fd, const std::string& name) {
  return Fails(Call::LinkUnnamed) ? -1 : Then(Call::LinkUnnamed, real_.LinkUnnamed(fd, name));
}

int FaultFileSystem::Link(const std::string& from, const std::string& to) {
  return Fails(Call::Link) ? -1 : Then(Call::Link, real_.Link(from, to));
}

int FaultFileSystem::Rename(const std::string& from, const std::string& to, unsigned flags) {
  return Fails(Call::Rename) ? -1 : Then(Call::Rename, real_.Rename(from, to, flags));
}

int FaultFileSystem::Unlink(const std::string& path) {
  return Fails(Call::Unlink) ? -1 : Then(Call::Unlink, real_.Unlink(path));
}

int FaultFileSystem::Sync(int fd) {
  return Fails(Call::Sync) ? -1 : Then(Call::Sync, real_.Sync(fd));
}

int FaultFileSystem::ChangeMode(int fd, mode_t mode) {
  return Fails(Call::ChangeMode) ? -1 : Then(Call::ChangeMode, real_.ChangeMode(fd, mode));
}

int FaultFileSystem::Lock(int fd, bool wait) { return real_.Lock(fd, wait); }

}  // namespace eveda::testing
