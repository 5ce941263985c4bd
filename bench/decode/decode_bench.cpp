// Decode throughput of a 4096 x 4096 24-bit and 8-bit paletted BMP, next to the time it takes
// to read the same bytes from the page cache. Prints the best of several runs.
//
// "read" and "decode" both write into memory that is already mapped (a reused buffer, a
// reused bitmap), so they compare the copying work alone; "load" is the whole job with fresh
// memory every time: read the file, plan, allocate a zero-filled bitmap, decode; LoadImageA
// does the same into a new DIB section.

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/bmp_loader/row_source.h"
#include "platform/gdi/gdi.h"
#include "tests/support/bmp_builder.h"

namespace {

constexpr int kSide = 4096;
constexpr int kRuns = 7;

using Clock = std::chrono::steady_clock;

double BestMs(const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = Clock::now();
    work();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

std::vector<std::uint8_t> MakeFile(unsigned bitCount) {
  std::vector<std::uint32_t> values(static_cast<std::size_t>(kSide) * kSide);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const auto v = static_cast<std::uint32_t>(x ^ y);
      values[static_cast<std::size_t>(y) * kSide + x] =
          bitCount == 8 ? v & 0xFF : ((x & 0xFF) << 16) | ((y & 0xFF) << 8) | (v & 0xFF);
    }
  }
  eveda::testing::BmpSpec spec;
  spec.width = kSide;
  spec.height = kSide;
  spec.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount == 8) {
    for (std::uint32_t i = 0; i < 256; ++i) spec.palette.push_back(i * 0x010101);
  }
  return eveda::testing::BuildBmp(spec,
                                  eveda::testing::PackRows(kSide, kSide, bitCount, false, values));
}

// One read of the whole file into `size` bytes at `buffer`.
std::size_t ReadInto(const std::filesystem::path& path, std::uint8_t* buffer, std::size_t size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, buffer + done, size - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  return done;
}

// The same into pages never touched before, as a new bitmap's are: the allocator may hand
// back warm memory for some sizes and not for others, so map fresh pages explicitly.
std::size_t ReadIntoFreshPages(const std::filesystem::path& path, std::size_t size) {
  void* pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) return 0;
  const std::size_t done = ReadInto(path, static_cast<std::uint8_t*>(pages), size);
  ::munmap(pages, size);
  return done;
}

bool measure(const std::filesystem::path& path, const char* label) {
  std::error_code error;
  const auto size = static_cast<std::size_t>(std::filesystem::file_size(path, error));
  if (error) return false;
  std::vector<std::uint8_t> file(size);
  if (ReadInto(path, file.data(), size) != size) return false;  // also fills the page cache
  const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
  std::size_t sink = 0;
  std::vector<std::uint8_t> buffer(size);
  const double readMs = BestMs([&] { sink += ReadInto(path, buffer.data(), buffer.size()); });

  const auto plan = bmp_loader::PlanDecode(file);
  if (!plan) return false;
  std::vector<std::uint8_t> bitmap(plan->layout.ByteSize());
  const double decodeMs = BestMs([&] {
    const auto again = bmp_loader::PlanDecode(file);
    bmp_loader::DecodePixels(file, *again, bitmap);
    sink += bitmap[bitmap.size() / 2];
  });

  const double freshReadMs = BestMs([&] { sink += ReadIntoFreshPages(path, size); });
  bool loaded = true;
  // The drawing pass's way: the row source opens and checks the file, then gives every row,
  // a band of 64 at a time, from the same reused buffers.
  bmp_loader::RowBuffers own;
  bmp_loader::ScratchBuffer scratch;
  const double loadMs = BestMs([&] {
    auto source = bmp_loader::RowSource::Open(path.c_str(), own, scratch);
    loaded = loaded && source.has_value();
    if (!source) return;
    for (std::int32_t row = 0; row < source->Height(); row += 64) {
      const auto rows = source->Rows(row, 64, scratch);
      loaded = loaded && rows.has_value();
      if (rows) sink += static_cast<const std::uint8_t*>(rows->bits)[0] + 1;
    }
  });
  const double loadImageMs = BestMs([&] {
    const gdi::HGDIOBJ bitmap = gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 0, 0,
                                                gdi::LR_LOADFROMFILE | gdi::LR_CREATEDIBSECTION);
    loaded = loaded && static_cast<bool>(bitmap);
    gdi::DeleteObject(bitmap);
  });
  std::printf("%s, %.1f MiB\n", label, mib);
  std::printf("  read   %7.2f ms  %6.0f MiB/s\n", readMs, mib / readMs * 1000.0);
  std::printf("  decode %7.2f ms  %6.0f MiB/s  %.2fx the read\n", decodeMs, mib / decodeMs * 1000.0,
              decodeMs / readMs);
  std::printf("  read into fresh memory   %7.2f ms\n", freshReadMs);
  std::printf("  row source, 64-row bands %7.2f ms  %.2fx the fresh read\n", loadMs,
              loadMs / freshReadMs);
  std::printf("  LoadImageA (into a DIB)  %7.2f ms  %.2fx the fresh read\n", loadImageMs,
              loadImageMs / freshReadMs);
  return loaded && sink > 0;
}

}  // namespace

int main() {
  const auto dir =
      std::filesystem::temp_directory_path() / ("eveda_decode_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  bool ok = true;
  for (const unsigned bits : {24u, 8u}) {
    const auto path = dir / ("bench_" + std::to_string(bits) + ".bmp");
    ok = ok && eveda::testing::WriteFile(path.string(), MakeFile(bits));
    ok = ok && measure(path, bits == 24 ? "24-bit 4096x4096" : "8-bit 4096x4096 paletted");
  }
  std::filesystem::remove_all(dir);
  if (!ok) std::fprintf(stderr, "decode_bench: a file could not be written, read or decoded\n");
  return ok ? 0 : 1;
}
