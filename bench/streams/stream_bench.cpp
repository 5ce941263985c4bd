// Time and peak memory of reading a source as a stream of rows, the way the join reads it: a
// 16000 x 16000 PNG of zeros (a deflate bomb of about 1 MB, RGBA as in the wild) and a 6000 x 4000
// baseline JPEG photograph, each read in a process of its own so that its peak is its own.
//
//   stream_bench make DIR              writes the pictures into DIR
//   stream_bench read FILE [W H]       reads FILE's rows (shrunk to no less than W x H) and prints

#include <sys/resource.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "formats/frame_stream.h"
#include "formats/source_reader.h"
#include "tests/support/image_writers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBe32(Bytes& out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
  PutBe32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  PutBe32(png, static_cast<std::uint32_t>(crc32(0, &png[start], png.size() - start)));
}

Bytes ZerosPng(std::uint32_t side, int colourType, int channels) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ihdr, data, out(1 << 16);
  PutBe32(ihdr, side), PutBe32(ihdr, side);
  ihdr.insert(ihdr.end(), {8, static_cast<std::uint8_t>(colourType), 0, 0, 0});
  PutChunk(png, "IHDR", ihdr);
  z_stream z{};
  deflateInit(&z, 9);
  const Bytes row(std::size_t{side} * channels + 1, 0);
  for (std::uint32_t y = 0; y < side; ++y) {
    z.next_in = const_cast<Bytef*>(row.data());
    z.avail_in = static_cast<uInt>(row.size());
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, y + 1 == side ? Z_FINISH : Z_NO_FLUSH);
      data.insert(data.end(), out.data(), z.next_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  PutChunk(png, "IDAT", data);
  PutChunk(png, "IEND", {});
  return png;
}

void Write(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
}

long PeakKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Read(const char* path, std::uint32_t minWidth, std::uint32_t minHeight) {
  const long before = PeakKib();
  const auto start = std::chrono::steady_clock::now();
  auto stream = formats::SourceReader::EveryFormat().OpenStream(path, {minWidth, minHeight});
  if (!stream) {
    std::printf("%s: refused: %s\n", path, stream.error().detail.c_str());
    return 1;
  }
  const formats::StreamInfo& info = (*stream)->Info();
  std::vector<std::uint8_t> rows(formats::RowBytes(info.width, info.pixels) * 16);
  std::size_t held = (*stream)->BytesHeld();
  for (std::uint32_t y = 0; y < info.height; y += 16) {
    const std::uint32_t count = std::min<std::uint32_t>(16, info.height - y);
    if (auto read =
            (*stream)->Read(rows.data(), static_cast<std::ptrdiff_t>(rows.size() / 16), count);
        !read) {
      std::printf("%s: failed at row %u: %s\n", path, y, read.error().detail.c_str());
      return 1;
    }
    held = std::max(held, (*stream)->BytesHeld());
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s: %ux%u rows of %ux%u in %.3f s, peak RSS %.1f MiB (%.1f before), held %.1f MiB\n",
              path, info.width, info.height, info.storedWidth, info.storedHeight, seconds,
              PeakKib() / 1024.0, before / 1024.0, held / 1048576.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 2 ? argv[1] : "";
  if (command == "make") {
    const std::string dir = argv[2];
    Write(dir + "/zeros-rgba-16000.png", ZerosPng(16000, 6, 4));
    Write(dir + "/zeros-grey-16000.png", ZerosPng(16000, 0, 1));
    eveda::testing::JpegSpec photo{.width = 6000, .height = 4000, .quality = 90};
    photo.samples = eveda::testing::PhotoLikeSamples(6000, 4000, 3, 1);
    Write(dir + "/photo-6000x4000.jpg", eveda::testing::WriteJpeg(photo));
    photo.progressive = true;
    Write(dir + "/photo-6000x4000-progressive.jpg", eveda::testing::WriteJpeg(photo));
    return 0;
  }
  if (command == "read") {
    const auto side = [&](int i) {
      return argc > i ? static_cast<std::uint32_t>(std::atoi(argv[i])) : 0u;
    };
    return Read(argv[2], side(3), side(4));
  }
  std::fprintf(stderr, "usage: stream_bench make DIR | read FILE [W H]\n");
  return 2;
}
