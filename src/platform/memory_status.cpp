#include "platform/memory_status.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace velkaro {
namespace {

// Value of one "Name:   1234 kB" line in bytes, or -1 when absent or malformed.
long double FieldBytes(std::string_view text, std::string_view name) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.size() <= name.size() || line.substr(0, name.size()) != name ||
        line[name.size()] != ':')
      continue;
    line.remove_prefix(name.size() + 1);
    const std::size_t digits = line.find_first_not_of(" \t");
    if (digits == std::string_view::npos) return -1;
    line.remove_prefix(digits);
    std::uint64_t value = 0;
    auto [rest, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (ec != std::errc()) return -1;
    const std::string_view unit(rest, static_cast<std::size_t>(line.data() + line.size() - rest));
    const bool kilobytes = unit.find("kB") != std::string_view::npos;
    return static_cast<long double>(value) * (kilobytes ? 1024 : 1);
  }
  return -1;
}

}  // namespace

MemoryStatus ParseMemInfo(std::string_view text) {
  MemoryStatus status;
  const long double total = FieldBytes(text, "MemTotal");
  if (total < 0) return status;
  long double available = FieldBytes(text, "MemAvailable");
  if (available < 0) {
    const long double free = FieldBytes(text, "MemFree");
    const long double buffers = FieldBytes(text, "Buffers");
    const long double cached = FieldBytes(text, "Cached");
    available = (free > 0 ? free : 0) + (buffers > 0 ? buffers : 0) + (cached > 0 ? cached : 0);
  }
  status.totalBytes = static_cast<std::uint64_t>(total);
  status.availableBytes = static_cast<std::uint64_t>(available);
  status.valid = true;
  return status;
}

MemoryStatus ReadMemoryStatus() {
  std::ifstream in("/proc/meminfo");
  if (!in) return {};
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseMemInfo(text);
}

}  // namespace velkaro
