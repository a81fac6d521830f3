#pragma once
// One job's state: the settings snapshot, the values validation derives, the
// current tile and the run state. Passed by reference everywhere; there are
// no globals, so two jobs can run in one process.

#include <set>
#include <string>
#include <vector>

#include "job/cell_buffer.h"
#include "job/elevation_grid_state.h"
#include "job/job_host.h"
#include "job/job_settings.h"

class QImage;

namespace velkaro {

class RenderSurface;
class ArchiveListings;
class ParsedDemFiles;
class SharedDemFiles;
class TileCommits;

// Zone state and the persisting estimate of the plane -> geographic inversion.
struct CoordinateState {
  bool latLonMode = false;
  int zone = 0;                 // 1..19, 0 in lat/lon mode
  double originLat = 0.0;       // radians
  double originLon = 0.0;       // radians
  double s0 = 0.0;              // meridian arc of the origin latitude
  double unitScale = 1.0;       // 1000 mm, 100 cm, 1 m
  double estimateLat = 0.0;     // degrees, moved by every inversion
  double estimateLon = 0.0;
};

struct DrawingArea {
  double north = 0, south = 0, west = 0, east = 0;
};

struct TileGrid {
  int cols = 1, rows = 1;
  double overlap = 0;           // kasane / 100
  double tileWidth = 0, tileHeight = 0;   // TW, TH
  double stepX = 0, stepY = 0;            // SX, SY
  int count() const { return cols * rows; }
};

struct ImageGeometry {
  int width = 1024, height = 724;        // W, H
  double frameWidth = 0, frameHeight = 0;  // FW, FH
  double latFactor = 1.0;
  double unitsPerPixel = 1.0;
};

struct CurrentTile {
  int row = 0, col = 0;
  double west = 0, east = 0, north = 0, south = 0;  // TileWest … TileSouth
  double mapOffsetX = 0, mapOffsetY = 0;
};

struct TileGeoBox {
  double lonW = 0, lonE = 0, latS = 0, latN = 0;
};

// Elevation grid geometry derived at validation.
struct ElevationGeometry {
  double cellLon = 1.0 / 18000, cellLat = 1.0 / 18000;  // degrees
  double cellSizeX = 0, cellSizeY = 0;                  // drawing cell size, job units
  double floodCellArea = 0;                             // square metres per triangle
  int gridCols = 0, gridRows = 0;
};

// Values fixed once per job by the driver before the tile loop.
struct DrawingConstants {
  int textHeight = 0;
  double scaleBarUnit = 0, scaleBarStart = 0;
  int scaleBarCount = 0;
  int rankThreshold = 0;
};

struct JobContext {
  JobContext(const JobSettings& s, JobHost& h, CellBuffer& pool)
      : settings(s), host(h), cells(pool) {}

  JobSettings settings;         // the snapshot the job runs with
  JobHost& host;
  CellBuffer& cells;
  std::string programFolder;    // with trailing "/"

  // Derived by validation.
  CoordinateState coords;
  DrawingArea area;
  TileGrid grid;
  ImageGeometry image;
  TileGeoBox geoBox;            // TileLonW/E, TileLatS/N
  ElevationGeometry elevation;
  double datumOffset = 0;       // alti/hose in metres
  int legendSteps = 16;
  double roadWidthThreshold = 0;  // job units
  double movieTop = 6.0, movieBtm = 0.0;

  // Run state.
  bool runFlag = false;
  std::string errorText;
  long fileCount = 0;
  CurrentTile tile;
  std::vector<std::string> meshCodes;
  std::vector<double> legendIntervalM;  // per tile, c + r * C, metres
  std::vector<double> legendBottomM;
  double waterLevel = kDryWaterLevel;
  // Dry terrain triangles of an animation's first frame; later frames
  // measure their flooded area from it.
  long baselineDryCount = 0;
  // Tiles whose elevation grid held no data, by their label ("A_0"), for
  // the final report.
  std::vector<std::string> tilesWithoutElevation;
  ElevationGrid elevGrid;       // the current tile's elevation grid
  DrawingConstants constants;
  RenderSurface* surface = nullptr;
  const QImage* surfaceImage = nullptr;  // the job's frame, once the surface exists
  // The members of the source zips, listed once for the run (kept by the
  // driver); null: each scan lists them itself.
  ArchiveListings* archiveListings = nullptr;
  // DEM files taken apart once for the run (kept by the driver); null: each
  // tile takes its files apart itself.
  ParsedDemFiles* parsedDemFiles = nullptr;
  // DEM files taken apart once for all the worker processes of a run (set
  // in a worker); null: this process takes apart what it reads.
  SharedDemFiles* sharedDemFiles = nullptr;
  // Finished tiles being flushed and renamed into place while the next is
  // drawn (kept by the driver); null: each tile is put in place at once.
  TileCommits* tileCommits = nullptr;
  bool keepScratch = false;
  // Whether a tile may read and draw on a second thread besides the one
  // running the job: off when the job is to use one core (velkaro-cli
  // --jobs 1) or its cores are taken by tile workers already.
  bool helperThreads = true;
  // Where this run keeps its scratch files; empty: the output folder. Runs
  // that share an output folder (worker processes, tile shares) each have
  // their own, made empty for the run.
  std::string scratchFolder;
  // The scratch files written since they were last deleted, and whether
  // this run has deleted every layer's scratch file once (see
  // DeleteScratchFiles); a run in the output folder starts unswept.
  std::set<std::string> scratchWritten;
  bool scratchSwept = false;
  // Set by the driver once a tile's reading passes are done, until it
  // deletes the tile's scratch files: every scratch file of the tile is then
  // in scratchWritten.
  bool scratchListed = false;
};

}  // namespace velkaro
