#pragma once
// Reading a file whole, as the readers do: one read where the size is known.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace velkaro {

// Replaces bytes with the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// A file read whole into memory that is not cleared first: a string is
// zero-filled to its size before the read overwrites it, a pass over the
// whole file's worth of memory. The memory is kept for the next read that
// fits in it: fresh memory is cleared by the system on first touch, and
// reading a run's files one after another into the same memory spares that
// for all but the first. (A reader that goes line by line can do without
// the whole file in memory: see LineStream.)
class WholeFile {
 public:
  // False when the file cannot be opened or read. The bytes of an earlier
  // read are gone either way.
  bool read(const std::string& path);
  std::string_view bytes() const { return {data_.get(), size_}; }

 private:
  // Room for n bytes, the memory in hand when it is big enough.
  char* roomFor(size_t n);

  std::unique_ptr<char[]> data_;
  size_t size_ = 0, capacity_ = 0;
};

// Replaces bytes with at most the first `limit` bytes of the file; false when
// it cannot be opened or read.
bool ReadFilePrefix(const std::string& path, size_t limit, std::string& bytes);

// Reads exactly n bytes from an open descriptor, retrying short reads and
// EINTR; false on an error or an early end.
bool ReadExactly(int fd, char* data, size_t n);

}  // namespace velkaro
