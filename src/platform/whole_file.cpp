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

bool WholeFile::read(const std::string& path) {
  data_.reset();
  size_ = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool whole = false;   // read in one go, at the size the file has
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    size_ = static_cast<size_t>(st.st_size);
    data_ = std::make_unique_for_overwrite<char[]>(size_);
    PreferHugePages(data_.get(), size_);
    whole = ReadExactly(fd, data_.get(), size_) && AtEnd(fd);
  }
  ::close(fd);
  if (whole) return true;
  // A special or empty file, or one whose size changed while it was read:
  // read on to its real end.
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  size_ = bytes.size();
  data_ = std::make_unique_for_overwrite<char[]>(std::max<size_t>(size_, 1));
  std::memcpy(data_.get(), bytes.data(), size_);
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
