#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/huge_pages.h"

namespace velkaro {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes.clear();
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  std::rewind(f);
  if (size > 0) {
    ReserveOnHugePages(bytes, static_cast<size_t>(size));
    bytes.resize(static_cast<size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  }
  // Whatever the size said (a file still growing, a special file), read on
  // to the real end.
  char chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, got);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

bool ReadFilePrefix(const std::string& path, size_t limit, std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes.resize(limit);
  bytes.resize(std::fread(bytes.data(), 1, limit, f));
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

namespace {

// True at the file's end (nothing more to read).
bool AtEnd(int fd) {
  char probe;
  ssize_t got;
  do got = ::read(fd, &probe, 1);
  while (got < 0 && errno == EINTR);
  return got == 0;
}

}  // namespace

char* WholeFile::roomFor(size_t n) {
  n = std::max<size_t>(n, 1);   // an empty file has an address too
  if (n > capacity_) {
    // Rounded up to whole 2 MB (64 kB for a small file): the files of a
    // run differ by a little (a 10 m DEM file is 14.4-14.9 MB), and a
    // block that just fits the first would be made anew for a larger one.
    const size_t step = n > (size_t{2} << 20) ? size_t{2} << 20 : size_t{64} << 10;
    const size_t rounded = (n + step - 1) / step * step;
    data_.reset();   // the old block goes before the new one is asked for
    data_ = std::make_unique_for_overwrite<char[]>(rounded);
    capacity_ = rounded;
    PreferHugePages(data_.get(), rounded);
  }
  return data_.get();
}

bool WholeFile::read(const std::string& path) {
  size_ = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool whole = false;   // read in one go, at the size the file has
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    const size_t size = static_cast<size_t>(st.st_size);
    whole = ReadExactly(fd, roomFor(size), size) && AtEnd(fd);
    if (whole) size_ = size;
  }
  ::close(fd);
  if (whole) return true;
  // A special or empty file, or one whose size changed while it was read:
  // read on to its real end.
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  std::memcpy(roomFor(bytes.size()), bytes.data(), bytes.size());
  size_ = bytes.size();
  return true;
}

bool ReadExactly(int fd, char* data, size_t n) {
  while (n > 0) {
    const ssize_t got = read(fd, data, n);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace velkaro
