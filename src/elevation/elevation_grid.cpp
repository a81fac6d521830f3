#include "elevation/elevation_grid.h"

#include <algorithm>
#include <cmath>

#include "elevation/dem_sources.h"
#include "elevation/messages.h"
#include "job/coordinates.h"
#include "job/job_context.h"

namespace velkaro {

namespace {

namespace text = elevation_text;

// GridCols and GridRows are 16-bit quantities in the stored layout.
constexpr double kMaxGridSide = 65535;

int CellsAcross(double from, double to, double cell) {
  return static_cast<int>(std::floor((to - from) / cell + 0.999));
}

}  // namespace

int ElevationSourceIndex(const JobSettings& s) {
  int index = -1;
  for (int k = 0; k < kElevationClasses; ++k)
    if (s.alti[k]) index = k;
  for (int k = 0; k < kElevationClasses; ++k)
    if (s.cont[k]) index = k;
  return index;
}

GridSizing SizeElevationGrid(const GeoBox& box, double cellLon, double cellLat,
                             bool contourMargin, double limitCells, ElevationGrid& g) {
  g.cellLon = cellLon;
  g.cellLat = cellLat;
  g.tileLonW = std::trunc(box.lonW / cellLon - 1) * cellLon;
  g.tileLonE = std::trunc(box.lonE / cellLon + 2) * cellLon;
  g.tileLatS = std::trunc(box.latS / cellLat - 1) * cellLat;
  g.tileLatN = std::trunc(box.latN / cellLat + 2) * cellLat;
  const double cols = std::floor((g.tileLonE - g.tileLonW) / cellLon + 0.999);
  const double rows = std::floor((g.tileLatN - g.tileLatS) / cellLat + 0.999);

  double margin = 0;
  if (contourMargin) {
    margin = std::floor((std::sqrt(4 * limitCells + (cols - rows) * (cols - rows)) - cols - rows) / 4);
    margin = std::max(margin, 0.0);
    // The square root may round up by one cell; the margin must keep the grid in budget.
    while (margin > 0 && (cols + 2 * margin) * (rows + 2 * margin) > limitCells) margin -= 1;
  }
  g.gridLonW = g.tileLonW - margin * cellLon;
  g.gridLonE = g.tileLonE + margin * cellLon;
  g.gridLatS = g.tileLatS - margin * cellLat;
  g.gridLatN = g.tileLatN + margin * cellLat;

  const double gridCols = std::floor((g.gridLonE - g.gridLonW) / cellLon + 0.999);
  const double gridRows = std::floor((g.gridLatN - g.gridLatS) / cellLat + 0.999);
  g.elevMax = -1e308;
  g.elevMin = 1e308;
  g.gridCols = g.gridRows = 0;
  if (gridCols * gridRows > limitCells || gridCols > kMaxGridSide || gridRows > kMaxGridSide)
    return GridSizing::OverBudget;
  // No cell size or no area (NaN or nothing across) leaves an empty grid.
  if (!(gridCols >= 1 && gridRows >= 1)) return GridSizing::Empty;
  g.gridCols = static_cast<int>(gridCols);
  g.gridRows = static_cast<int>(gridRows);

  g.winCol0 = static_cast<int>(std::floor((g.tileLonW - g.gridLonW) / cellLon + 0.00001));
  g.winCol1 = CellsAcross(g.gridLonW, g.tileLonE, cellLon);
  g.winRow0 = static_cast<int>(std::floor((g.gridLatN - g.tileLatN) / cellLat + 0.00001));
  g.winRow1 = CellsAcross(g.tileLatS, g.gridLatN, cellLat);
  g.winCol1 = std::min(g.winCol1, g.gridCols);
  g.winRow1 = std::min(g.winRow1, g.gridRows);
  return GridSizing::Ok;
}

GeoBox CurrentTileGeoBox(JobContext& ctx) {
  const double w = ctx.tile.west, e = ctx.tile.east, s = ctx.tile.south, n = ctx.tile.north;
  const GeoLatLon sw = xytobl(ctx.coords, w, s);
  const GeoLatLon nw = xytobl(ctx.coords, w, n);
  const GeoLatLon ne = xytobl(ctx.coords, e, n);
  const GeoLatLon se = xytobl(ctx.coords, e, s);
  GeoBox box;
  box.lonW = std::min(sw.lon, nw.lon);
  box.lonE = std::max(ne.lon, se.lon);
  box.latS = std::min(sw.lat, se.lat);
  box.latN = std::max(nw.lat, ne.lat);
  // In a plane zone the northern edge bulges towards the pole between its corners.
  for (double east : {(3 * w + e) / 4, (w + e) / 2, (w + 3 * e) / 4})
    box.latN = std::max(box.latN, xytobl(ctx.coords, east, n).lat);
  return box;
}

bool PrepareElevationGrid(JobContext& ctx) {
  ctx.host.setLabel(LabelRole::Group, text::kStepInitialise);
  ctx.host.setLabel(LabelRole::Detail, "");

  const JobSettings& s = ctx.settings;
  const bool margin = s.anyContourClass() && s.taisyo != kContoursAll;
  const double limit = double(ctx.cells.budget()) * ctx.cells.meshShare() / 10;
  ElevationGrid& g = ctx.elevGrid;
  const GridSizing sizing = SizeElevationGrid(CurrentTileGeoBox(ctx), ctx.elevation.cellLon,
                                              ctx.elevation.cellLat, margin, limit, g);
  if (sizing != GridSizing::Ok) {
    const bool over = sizing == GridSizing::OverBudget;
    ctx.host.ask(over ? text::kGridOverBudgetCaption : text::kGridEmptyCaption,
                 over ? text::kGridOverBudget : text::kGridEmpty, Buttons::Ok);
    ctx.runFlag = false;
    return false;
  }

  const double noData = ctx.datumOffset + kNoElevation;
  CellPair* cells = ctx.cells.data();
  for (int64_t i = 0, n = g.cellCount(); i < n; ++i) cells[i].x = noData;

  ctx.host.setLabel(LabelRole::Group, text::kStepRead);
  ctx.host.setLabel(LabelRole::FileHeading, text::kFileHeading);
  if (!s.meshfolder.empty())
    ScanDemSources(ctx, DemScanMode::Read, GeoBox{g.gridLonW, g.gridLatS, g.gridLonE, g.gridLatN});
  ctx.host.setLabel(LabelRole::FileHeading, "");
  ctx.host.setLabel(LabelRole::FileName, "");
  ctx.host.setLabel(LabelRole::Detail, "");
  return ctx.runFlag;
}

}  // namespace velkaro
