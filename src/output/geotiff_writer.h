#pragma once
// The georeferenced TIFF of a tile: the map rectangle of the render surface
// alone (no margins), 24-bit RGB strips in a little-endian TIFF, with the
// model pixel scale, the tie point of its north-west corner and the GeoTIFF
// key directory of the job's coordinate system.

#include <QRect>

#include <array>
#include <string>

#include "output/georeference.h"

class QImage;

namespace velkaro {

struct JobContext;

// The georeferencing of one tile as it is stored in the file.
struct GeoTiffGeoreference {
  std::array<double, 3> pixelScale{};   // map units per pixel east, north, 0
  std::array<double, 6> tiepoint{};     // raster (0, 0, 0) -> west, north, 0
  TileCoordinateSystem crs;             // JGD2011 plane zone (metres) or lat/lon (degrees)
};

// Pixel scale, tie point and coordinate system of the current tile cut out as
// crop. Plane coordinates are stored in metres whatever the job unit, because
// the zone's coordinate system counts in metres. The pixel scale is the
// tile's box over the crop's whole pixels, so the raster covers exactly the
// tile.
GeoTiffGeoreference GeoreferenceOfTile(const JobContext& job, const QRect& crop);

// The map rectangle of the current tile in surface pixels: its top-left is
// the pixel the GL view starts at (the truncated MapRect corner), its size
// the MapRect's rounded to whole pixels; clipped to a surface of
// surfaceWidth x surfaceHeight.
QRect GeoTiffCropRect(const JobContext& job, int surfaceWidth, int surfaceHeight);

// Writes crop of frame as a GeoTIFF file at path, replacing an existing
// file. On failure returns false with a message naming the file in *error
// and leaves no partial file behind.
bool WriteGeoTiffFile(const QImage& frame, const QRect& crop, const GeoTiffGeoreference& geo,
                      const std::string& path, std::string* error);

// Writes the current tile's map rectangle to outputName. A failure is shown
// at once in a message box and stops the job (RunFlag cleared, ErrorText set).
void WriteGeoTiff(JobContext& job, const std::string& outputName);

}  // namespace velkaro
