#pragma once
// The mosaic raster through GDAL: one Float32 band, nodata -9999, a tiled
// and compressed GeoTIFF in JGD2011 geographic coordinates (EPSG:6668) or a
// plane rectangular zone (EPSG 6668+N). Meshes whose cells are the grid's
// are copied in straight; all others go through GDAL's warper.

#include <memory>
#include <string>

#include "gridpack/mosaic_grid.h"

namespace velkaro {

inline constexpr float kMosaicNoData = -9999.0f;

struct MosaicOptions {
  std::string format = "GTiff";   // a GDAL raster driver name
  int epsg = 6668;                // 6668 geographic, 6669..6687 zones I..XIX
  bool overviews = false;
  // Blocks no mesh touches are left out of the file instead of written as
  // nodata: for meshes scattered over a wide box. GDAL reads such files; a
  // few plain TIFF readers do not, so dense mosaics are written in full.
  bool sparse = false;
};

class MosaicWriter {
 public:
  MosaicWriter();
  ~MosaicWriter();
  MosaicWriter(const MosaicWriter&) = delete;
  MosaicWriter& operator=(const MosaicWriter&) = delete;

  // Creates the raster (a temporary file beside `outPath` until finish()).
  // False with error() when the format or the file cannot be made; the
  // message names `outPath` and the system's reason.
  bool create(const std::string& outPath, const RasterGrid& grid, const MosaicOptions& options);

  // Writes one mesh: cells of `values` (mesh.cols x mesh.rows, row 0 north)
  // other than nodata replace what is there.
  bool place(const MeshExtent& mesh, const float* values);

  // Overviews, conversion to the asked format, and the rename into place.
  // Until that rename the file under `outPath` is the previous one, and on
  // any failure it stays so.
  bool finish();

  const std::string& error() const { return error_; }

 private:
  bool commitOutput();

  struct State;
  std::unique_ptr<State> state_;
  std::string error_;
};

// The grid of a plane rectangular zone over geographic meshes: their union
// transformed to the zone, in cells of `cellMetres` (or, when 0, about the
// finest mesh's cell in metres, rounded), snapped outward to whole cells.
bool ZoneMosaicGrid(const RasterGrid& geographic, int epsg, double cellMetres, RasterGrid& grid,
                    std::string& error);

// True when GDAL has a raster driver of that name that can write files.
bool IsWritableRasterFormat(const std::string& format);

}  // namespace velkaro
