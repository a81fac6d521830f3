#include "render/mesh_overlay.h"

#include <algorithm>
#include <cmath>

#include "job/coordinates.h"
#include "job/job_context.h"
#include "job/mesh_codes.h"
#include "render/gl_view.h"
#include "render/painter_drawer.h"
#include "render/render_surface.h"

namespace velkaro {

namespace {

// Tolerance that keeps a corner lying exactly on a cell boundary in the cell
// to its north or east despite rounding.
constexpr double kCodeTolerance = 0.00001;
// Tolerance of the cell count of a span that is a whole number of cells.
constexpr double kCountTolerance = 1e-7;

long FloorCode(double value) { return static_cast<long>(std::floor(value + kCodeTolerance)); }

// Pixel coordinates far outside the image are clamped before the integer
// conversion, so a wild projection cannot overflow it.
int TruncPixel(double v) {
  constexpr double kLimit = 1 << 28;
  if (!(v > -kLimit)) return -static_cast<int>(kLimit);
  if (v > kLimit) return static_cast<int>(kLimit);
  return static_cast<int>(std::trunc(v));
}

PixelPoint PixelOf(const JobContext& job, double lat, double lon) {
  const PlaneXY p = bltoxy(job.coords, lon, lat);
  return {TruncPixel(PixelX(job, p.y)), TruncPixel(PixelY(job, p.x))};
}

// More cells than fit on the largest image at a few pixels each.
constexpr long long kMaxOverlayCells = 250000;

int CellCount(double from, double to, double step) {
  return static_cast<int>(std::floor((to - from) / step + kCountTolerance));
}

}  // namespace

FontSpec MeshLabelFont(const JobContext& job) {
  FontSpec font;
  font.face = kFacePGothic;
  font.sizeKind = FontSizeKind::CellHeight;
  // The run's text height; a job drawn without the driver's constants falls
  // back to the same share of the image height.
  const int height = job.constants.textHeight > 0 ? job.constants.textHeight : job.image.height / 50;
  font.size = std::max(height, 1);
  return font;
}

int MeshOverlayLevel(int keta) { return keta == 0 || keta == 2 ? keta : 1; }

MeshCellSize MeshCellSizeOfLevel(int keta) {
  switch (MeshOverlayLevel(keta)) {
    case 0: return {2.0 / 3.0, 1.0};
    case 2: return {1.0 / 120.0, 1.0 / 80.0};
    default: return {1.0 / 12.0, 1.0 / 8.0};
  }
}

std::string MeshOverlayCode(int keta, double lat, double lon) {
  const int level = MeshOverlayLevel(keta);
  std::string code = std::to_string(FloorCode(lat * 1.5)) + std::to_string(FloorCode(lon - 100));
  if (level >= 1) {
    code += std::to_string(FloorCode(lat * 1.5 * 8) % 8);
    code += std::to_string(FloorCode((lon - 100) * 8) % 8);
  }
  if (level == 2) {
    code += std::to_string(FloorCode(lat * 1.5 * 80) % 10);
    code += std::to_string(FloorCode((lon - 100) * 80) % 10);
  }
  return code;
}

MeshOverlayPlan PlanMeshOverlay(JobContext& job) {
  const int keta = job.settings.tiikimesh.keta;
  const MeshCellSize cell = MeshCellSizeOfLevel(keta);
  const CurrentTile& t = job.tile;

  // Every cell that touches the tile: from the cell holding its westernmost
  // and southernmost point to one cell past its easternmost and northernmost
  // point. All four corners count, because in a plane zone the tile's edges
  // are slanted against the meridians and parallels, and a cell boundary may
  // pass between two corners of one edge.
  const TileGeoBox box = GeoBoxOfPlaneRect(job.coords, t.west, t.east, t.north, t.south);
  const double lon0 = std::floor(box.lonW / cell.lon) * cell.lon;
  const double lat0 = std::floor(box.latS / cell.lat) * cell.lat;
  const double lon1 = std::floor(box.lonE / cell.lon + 1) * cell.lon;
  const double lat1 = std::floor(box.latN / cell.lat + 1) * cell.lat;
  const int nLon = CellCount(lon0, lon1, cell.lon);
  const int nLat = CellCount(lat0, lat1, cell.lat);

  MeshOverlayPlan plan;
  if (nLon < 0 || nLat < 0) return plan;
  // Cells too small to see on any tile (a whole region at the third level)
  // would cost millions of lines and labels; such a grid is left out.
  if (static_cast<long long>(nLon) * nLat > kMaxOverlayCells) return plan;
  // Corner pixels, row j (south to north) by column i (west to east).
  std::vector<PixelPoint> corners;
  corners.reserve(static_cast<size_t>(nLon + 1) * (nLat + 1));
  for (int j = 0; j <= nLat; ++j)
    for (int i = 0; i <= nLon; ++i)
      corners.push_back(PixelOf(job, lat0 + j * cell.lat, lon0 + i * cell.lon));
  auto corner = [&](int i, int j) { return corners[static_cast<size_t>(j) * (nLon + 1) + i]; };

  plan.lines.reserve(nLon + nLat + 2);
  for (int i = 0; i <= nLon; ++i) {
    auto& line = plan.lines.emplace_back();
    for (int j = 0; j <= nLat; ++j) line.push_back(corner(i, j));
  }
  for (int j = 0; j <= nLat; ++j) {
    auto& line = plan.lines.emplace_back();
    for (int i = 0; i <= nLon; ++i) line.push_back(corner(i, j));
  }
  for (int i = 0; i < nLon; ++i)
    for (int j = 0; j < nLat; ++j)
      plan.labels.push_back(
          {corner(i, j), MeshOverlayCode(keta, lat0 + j * cell.lat, lon0 + i * cell.lon)});
  return plan;
}

void DrawMeshOverlay(JobContext& job) {
  if (!job.surface) return;
  const MeshOverlayPlan plan = PlanMeshOverlay(job);
  const MeshSwitch& mesh = job.settings.tiikimesh;
  const Colour colour = mesh.colour;
  PainterDrawer& d = job.surface->drawer();
  d.setPen(colour, mesh.styleWord & 0xFF);
  for (const auto& line : plan.lines) {
    if (line.empty()) continue;
    d.moveTo(line.front().x, line.front().y);
    for (const PixelPoint& p : line) d.lineTo(p.x, p.y);
  }
  d.setTextColour(colour);
  d.setTransparentBackground(true);
  d.setFont(MeshLabelFont(job));
  const int textHeight = d.textHeight("0");
  for (const auto& label : plan.labels)
    d.textOut(label.corner.x + 3, label.corner.y - textHeight, label.code);
}

}  // namespace velkaro
