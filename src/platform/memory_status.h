#pragma once
// Physical memory status, for the memory budget of the elevation grid.

#include <cstdint>
#include <string_view>

namespace velkaro {

struct MemoryStatus {
  std::uint64_t totalBytes = 0;      // MemTotal
  std::uint64_t availableBytes = 0;  // MemAvailable
  bool valid = false;                // false when /proc/meminfo could not be read
};

// Reads /proc/meminfo.
MemoryStatus ReadMemoryStatus();

// Parses the text of /proc/meminfo. Kernels without MemAvailable give
// MemFree + Buffers + Cached as the available memory.
MemoryStatus ParseMemInfo(std::string_view text);

}  // namespace velkaro
