#pragma once
// JobSettings: everything the user chooses for one map job. Fields are named
// after their INI section and key; typed texts (edges, levels, folders) are
// kept as typed and parsed only by validation.

#include <array>
#include <string>
#include <vector>

#include "catalogue/layer_catalogue.h"

namespace velkaro {

// A text grid with one cell per tile (rows x columns of the tile grid).
struct LegendGrid {
  int rows = 1;
  int cols = 1;
  std::vector<std::string> cells = std::vector<std::string>(1);

  // Keeps the cells that stay inside the new size.
  void resize(int newRows, int newCols);
  std::string& cell(int r, int c) { return cells[static_cast<size_t>(r) * cols + c]; }
  const std::string& cell(int r, int c) const { return cells[static_cast<size_t>(r) * cols + c]; }
};

// kihon/type: what each tile is written as.
enum OutputType : int { kOutputBmp = 0, kOutputAnimation = 1, kOutputGeoTiff = 2, kOutputPng = 3 };
inline constexpr int kLastOutputType = kOutputPng;

// movie/format: the container of a flood animation.
enum MovieFormat : int { kMovieAvi = 0, kMovieMp4 = 1 };

// movie/fps: the frame rates an animation may have.
inline constexpr int kMinFps = 1, kMaxFps = 30;

// alti/taisyo: which contour lines are drawn.
enum ContourTarget : int {
  kContoursOutsideDepressions = 0,  // every line but those around depressions
  kContoursAll = 1,
  kContoursDepressionsOnly = 2,
  kDepressionAreas = 3,             // depressions only, filled as areas under everything else
};

struct JobSettings {
  // kihon
  int ver = 12;                // file layout version; written as 12
  std::string readfolder;      // FGD folder
  std::string meshfolder;      // elevation data folder (DEM XML and ETOPO grids)
  std::string kkjfolder;       // KKJ folder
  std::string syoufolder;      // KSJ folder
  std::string writefolder;     // output folder: tiles, animations, index, scratch files
  bool subfolder = true;       // source scans descend into subfolders
  int type = kOutputBmp;       // OutputType
  int size = -1;               // image size preset 0..13, -1 none
  int tanni = 2;               // job unit: 0 mm, 1 cm, 2 m, -1 none

  // area
  std::string namae;           // map name, base name of every output file
  int zahyokei = -1;           // coordinate system choice: 0..55 plane zones, 56 lat/lon, -1 none
  std::string kita = "0.01";   // north edge: plane X in the job unit, or latitude
  std::string minami = "0";    // south edge
  std::string nisi = "0";      // west edge: plane Y in the job unit, or longitude
  std::string higasi = "0.01"; // east edge
  std::string yokodiv = "1";   // tile columns, as typed (empty counts as 1)
  std::string tatediv = "1";   // tile rows, as typed
  int kasane = 0;              // overlap of neighbouring tiles, percent
  int haikei = 0xFFFFFF;       // background colour of every tile

  // movie
  std::string movieTop = "6.0";  // highest water level, metres
  std::string movieBtm = "0.0";  // starting water level, metres
  int fps = 5;                   // animation frames per second, kMinFps..kMaxFps
  int movieFormat = kMovieAvi;   // MovieFormat: uncompressed AVI or H.264 MP4

  // alti
  std::array<bool, kElevationClasses> alti{};   // elevation mesh from the 5 m … 1500 (1') grid
  std::array<bool, kElevationClasses> cont{};   // contours from the 5 m … 1500 (1') grid
  bool shadow = false;         // hillshade instead of the plain coloured mesh
  int shadowmd = 0;            // hillshade mode: 0 flat land, 1 mountains
  int height = 0;              // amount of shade, -20..60
  int houi = 135;              // light direction, degrees
  int lineweight = 0;          // which contour heights are drawn thick (0 none, 1 every 1 m … 7 every 1000 m)
  int taisyo = kContoursAll;   // ContourTarget
  int syoryaku = 0;            // omit contour lines shorter than 2^(syoryaku + 1) points; 0 keeps all
  std::string hose = "0";      // datum correction in the job unit
  int iro = 6;                 // legend colour scheme 0..7
  int hanreisu = 4;            // legend steps: 2^hanreisu intervals; -1 none
  bool jido = true;            // derive legend interval and bottom automatically
  bool zentai = false;         // with jido: one legend from the whole drawing area for every tile
  int kankaku = 5;             // legend interval bias 0..10 (narrow … wide)
  int kamen = 2;               // legend bottom bias 0..10 (low … high)

  // per-layer states and styles, with the catalogue's structure
  LayerCatalogue layers;

  // KKJ-Rank
  int objsize = 0;             // suppress features of fine display ranks: 0 none … 4 up to 1/25000
  std::string czoom = "1.0";   // size factor of texts and map symbols
  std::string road = "0.0";    // draw only roads at least this wide, metres
  int bld = 0;                 // draw only buildings with a longer perimeter, metres

  // tiikimesh
  MeshSwitch tiikimesh;        // the standard regional mesh overlay

  // legend grids "標高凡例間隔" (kankaku) and "標高凡例最下面" (kamen)
  LegendGrid legendInterval;
  LegendGrid legendBottom;

  bool anyMeshClass() const;
  bool anyContourClass() const;
};

// Program-folder based defaults for the five folders.
void SetDefaultFolders(JobSettings& s, const std::string& programFolder);

}  // namespace velkaro
