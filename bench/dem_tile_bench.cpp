// One elevation tile end to end: a 2048 x 1448 image over a grid of about
// 1,280 x 1,280 cells of 5 m DEM (read from generated DEM XML files), drawn
// as hillshade with 10 m contours in plane zone 9. Prints seconds per tile
// and the share spent reading, meshing and contouring, next to a memchr scan
// of the DEM files as a yardstick.
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../tools/sample/sample_area.h"
#include "elevation/auto_legend.h"
#include "elevation/contours.h"
#include "elevation/terrain_mesh.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "render/render_surface.h"
#include "render/contour_drawing.h"
#include "render/terrain_drawing.h"

using namespace velkaro;
namespace fs = std::filesystem;

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A 5 m DEM file of third-level mesh (second-level 45, row, col) of 5339.
void WriteThirdMesh(const fs::path& folder, int row, int col) {
  const double cell = 1.0 / 18000;
  const double latS = 53 / 1.5 + 4 / 12.0 + row / 120.0, lonW = 139 + 5 / 8.0 + col / 80.0;
  std::ostringstream s;
  s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<Dataset>\r\n\t<DEM gml:id=\"DEM001\">\r\n"
    << "\t\t<type>5mメッシュ（標高）</type>\r\n";
  s.precision(12);
  s << "\t\t\t\t\t<gml:lowerCorner>" << latS << " " << lonW << "</gml:lowerCorner>\r\n";
  s << "\t\t\t\t\t<gml:upperCorner>" << latS + 150 * cell << " " << lonW + 225 * cell << "</gml:upperCorner>\r\n";
  s << "\t\t\t\t\t\t\t<gml:high>224 149</gml:high>\r\n\r\n<gml:tupleList>\r\n";
  char line[64];
  for (int r = 0; r < 150; ++r)
    for (int c = 0; c < 225; ++c) {
      const double z = sample::Elevation(latS + (149.5 - r) * cell, lonW + (c + 0.5) * cell);
      std::snprintf(line, sizeof line, z > 0 ? "地表面,%.2f\r\n" : "海水面,-9999.\r\n", z);
      s << line;
    }
  s << "</gml:tupleList>\r\n\t\t\t\t\t<gml:startPoint>0 0</gml:startPoint>\r\n\t</DEM>\r\n</Dataset>\r\n";
  char name[96];
  std::snprintf(name, sizeof name, "FG-GML-5339-45-%d%d-DEM5A-20161001.xml", row, col);
  std::ofstream(folder / name, std::ios::binary) << s.str();
}

}  // namespace

int main() {
  const fs::path folder = fs::temp_directory_path() / "velkaro-dem-tile-bench";
  fs::create_directories(folder);
  for (int row = 0; row < 10; ++row)
    for (int col = 0; col < 8; ++col) WriteThirdMesh(folder, row, col);

  double scanMb = 0;
  const double scan0 = Now();
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    scanMb += bytes.size() / 1e6;
    size_t lines = 0;
    for (const char* p = bytes.data(); (p = static_cast<const char*>(std::memchr(p, '\n', bytes.data() + bytes.size() - p))); ++p) ++lines;
    if (lines == 0) return 1;
  }
  const double scanSeconds = Now() - scan0;

  JobSettings settings;
  settings.zahyokei = 8;
  settings.alti[0] = true;
  settings.cont[0] = true;
  settings.taisyo = 1;
  settings.shadow = true;
  settings.shadowmd = 1;
  settings.lineweight = 3;
  settings.meshfolder = folder.string();
  SilentHost host;
  CellBuffer pool;
  JobContext ctx(settings, host, pool);
  SetZoneNumber(ctx.coords, 9, 1.0);
  ctx.runFlag = true;
  ctx.waterLevel = -9998;
  ctx.elevation.cellLon = ctx.elevation.cellLat = 1.0 / 18000;
  ctx.grid.cols = ctx.grid.rows = 1;
  // A tile of 6.4 km x 7.9 km: about 1,280 x 1,280 cells of 0.2", the most
  // the default budget holds.
  const PlaneXY centre = bltoxy(ctx.coords, 139.675, 35.708);
  ctx.tile = CurrentTile{0, 0, centre.y - 3200, centre.y + 3200, centre.x + 3930, centre.x - 3930};

  const double t0 = Now();
  if (!PrepareElevationGrid(ctx)) {
    std::fprintf(stderr, "grid does not fit\n");
    return 1;
  }
  AutoLegend(ctx, 0, 0);
  const double t1 = Now();
  RenderSurface surface(2048, 1448);
  if (!surface.createContext()) return 1;
  ctx.surface = &surface;
  surface.beginGL();
  glLoadIdentity();
  glViewport(0, 0, 2048, 1448);
  glOrtho(ctx.tile.west, ctx.tile.east, ctx.tile.south, ctx.tile.north, -999999999.0, 999999999.0);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  const long triangles = DrawHillshade(ctx);
  surface.flush();
  const double t2 = Now();
  DrawContours(ctx);
  surface.flush();
  const double t3 = Now();
  surface.frame().save((fs::temp_directory_path() / "velkaro-dem-tile-bench.png").string().c_str());
  surface.deleteContext();

  const double total = t3 - t0;
  std::printf("grid %d x %d cells, %ld triangles, legend %.3f m from %.3f m\n", ctx.elevGrid.gridCols,
              ctx.elevGrid.gridRows, triangles, ctx.legendIntervalM[0], ctx.legendBottomM[0]);
  std::printf("tile              : %7.3f s\n", total);
  std::printf("  reading + legend: %7.3f s (%4.1f%%)  %.1f MB/s of DEM XML\n", t1 - t0, 100 * (t1 - t0) / total,
              scanMb / (t1 - t0));
  std::printf("  hillshade mesh  : %7.3f s (%4.1f%%)  %.2f M triangles/s\n", t2 - t1, 100 * (t2 - t1) / total,
              triangles / (t2 - t1) / 1e6);
  std::printf("  contours        : %7.3f s (%4.1f%%)\n", t3 - t2, 100 * (t3 - t2) / total);
  std::printf("yardstick: memchr line scan of the same files (with file reads) %.1f MB/s\n", scanMb / scanSeconds);
  fs::remove_all(folder);
  return 0;
}
