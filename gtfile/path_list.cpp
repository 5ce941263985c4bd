#include "gtfile/path_list.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace GTFile {
namespace {

PathListError SystemReason(const char* what, int error) {
  return std::string(what) + ": " + std::generic_category().message(error);
}

// Reads `fd` to its end into `splitter` in blocks.
PathList ReadAll(int fd, PathListSplitter& splitter) {
  std::string block(64 * 1024, '\0');
  for (;;) {
    const ssize_t got = read(fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return eveda::Unexpected{SystemReason("cannot be read", errno)};
    if (got == 0 || !splitter.Feed(std::string_view(block.data(), static_cast<std::size_t>(got))))
      return splitter.Finish();
  }
}

}  // namespace

bool PathListSplitter::Feed(std::string_view bytes) {
  const char separator = format_ == PathListFormat::Lines ? '\n' : '\0';
  while (error_.empty()) {
    const std::size_t end = bytes.find(separator);
    if (end == std::string_view::npos) {
      partial_.append(bytes);
      break;
    }
    if (partial_.empty()) {
      Take(bytes.substr(0, end));
    } else {
      partial_.append(bytes.substr(0, end));
      Take(partial_);
      partial_.clear();
    }
    bytes.remove_prefix(end + 1);
  }
  return error_.empty();
}

void PathListSplitter::Take(std::string_view entry) {
  ++line_;
  if (format_ == PathListFormat::Lines && entry.find('\0') != std::string_view::npos) {
    error_ = "line " + std::to_string(line_) +
             " holds a NUL byte, which no path can: is it a NUL-separated list?";
    return;
  }
  if (entry.empty()) return;
  std::string path;
  if (entry.front() != '/') {
    path.reserve(base_.size() + entry.size());
    path = base_;
  }
  path.append(entry);
  paths_.push_back(std::move(path));
}

PathList PathListSplitter::Finish() {
  if (error_.empty() && !partial_.empty()) {
    Take(partial_);
    partial_.clear();
  }
  if (!error_.empty()) return eveda::Unexpected{error_};
  return std::move(paths_);
}

PathList ReadPathList(const std::string& listPath, PathListFormat format) {
  if (listPath == "-") {
    PathListSplitter splitter("", format);
    return ReadAll(STDIN_FILENO, splitter);
  }
  const std::size_t slash = listPath.rfind('/');
  PathListSplitter splitter(slash == std::string::npos ? "" : listPath.substr(0, slash + 1),
                            format);
  const int fd = open(listPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return eveda::Unexpected{SystemReason("cannot be opened", errno)};
  PathList paths = ReadAll(fd, splitter);
  close(fd);
  return paths;
}

}  // namespace GTFile
