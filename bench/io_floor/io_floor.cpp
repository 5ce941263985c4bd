// The I/O floor of one join: read every source once, then write a file of the output's size
// the way a careful save does (a temporary beside the target, fsync, rename over the target,
// fsync the directory). Both go through one reused 1 MiB buffer, so the floor pays for no
// output-sized memory: on these machines first-touching fresh pages costs more than the disk.
//
//   io_floor [--time] --bytes N --output PATH SOURCE...
//
// A SOURCE that is a directory stands for every regular file directly inside it, in no
// particular order (each is read once; order costs nothing). Prints nothing on success;
// --time prints the wall time in seconds. Exits 1 on an I/O error, 2 on a usage error.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

struct Options {
  bool printTime = false;
  std::uint64_t bytes = 0;
  bool haveBytes = false;
  std::string output;
  std::vector<std::string> sources;
};

// Reports the failing call and the path; returns false so callers can `return fail(...)`.
bool fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "io_floor: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  return false;
}

bool parse_bytes(std::string_view text, std::uint64_t& bytes) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bytes);
  return error == std::errc() && end == text.data() + text.size();
}

bool parse_options(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--time") {
      options.printTime = true;
    } else if (arg == "--bytes" && hasValue) {
      options.haveBytes = parse_bytes(argv[++i], options.bytes);
      if (!options.haveBytes) return false;
    } else if (arg == "--output" && hasValue) {
      options.output = argv[++i];
    } else if (arg.starts_with("-")) {
      return false;
    } else {
      options.sources.emplace_back(arg);
    }
  }
  return options.haveBytes && !options.output.empty() && !options.sources.empty();
}

bool read_file(const std::string& path, std::vector<char>& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fail("cannot open", path);
  ssize_t got;
  while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
  }
  const bool ok = got == 0 || fail("cannot read", path);
  ::close(fd);
  return ok;
}

bool read_directory(const std::string& path, std::vector<char>& buffer) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(path, error)) {
    if (entry.is_regular_file(error) && !read_file(entry.path().string(), buffer)) return false;
  }
  if (error) {
    errno = error.value();
    return fail("cannot list", path);
  }
  return true;
}

bool read_sources(const std::vector<std::string>& sources, std::vector<char>& buffer) {
  for (const auto& source : sources) {
    std::error_code error;
    const bool ok = fs::is_directory(source, error) ? read_directory(source, buffer)
                                                    : read_file(source, buffer);
    if (!ok) return false;
  }
  return true;
}

bool write_all(int fd, std::uint64_t bytes, const std::vector<char>& buffer,
               const std::string& path) {
  while (bytes > 0) {
    const std::size_t chunk = bytes < buffer.size() ? bytes : buffer.size();
    const ssize_t put = ::write(fd, buffer.data(), chunk);
    if (put < 0) {
      if (errno == EINTR) continue;
      return fail("cannot write", path);
    }
    bytes -= static_cast<std::uint64_t>(put);
  }
  return true;
}

bool sync_directory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return fail("cannot open", directory);
  const bool ok = ::fsync(fd) == 0 || fail("cannot fsync", directory);
  ::close(fd);
  return ok;
}

// The buffer's contents do not matter: the disk and the page cache do not look at them.
bool write_output(const std::string& output, std::uint64_t bytes, const std::vector<char>& buffer) {
  const fs::path target = fs::absolute(output);
  const std::string directory = target.parent_path().string();
  std::string temporary = directory + "/.";
  temporary += target.filename().string();
  temporary += ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return fail("cannot create a temporary file in", directory);
  bool ok = write_all(fd, bytes, buffer, temporary) &&
            (::fsync(fd) == 0 || fail("cannot fsync", temporary));
  ok = (::close(fd) == 0 || fail("cannot close", temporary)) && ok;
  ok = ok && (::rename(temporary.c_str(), output.c_str()) == 0 || fail("cannot rename", temporary));
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  return sync_directory(directory);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse_options(argc, argv, options)) {
    std::fprintf(stderr, "usage: io_floor [--time] --bytes N --output PATH SOURCE...\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  std::vector<char> buffer(kBufferBytes);
  if (!read_sources(options.sources, buffer) ||
      !write_output(options.output, options.bytes, buffer)) {
    return 1;
  }
  if (options.printTime) {
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", seconds.count());
  }
  return 0;
}
