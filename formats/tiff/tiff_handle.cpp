#include "formats/tiff/tiff_handle.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <span>

namespace formats::tiff {

namespace {

TiffClient& ClientOf(thandle_t handle) { return *static_cast<TiffClient*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  TiffClient& client = ClientOf(handle);
  if (client.input == nullptr) {  // libtiff reads back what it wrote, when writing
    const ssize_t n = ::pread(client.fd, buffer, std::size_t(size), off_t(client.position));
    if (n < 0) return -1;
    client.position += std::uint64_t(n);
    return n;
  }
  auto got = client.input->ReadAt(client.position,
                                  std::span(static_cast<std::uint8_t*>(buffer), std::size_t(size)));
  if (!got) {
    client.ioFailed = true;
    if (client.error.empty()) client.error = got.error().detail;
    return -1;
  }
  client.position += *got;
  return tmsize_t(*got);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  TiffClient& client = ClientOf(handle);
  if (client.fd < 0) return -1;  // a source is never written
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  tmsize_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(client.fd, bytes + done, std::size_t(size - done),
                               off_t(client.position + std::uint64_t(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      client.ioFailed = true;
      if (client.error.empty()) client.error = std::strerror(errno);
      return -1;
    }
    done += n;
  }
  client.position += std::uint64_t(done);
  if (client.position > client.end) client.end = client.position;
  return done;
}

toff_t SizeProc(thandle_t handle) {
  TiffClient& client = ClientOf(handle);
  return client.input != nullptr ? client.input->Size() : client.end;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  TiffClient& client = ClientOf(handle);
  if (whence == SEEK_CUR) offset += client.position;
  if (whence == SEEK_END) offset += SizeProc(handle);
  client.position = offset;
  return offset;
}

int CloseProc(thandle_t) { return 0; }  // the input, or the descriptor, stays its owner's
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff reports a tag it cannot read as an error and reads on, so what stopped it is the last
// error it reports; an input that failed to read says more than any of them.
int KeepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto& client = *static_cast<TiffClient*>(user);
  if (!client.ioFailed) {
    char words[512];
    std::vsnprintf(words, sizeof words, format, args);
    client.error = module != nullptr ? std::string(module) + ": " + words : words;
  }
  return 1;  // handled: nothing reaches stderr
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TiffPtr Open(TiffClient& client, const char* mode) {
  // Messages that come without a handle would still reach the process-wide handlers.
  static const bool silenced = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return true;
  }();
  (void)silenced;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, &client);
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, &client);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t{1} << 31);
  TIFF* tif = TIFFClientOpenExt("picture", mode, &client, ReadProc, WriteProc, SeekProc, CloseProc,
                                SizeProc, MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  return TiffPtr(tif);
}

}  // namespace

TiffPtr OpenTiffForReading(TiffClient& client) { return Open(client, "rm"); }
TiffPtr OpenTiffForWriting(TiffClient& client, const char* mode) { return Open(client, mode); }

std::string TiffWords(const TiffClient& client, const char* fallback) {
  return client.error.empty() ? fallback : client.error;
}

}  // namespace formats::tiff
