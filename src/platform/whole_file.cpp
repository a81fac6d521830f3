#include "platform/whole_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

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
