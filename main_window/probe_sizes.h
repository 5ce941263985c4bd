#pragma once
// The sizes of a folder's sources, read on two threads: each is a few system calls and a
// header, and the second core has nothing else to do meanwhile.

#include <functional>
#include <string>
#include <vector>

#include "getimage/getimage.h"
#include "gtfile/gtfile.h"

namespace main_window {

using SizeProbe = GetImage::BMPInfo (*)(std::string FilePath);

// `probe` of names[1..n] (element 0 unused, as in the result). `finished(i)` is called on this
// thread for i = 1 .. n in order, as soon as the first i are read; when it throws, the other
// thread stops after the file it is reading and the exception goes on.
std::vector<GetImage::BMPInfo> ProbeSizes(const GTFile::NameList& names, SizeProbe probe,
                                          const std::function<void(int i)>& finished);

}  // namespace main_window
