#pragma once
// Shared by the fuzz programs: a folder in memory-backed storage for the
// files a reader insists on opening by name, and a split of the input into
// a few leading choice bytes and the file itself.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "job/coordinates.h"
#include "job/job_context.h"

namespace velkaro::fuzz {

// One folder per fuzzing process, under /dev/shm when there is one.
// The name is never destroyed, so the exit handler that removes the folder
// can still use it.
inline const std::string& WorkFolder() {
  static const std::string* folder = new std::string([] {
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    const std::filesystem::path path = base / ("velkaro-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(WorkFolder(), ec);
    });
    return path.string();
  }());
  return *folder;
}

inline std::string WriteFile(const std::string& name, std::string_view bytes) {
  const std::string path = WorkFolder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// The input as leading choice bytes (0 when the input is shorter) and the rest.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : bytes_(reinterpret_cast<const char*>(data), size) {}
  uint8_t choice() {
    if (bytes_.empty()) return 0;
    const auto c = static_cast<uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return c;
  }
  std::string_view rest() const { return bytes_; }

 private:
  std::string_view bytes_;
};

// Puts the job on the tile every reader target reads for: zone 9, about
// 3.6 km by 2.2 km around Tokyo station, one plane unit a pixel.
inline void PlaceOnTestTile(JobContext& job) {
  SetZoneNumber(job.coords, 9, 1.0);
  const PlaneXY sw = bltoxy(job.coords, 139.74, 35.70);
  const PlaneXY ne = bltoxy(job.coords, 139.78, 35.72);
  job.tile.west = sw.y;
  job.tile.south = sw.x;
  job.tile.east = ne.y;
  job.tile.north = ne.x;
  job.image.unitsPerPixel = 1.0;
}

}  // namespace velkaro::fuzz
