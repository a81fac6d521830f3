#pragma once
// A file mapped read-only into memory: its bytes without copying them or
// zeroing a buffer first. For files this program wrote itself and reads back
// whole (scratch files), where a copy would double the memory traffic.

#include <string>
#include <string_view>

namespace velkaro {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { close(); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;

  // False when the file cannot be opened or mapped; an empty file maps to
  // no bytes.
  bool open(const std::string& path);
  void close();
  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace velkaro
