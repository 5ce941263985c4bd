#pragma once
// Lists of paths a user hands over in a file or on standard input, such as `find` writes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace GTFile {

// One path a line, or each path ended by a NUL byte (find -print0). Paths are bytes: nothing
// is trimmed and bytes that are not UTF-8 are kept as they are. Empty entries are skipped; a
// last entry without its separator counts. In a newline list a NUL byte is an error, since no
// path holds one: the list was most likely written NUL-separated. In a NUL list, a newline is
// part of a path.
enum class PathListFormat { Lines, NulSeparated };

// Why a list could not be read, to be shown after the list's name: "cannot be opened: No such
// file or directory", "line 3 holds a NUL byte...".
using PathListError = std::string;
using PathList = eveda::Result<std::vector<std::string>, PathListError>;

// Cuts a list's bytes into paths as they arrive, in chunks of any size, putting `base` ("" or
// ending in "/") before every relative path. The paths are held once, each at its own size.
class PathListSplitter {
 public:
  PathListSplitter(std::string base, PathListFormat format)
      : base_(std::move(base)), format_(format) {}
  // False once the list has proved wrong; Finish says why.
  bool Feed(std::string_view bytes);
  PathList Finish();

 private:
  void Take(std::string_view entry);

  std::string base_;
  PathListFormat format_;
  std::string partial_;  // an entry cut by the end of a chunk
  std::vector<std::string> paths_;
  std::size_t line_ = 0;
  PathListError error_;
};

// Reads the list at `listPath`, relative paths resolved against the list's own directory (as
// `listPath` names it); "-" reads standard input, relative paths staying relative to the
// current directory. The list is read in blocks, never whole.
PathList ReadPathList(const std::string& listPath, PathListFormat format);

}  // namespace GTFile
