#pragma once
// The drawing area cut into a grid of (possibly overlapping) tiles, the image
// size presets, the map frame and scale, the tile pixel origin and the tile
// file names.

#include <array>
#include <string>
#include <string_view>

#include "job/job_context.h"

namespace velkaro {

// Edges used when an edge text is empty, in metres (times UnitScale).
inline constexpr double kDefaultNorthMetres = 444444.44444444444443;
inline constexpr double kDefaultSouthMetres = -444444.44444444444443;
inline constexpr double kDefaultWestMetres = -222222.22222222222221;
inline constexpr double kDefaultEastMetres = 222222.22222222222221;

// Parses a typed decimal number (point as separator, surrounding blanks
// allowed, finite values only). Returns false for empty or bad text.
bool ParseDecimal(std::string_view text, double& out);
// Parses a typed tile count; empty text counts as 1. False for bad text.
bool ParseCount(std::string_view text, int& out);

struct ImagePreset {
  const char* caption;
  int width;   // 0: the screen's size
  int height;
};
inline constexpr int kImagePresetCount = 14;
inline constexpr int kScreenSizePreset = 4;
extern const std::array<ImagePreset, kImagePresetCount> kImagePresets;

struct ImageSize {
  int width = 1024;
  int height = 724;
};
// Width and height of `kihon/size`; "ScreenSize" follows the primary screen,
// no preset (or an unknown index) gives 1024 x 724.
ImageSize ImageSizeOfPreset(int size);

// Tile sizes and steps of a cols x rows grid with kasane percent overlap.
TileGrid MakeTileGrid(const DrawingArea& area, int cols, int rows, int kasane);

// cos of the area's middle latitude in lat/lon mode, else 1.
double LatFactorOf(const DrawingArea& area, bool latLonMode);

// Frame, LatFactor and UnitsPerPixel for an image of width x height: the tile
// is fitted into the frame keeping its aspect (longitude shrunk by latFactor).
ImageGeometry FitImageToTile(int width, int height, const TileGrid& grid, double latFactor);

// Extents of tile (row from the north, col from the west) and its pixel origin.
CurrentTile TileAt(const DrawingArea& area, const TileGrid& grid, const ImageGeometry& image,
                   int row, int col);
// Makes tile (row, col) the current tile of the job.
void SetCurrentTile(JobContext& ctx, int row, int col);

// Row label: letters A..Z, their count chosen by the number of rows; rows of
// shorter labels are padded in front with sep. Empty for rows outside 1..18277.
std::string rowst(int row, std::string_view sep, int rows);
// Column label: the zero-based index zero-padded to 1..4 digits by the number
// of columns.
std::string colst(int col, int cols);

// ".bmp", ".avi", ".tif" or ".png" by `kihon/type`.
const char* OutputExtension(int type);
// The extension of the job's tiles: as above, ".mp4" for MP4 animations.
const char* OutputExtension(const JobSettings& s);
// writefolder/namae[rowst colst].ext; a 1 x 1 grid has no labels.
std::string TileFileName(const JobSettings& s, const TileGrid& grid, int row, int col);

// The main window's read-out "高:" TH " 幅:" TW of the typed area, or empty
// when an edge does not parse (or is empty), south >= north, west >= east, or
// a tile count does not parse.
std::string SizeReadout(const JobSettings& s);

}  // namespace velkaro
