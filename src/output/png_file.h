#pragma once
// PNG tiles: the whole frame (map and furniture) as a lossless 24-bit PNG,
// with a world file (".pgw") and a projection file (".prj") beside it so
// that GIS software places the map part on the ground.

#include <string>

class QImage;

namespace velkaro {

struct JobContext;
struct PixelGrid;
struct TileCoordinateSystem;

// Writes frame as a PNG file at path, replacing an existing file. On failure
// returns false with a message naming the file in *error.
bool WritePngFile(const QImage& frame, const std::string& path, std::string* error);

// The PNG, its world file and its projection file of the current tile.
bool WriteGeoreferencedPng(const QImage& frame, const PixelGrid& grid, const TileCoordinateSystem& crs,
                           const std::string& path, std::string* error);

}  // namespace velkaro
