#pragma once
// Where the pixels of a written tile lie on the ground, in the units GIS
// software expects: metres of the JGD2011 plane zone (whatever the job's
// unit) or degrees of JGD2011 latitude/longitude. Shared by the GeoTIFF keys
// and by the world file and projection file beside PNG tiles.

#include <string>

namespace velkaro {

struct JobContext;

// EPSG code of the JGD2011 geographic coordinate system.
inline constexpr int kJgd2011GeographicEpsg = 6668;

// The coordinate system of the job's tiles.
struct TileCoordinateSystem {
  bool geographic = false;  // latitude/longitude in degrees, else plane metres
  int epsg = 0;             // 6668, or 6669..6687 for plane zones 1..19; 0 unknown
  std::string name;         // "JGD2011" or "JGD2011 / Japan Plane Rectangular CS IX"
};

// EPSG code of the JGD2011 plane rectangular zone 1..19 (6669..6687), 0 otherwise.
int PlaneZoneEpsg(int zone);

// "JGD2011 / Japan Plane Rectangular CS " and the zone in Roman numerals.
std::string PlaneZoneName(int zone);

TileCoordinateSystem CoordinateSystemOfJob(const JobContext& job);

// An axis-aligned pixel grid on the ground: the outer corner of pixel (0, 0)
// and the size of a pixel, in file units (metres or degrees). Rows run south.
struct PixelGrid {
  double west = 0, north = 0;
  double sizeX = 0, sizeY = 0;
};

// File units per job unit: 1 / UnitScale in a plane zone, 1 for degrees.
double FileUnitsPerJobUnit(const JobContext& job);

// The whole render frame: the drawer's pixel mapping, so that the map
// rectangle lands on the current tile's box.
PixelGrid FrameGrid(const JobContext& job);

// The contents of an ESRI world file for grid: six lines (pixel size in x,
// two rotation terms, negative pixel size in y, and the centre of pixel
// (0, 0)), each ended with CR LF.
std::string WorldFileText(const PixelGrid& grid);

// The coordinate system as ESRI WKT for a ".prj" file; empty when unknown.
std::string ProjectionFileText(const TileCoordinateSystem& crs);

// Writes the world file (imagePath with its extension replaced by
// worldExtension) and the ".prj" beside an image. On failure returns false
// with a message naming the file in *error.
bool WriteWorldFiles(const std::string& imagePath, const char* worldExtension, const PixelGrid& grid,
                     const TileCoordinateSystem& crs, std::string* error);

}  // namespace velkaro
