// One elevation tile end to end: a 2048 x 1448 image over a grid of about
// 1,280 x 1,280 cells of 5 m DEM (read from generated DEM XML files), drawn
// as coloured hillshade with 5 m contours in plane zone 9, once on two
// threads and once on one (as velkaro-cli --jobs 1 and its workers draw).
// Prints seconds per tile (wall clock and CPU time, which on a shared
// machine is the steadier figure) and the share spent reading, meshing and
// contouring, next to two
// yardsticks in the same run: a memchr scan of the DEM files, and GDAL's
// `gdaldem color-relief` + `gdaldem hillshade` + `gdal_contour -i 5`
// (shapefile output) on the same grid written as a float raster (skipped,
// and said so, when gdal-bin is not installed).
#include <GL/gl.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../tools/sample/sample_area.h"
#include "elevation/auto_legend.h"
#include "elevation/contours.h"
#include "elevation/terrain_mesh.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "platform/gl_calls.h"
#include "render/render_surface.h"
#include "render/contour_overlay.h"
#include "render/terrain_drawing.h"

using namespace velkaro;
namespace fs = std::filesystem;

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of this process, all threads (llvmpipe rasterises in its own).
double Cpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

double ChildrenCpu() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// The grid as GDAL reads it: a float raster with an ESRI header (EHdr), in
// degrees, no-data where the grid has none.
void WriteGdalGrid(const JobContext& ctx, const fs::path& flt) {
  const ElevationGrid& g = ctx.elevGrid;
  const GridValues v = ValuesOf(g, ctx.cells);
  std::vector<float> values(static_cast<size_t>(g.cellCount()));
  for (int r = 0; r < g.gridRows; ++r)
    for (int c = 0; c < g.gridCols; ++c) {
      const double z = v.at(r, c);
      values[static_cast<size_t>(r) * g.gridCols + c] = z <= kNoElevation ? -9999.0f : static_cast<float>(z);
    }
  std::ofstream(flt, std::ios::binary).write(reinterpret_cast<const char*>(values.data()),
                                             static_cast<std::streamsize>(values.size() * sizeof(float)));
  fs::path hdr = flt;
  hdr.replace_extension(".hdr");
  std::ofstream h(hdr);
  h.precision(12);
  h << "ncols " << g.gridCols << "\nnrows " << g.gridRows << "\nxllcorner " << g.gridLonW << "\nyllcorner "
    << g.gridLatN - g.gridRows * g.cellLat << "\ncellsize " << g.cellLat << "\nnodata_value -9999\nbyteorder LSBFIRST\n";
}

struct Timed {
  double wall = 0, cpu = 0;
};

