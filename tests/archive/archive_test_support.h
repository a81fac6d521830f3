#pragma once
// Paths of the archive fixtures and the real DEM samples, and small helpers.

#include <filesystem>
#include <string>

#include "../platform/temp_dir.h"

namespace velkaro::testing {

inline std::string ArchiveFixture(const std::string& name) {
  return std::string(VELKARO_SOURCE_DIR) + "/tests/data/archive/" + name;
}

inline std::string DemSample(const std::string& name) {
  return std::string(VELKARO_SAMPLES_DIR) + "/dem/" + name;
}

inline bool HaveDemSamples() { return std::filesystem::is_directory(std::string(VELKARO_SAMPLES_DIR) + "/dem"); }

// Copies a file into the folder under the given name (or its own).
inline std::string CopyInto(const TempDir& dir, const std::string& from, const std::string& as = {}) {
  const std::string name = as.empty() ? std::filesystem::path(from).filename().string() : as;
  return dir.write(name, TempDir::read(from));
}

}  // namespace velkaro::testing
