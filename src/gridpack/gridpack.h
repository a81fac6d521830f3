#pragma once
// velkaro-gridpack's work: every DEM XML file of a folder tree (plain or in
// zips) mosaicked into one raster, read by the project's DEM XML reader and
// written through GDAL.

#include <string>
#include <vector>

#include "gridpack/mosaic_writer.h"

namespace velkaro {

struct GridpackOptions {
  std::string folder, outPath;
  std::string format = "GTiff";
  double resolution = 0;   // arc-seconds (geographic) or metres (zone); 0: finest input
  int zone = 0;            // 0 geographic JGD2011; 1..19 plane rectangular zone
  bool seaZero = false;    // sea-surface cells without a value become 0
  bool overviews = false;
};

// Progress: the header scan, then the meshes as they are written.
class GridpackObserver {
 public:
  virtual ~GridpackObserver() = default;
  virtual void scanning(int done, int total) { (void)done, (void)total; }
  virtual void meshWritten(int done, int total, const std::string& name) {
    (void)done, (void)total, (void)name;
  }
  virtual void finishing() {}
};

struct GridpackSummary {
  bool written = false;            // the output exists and is complete
  std::string error;               // why not, when not written
  std::vector<std::string> problems;  // files left out, one line each
  int meshes = 0, notDem = 0, superseded = 0;
  double xmlBytes = 0;             // DEM XML read (after expansion)
  RasterGrid grid;
  int epsg = 6668;
  double coverage = 0;             // share of the raster's box the meshes cover
};

GridpackSummary RunGridpack(const GridpackOptions& options, GridpackObserver& observer);

}  // namespace velkaro
