#pragma once
// Helpers shared by the elevation tests: a lat/lon-mode job over a small
// grid, direct access to grid values, and an off-screen GL view.

#include <GL/gl.h>

#include <QImage>
#include <memory>
#include <string>

#include "job/cell_buffer.h"
#include "elevation/elevation_grid.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "render/colours.h"
#include "render/gl_view.h"
#include "render/render_surface.h"

namespace velkaro::test {

// A job in lat/lon mode with the 5 m source chosen and a run flag set.
struct ElevationJob {
  JobSettings settings;
  SilentHost host{Answer::Ok};
  CellBuffer pool;
  std::unique_ptr<JobContext> ctx;

  explicit ElevationJob(int kind = 0, bool contours = false) {
    settings.zahyokei = 56;
    if (contours)
      settings.cont[kind] = true;
    else
      settings.alti[kind] = true;
    ctx = std::make_unique<JobContext>(settings, host, pool);
    SetZoneNumber(ctx->coords, 0, 1.0);
    ctx->runFlag = true;
    ctx->waterLevel = ctx->datumOffset - 9998;
    static constexpr double kCells[][2] = {{1.0 / 18000, 1.0 / 18000}, {1.0 / 9000, 1.0 / 9000},
                                           {0.000625, 1.0 / 2400}, {0.003125, 1.0 / 480},
                                           {1.0 / 60, 1.0 / 60}};
    ctx->elevation.cellLon = kCells[kind][0];
    ctx->elevation.cellLat = kCells[kind][1];
    ctx->legendIntervalM = {1.0};
    ctx->legendBottomM = {0.0};
  }
  JobContext& job() { return *ctx; }

  // A grid of rows x cols cells whose tile window is the whole grid.
  void plainGrid(int rows, int cols, double value) {
    ElevationGrid& g = ctx->elevGrid;
    g = ElevationGrid{};
    g.cellLon = ctx->elevation.cellLon;
    g.cellLat = ctx->elevation.cellLat;
    g.gridLonW = 139.0;
    g.gridLatN = 35.0;
    g.gridLonE = g.gridLonW + cols * g.cellLon;
    g.gridLatS = g.gridLatN - rows * g.cellLat;
    g.gridCols = cols;
    g.gridRows = rows;
    g.winCol1 = cols;
    g.winRow1 = rows;
    for (int i = 0; i < rows * cols; ++i) pool[static_cast<size_t>(i)].x = value;
  }
  double& at(int r, int c) { return pool[static_cast<size_t>(r) * ctx->elevGrid.gridCols + c].x; }
  void setLegend(double interval, double bottom) {
    ctx->legendIntervalM = {interval};
    ctx->legendBottomM = {bottom};
  }
};

// An off-screen surface with a view mapping the box onto all its pixels.
struct GlCanvas {
  std::unique_ptr<RenderSurface> surface;
  bool ok = false;
  GlCanvas(int width, int height, double west, double east, double south, double north,
           Colour background = MakeColour(255, 255, 255)) {
    surface = std::make_unique<RenderSurface>(width, height);
    ok = surface->createContext();
    if (!ok) return;
    surface->beginGL();
    glLoadIdentity();
    surface->setViewport(0, 0, width, height);
    surface->setView(OrthoView(west, east, south, north));
    glOrtho(west, east, south, north, -999999999.0, 999999999.0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_DITHER);
    glClearColor(RedOf(background) / 255.0f, GreenOf(background) / 255.0f, BlueOf(background) / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  ~GlCanvas() {
    if (ok) surface->deleteContext();
  }
  Colour pixel(int x, int y) {
    const QRgb p = surface->frame().pixel(x, y);
    return MakeColour(qRed(p), qGreen(p), qBlue(p));
  }
  void save(const std::string& path) { surface->frame().save(QString::fromStdString(path)); }
};

}  // namespace velkaro::test
