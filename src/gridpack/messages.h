#pragma once
// Every text velkaro-gridpack shows the user, in one place. %s stands for a
// name or a value.

#include <string>
#include <string_view>

#include "platform/text_scan.h"

namespace velkaro::gridpack_text {

inline constexpr const char* kNoDem = "no DEM XML files (plain or zipped) below %s";
inline constexpr const char* kBadFile = "skipped %s: a number in it does not parse";
inline constexpr const char* kUnreadable = "skipped %s: cannot be read";
inline constexpr const char* kNoHeader = "skipped %s: no envelope or grid size";
inline constexpr const char* kUnknownFormat = "unknown or read-only raster format: %s";
inline constexpr const char* kNoFloat = "format %s cannot hold 32-bit float cells";
// %s: the file, or the file and the system's reason ("/d/out.tif: Permission denied").
inline constexpr const char* kCannotCreate = "cannot create %s";
inline constexpr const char* kCannotWrite = "writing %s failed";
inline constexpr const char* kCannotPutInPlace = "cannot write %s";
inline constexpr const char* kBadZone = "no plane rectangular zone %s (1 to 19)";
inline constexpr const char* kBadResolution = "cell size %s is too small for the mosaic";

// A message pattern with its %s filled in.
inline std::string Fill(std::string_view pattern, std::string_view value) { return FillPattern(pattern, value); }

}  // namespace velkaro::gridpack_text