Timed RunTimed(const std::string& command) {
  const double w0 = Now(), c0 = ChildrenCpu();
  if (std::system((command + " > /dev/null 2>&1").c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  return {Now() - w0, ChildrenCpu() - c0};
}

// gdaldem color-relief + hillshade + gdal_contour -i 5 on the same grid.
void GdalYardstick(const JobContext& ctx, const fs::path& folder, const Timed& two, const Timed& one) {
  if (std::system("command -v gdaldem > /dev/null 2>&1 && command -v gdal_contour > /dev/null 2>&1") != 0) {
    std::printf("yardstick: gdal-bin is not installed; the GDAL comparison is skipped\n");
    return;
  }
  const fs::path flt = folder / "grid.flt", ramp = folder / "ramp.txt";
  WriteGdalGrid(ctx, flt);
  std::ofstream(ramp) << "nv 0 0 0\n0 0 0 255\n50 0 255 255\n100 0 255 0\n150 255 255 0\n200 255 0 0\n";
  const std::string q = "'" + folder.string() + "/";
  // Degrees on the ground: the hillshade's scale turns them into metres.
  const Timed relief = RunTimed("gdaldem color-relief " + q + "grid.flt' " + q + "ramp.txt' " + q + "relief.tif'");
  const Timed shade = RunTimed("gdaldem hillshade -s 111120 " + q + "grid.flt' " + q + "shade.tif'");
  const Timed contour = RunTimed("gdal_contour -q -i 5 -a elev " + q + "grid.flt' " + q + "contours.shp'");
  const double wall = relief.wall + shade.wall + contour.wall, cpu = relief.cpu + shade.cpu + contour.cpu;
  std::printf("yardstick: GDAL on the same grid     wall     cpu\n");
  std::printf("  gdaldem color-relief          : %7.3f %7.3f s\n", relief.wall, relief.cpu);
  std::printf("  gdaldem hillshade             : %7.3f %7.3f s\n", shade.wall, shade.cpu);
  std::printf("  gdal_contour -i 5 (shapefile) : %7.3f %7.3f s\n", contour.wall, contour.cpu);
  std::printf("  the three together            : %7.3f %7.3f s\n", wall, cpu);
  std::printf("tile on two threads / GDAL      : %7.2f %7.2f\n", two.wall / wall, two.cpu / cpu);
  std::printf("tile on one thread / GDAL       : %7.2f %7.2f\n", one.wall / wall, one.cpu / cpu);
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

JobSettings TileSettings(const fs::path& folder) {
  JobSettings settings;
  settings.zahyokei = 8;
  settings.alti[0] = true;
  settings.cont[0] = true;
  settings.taisyo = 1;
  settings.shadow = true;
  settings.shadowmd = 1;
  settings.lineweight = 3;
  settings.meshfolder = folder.string();
  return settings;
}

// Reads the grid and draws the tile as a map tile draws it (the contour
// lines traced and drawn into a layer of their own while the mesh is drawn,
// then laid over it), on two threads or on one; prints where the time went.
bool DrawTile(JobContext& ctx, bool helperThreads, double scanMb, Timed& timed) {
  ctx.helperThreads = helperThreads;
  SetZoneNumber(ctx.coords, 9, 1.0);
  ctx.runFlag = true;
  ctx.waterLevel = -9998;
  ctx.elevation.cellLon = ctx.elevation.cellLat = 1.0 / 18000;
  ctx.grid.cols = ctx.grid.rows = 1;
  // A tile of 6.4 km x 7.9 km: about 1,280 x 1,280 cells of 0.2", the most
  // the default budget holds.
  const PlaneXY centre = bltoxy(ctx.coords, 139.675, 35.708);
  ctx.tile = CurrentTile{0, 0, centre.y - 3200, centre.y + 3200, centre.x + 3930, centre.x - 3930};

  const double t0 = Now(), cpu0 = Cpu();
  if (!PrepareElevationGrid(ctx)) {
    std::fprintf(stderr, "grid does not fit\n");
    return false;
  }
  AutoLegend(ctx, 0, 0);
  // 5 m classes and contours, as the GDAL yardstick draws them.
  ctx.legendIntervalM[0] = 5;
  const double t1 = Now();
  RenderSurface surface(2048, 1448);
  if (!surface.createContext()) return false;
  ctx.surface = &surface;
  surface.beginGLState();
  glLoadIdentity();
  surface.setViewport(0, 0, 2048, 1448);
  glOrtho(ctx.tile.west, ctx.tile.east, ctx.tile.south, ctx.tile.north, -999999999.0, 999999999.0);
  surface.clearTo(0xFFFFFF);
  long triangles = 0;
  double t2 = 0;
  {
    ContourOverlay contours(ctx, ContourOverlay::Target::OwnLayer);
    triangles = DrawHillshade(ctx);
    surface.flush();
    t2 = Now();
    contours.finish();
  }
  surface.flush();
  const double t3 = Now(), cpu3 = Cpu();
  surface.frame().save((fs::temp_directory_path() / "velkaro-dem-tile-bench.png").string().c_str());
  surface.deleteContext();
  ctx.surface = nullptr;

  const double total = t3 - t0;
  timed = Timed{total, cpu3 - cpu0};
  std::printf("grid %d x %d cells, %ld triangles, legend %.3f m from %.3f m\n", ctx.elevGrid.gridCols,
              ctx.elevGrid.gridRows, triangles, ctx.legendIntervalM[0], ctx.legendBottomM[0]);
  std::printf("tile on %s   : %7.3f s  (%.3f s of CPU time)\n", helperThreads ? "two threads" : "one thread ", total,
              cpu3 - cpu0);
  std::printf("  reading + legend: %7.3f s (%4.1f%%)  %.1f MB/s of DEM XML\n", t1 - t0, 100 * (t1 - t0) / total,
              scanMb / (t1 - t0));
  std::printf("  hillshade mesh  : %7.3f s (%4.1f%%)  %.2f M triangles/s%s\n", t2 - t1, 100 * (t2 - t1) / total,
              triangles / (t2 - t1) / 1e6, helperThreads ? " (contours traced alongside)" : "");
  std::printf("  contours, rest  : %7.3f s (%4.1f%%)\n", t3 - t2, 100 * (t3 - t2) / total);
  return true;
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

  // The software GL is opened first, as the program's start is left out of
  // the tile's time (it is opened when the first tile is drawn).
  LoadGl();
  Timed two, one;
  SilentHost host;
  CellBuffer pool;
  JobSettings settings = TileSettings(folder);
  JobContext ctx(settings, host, pool);
  for (bool helperThreads : {true, false}) {
    Timed& timed = helperThreads ? two : one;
    if (!DrawTile(ctx, helperThreads, scanMb, timed)) return 1;
  }
  std::printf("yardstick: memchr line scan of the same files (with file reads) %.1f MB/s\n", scanMb / scanSeconds);
  GdalYardstick(ctx, folder, two, one);
  fs::remove_all(folder);
  return 0;
}
