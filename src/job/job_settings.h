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

struct JobSettings {
  // kihon
  int ver = 12;
  std::string readfolder, meshfolder, kkjfolder, syoufolder, writefolder;
  bool subfolder = true;
  int type = 0;         // 0 BMP, 1 AVI, 2 GeoTIFF
  int size = -1;        // image size preset, -1 none
  int tanni = 2;        // 0 mm, 1 cm, 2 m, -1 none

  // area
  std::string namae;
  int zahyokei = -1;    // 0..55 zones, 56 lat/lon, -1 none
  std::string kita = "0.01", minami = "0", nisi = "0", higasi = "0.01";
  std::string yokodiv = "1", tatediv = "1";   // kept as text: empty counts as 1
  int kasane = 0;
  int haikei = 0xFFFFFF;

  // movie
  std::string movieTop = "6.0", movieBtm = "0.0";
  int fps = 5;

  // alti
  std::array<bool, kElevationClasses> alti{};   // alti5 … alti1500
  std::array<bool, kElevationClasses> cont{};   // cont5 … cont1500
  bool shadow = false;
  int shadowmd = 0;
  int height = 0;
  int houi = 135;
  int lineweight = 0;
  int taisyo = 1;
  int syoryaku = 0;
  std::string hose = "0";
  int iro = 6;
  int hanreisu = 4;     // -1 none
  bool jido = true;
  int kankaku = 5;
  int kamen = 2;

  // per-layer states and styles, with the catalogue's structure
  LayerCatalogue layers;

  // KKJ-Rank
  int objsize = 0;
  std::string czoom = "1.0";
  std::string road = "0.0";
  int bld = 0;

  // tiikimesh
  MeshSwitch tiikimesh;

  // legend grids "標高凡例間隔" (kankaku) and "標高凡例最下面" (kamen)
  LegendGrid legendInterval;
  LegendGrid legendBottom;

  bool anyMeshClass() const;
  bool anyContourClass() const;
};

// Program-folder based defaults for the five folders.
void SetDefaultFolders(JobSettings& s, const std::string& programFolder);

}  // namespace velkaro
