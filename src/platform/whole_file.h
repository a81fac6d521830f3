#pragma once
// Reading a file whole, as the readers do: one read where the size is known.

#include <cstddef>
#include <string>

namespace velkaro {

// Replaces bytes with the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces bytes with at most the first `limit` bytes of the file; false when
// it cannot be opened or read.
bool ReadFilePrefix(const std::string& path, size_t limit, std::string& bytes);

// Reads exactly n bytes from an open descriptor, retrying short reads and
// EINTR; false on an error or an early end.
bool ReadExactly(int fd, char* data, size_t n);

}  // namespace velkaro
