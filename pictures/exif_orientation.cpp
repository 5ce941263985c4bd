#include "pictures/exif_orientation.h"

#include <libexif/exif-data.h>

#include <cstring>
#include <memory>
#include <vector>

namespace pictures {
namespace {

constexpr uint8_t kExifPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};

struct ExifDataFree {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};

// libexif reads the APP1 form only; a bare TIFF block gets the prefix in front.
std::vector<uint8_t> WithPrefix(std::span<const uint8_t> payload) {
  std::vector<uint8_t> bytes(kExifPrefix, kExifPrefix + sizeof kExifPrefix);
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

bool HasPrefix(std::span<const uint8_t> payload) {
  return payload.size() >= sizeof kExifPrefix &&
         std::memcmp(payload.data(), kExifPrefix, sizeof kExifPrefix) == 0;
}

int OrientationOf(ExifData* data) {
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2) {
    return 1;
  }
  const int value = exif_get_short(entry->data, exif_data_get_byte_order(data));
  return value >= 1 && value <= 8 ? value : 1;
}

}  // namespace

int ReadExifOrientation(std::span<const uint8_t> payload) {
  if (payload.empty() || payload.size() > (1u << 30)) return 1;
  std::unique_ptr<ExifData, ExifDataFree> data(exif_data_new());
  if (!data) return 1;
  // Read the block as written: no tags made up or dropped for the standard's sake.
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  std::vector<uint8_t> prefixed;
  if (!HasPrefix(payload)) {
    prefixed = WithPrefix(payload);
    payload = prefixed;
  }
  exif_data_load_data(data.get(), payload.data(), static_cast<unsigned>(payload.size()));
  return OrientationOf(data.get());
}

}  // namespace pictures
