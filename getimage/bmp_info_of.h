#pragma once
// The BMP record of a file the caller has opened already, so that a probe that first looked
// for another format does not open the file again.

#include "getimage/getimage.h"
#include "platform/bmp_loader/source_file.h"

namespace GetImage::detail {

BMPInfo BmpInfoOf(const eveda::bmp::SourceFile& file);

}  // namespace GetImage::detail
