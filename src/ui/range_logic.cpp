#include "ui/range_logic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "job/cell_buffer.h"
#include "job/tile_grid.h"

namespace velkaro {

PlaneBox Normalised(PlaneBox box) {
  if (box.west > box.east) std::swap(box.west, box.east);
  if (box.south > box.north) std::swap(box.south, box.north);
  return box;
}

BudgetInput BudgetInputOf(const JobContext& job) {
  BudgetInput in;
  in.cellSizeX = job.elevation.cellSizeX;
  in.cellSizeY = job.elevation.cellSizeY;
  in.anyMeshClass = job.settings.anyMeshClass();
  in.anyContourClass = job.settings.anyContourClass();
  in.cellBudget = job.cells.budget();
  in.meshShare = job.cells.meshShare();
  return in;
}

TileGrid RangeTileGrid(const PlaneBox& selection, const RangeDivision& division) {
  DrawingArea area;
  area.west = selection.west;
  area.east = selection.east;
  area.south = selection.south;
  area.north = selection.north;
  return MakeTileGrid(area, division.cols, division.rows, division.kasane);
}

bool overcheck(const TileGrid& grid, const BudgetInput& b) {
  if (!b.anyMeshClass && !b.anyContourClass) return true;
  if (b.cellSizeX == 0 || b.cellSizeY == 0) return false;
  const double cells =
      std::trunc(std::fabs(grid.tileWidth * grid.tileHeight / b.cellSizeX / b.cellSizeY));
  if (b.anyContourClass) return cells < b.cellBudget * b.meshShare / 10 * 0.97;
  return cells < b.cellBudget * 0.97;
}

RangeChoice DecideRange(const PlaneBox& selection, const RangeDivision& division,
                        bool latLonMode, double unitScale) {
  PlaneBox s = selection;
  RangeChoice choice;
  choice.division = division;
  char text[64];
  const auto put = [&text](std::string& out, const char* format, double v) {
    std::snprintf(text, sizeof text, format, v + 0.0);   // no "-0"
    out = text;
  };
  if (latLonMode) {
    put(choice.kita, "%10.6f", s.north);
    put(choice.minami, "%10.6f", s.south);
    put(choice.nisi, "%10.6f", s.west);
    put(choice.higasi, "%10.6f", s.east);
    return choice;
  }
  if (s.east - s.west < 1) s.east = s.west + unitScale;
  if (s.north - s.south < 1) s.north = s.south + unitScale;
  double north = std::floor(s.north), south = std::floor(s.south + 0.9999999);
  double west = std::floor(s.west + 0.9999999), east = std::floor(s.east);
  // Rounding inward can close a narrow selection (0.2 … 1.7 gives 1 … 1); the
  // area then keeps the one unit the widening above meant it to have.
  if (east <= west) east = west + unitScale;
  if (north <= south) north = south + unitScale;
  put(choice.kita, "%.0f", north);
  put(choice.minami, "%.0f", south);
  put(choice.nisi, "%.0f", west);
  put(choice.higasi, "%.0f", east);
  return choice;
}

void ApplyRangeChoice(JobSettings& settings, const RangeChoice& choice) {
  settings.kita = choice.kita;
  settings.minami = choice.minami;
  settings.nisi = choice.nisi;
  settings.higasi = choice.higasi;
  settings.tatediv = std::to_string(choice.division.rows);
  settings.yokodiv = std::to_string(choice.division.cols);
  settings.kasane = choice.division.kasane;
}

PlaneBox ZoomAround(const PlaneBox& view, double x, double y, double factor) {
  return {x + (view.west - x) * factor, x + (view.east - x) * factor,
          y + (view.south - y) * factor, y + (view.north - y) * factor};
}

PlaneBox FitToAspect(const PlaneBox& view, int width, int height, double latFactor) {
  if (width <= 0 || height <= 0 || latFactor <= 0) return view;
  PlaneBox v = view;
  double w = v.width(), h = v.height();
  if (w <= 0) w = 1;
  if (h <= 0) h = 1;
  const double clientAspect = static_cast<double>(width) / height;
  const double cx = (v.west + v.east) / 2, cy = (v.south + v.north) / 2;
  if (w * latFactor / h < clientAspect)
    w = h * clientAspect / latFactor;
  else
    h = w * latFactor / clientAspect;
  return {cx - w / 2, cx + w / 2, cy - h / 2, cy + h / 2};
}

int MeshDisplayLevel(double h, bool latLonMode) {
  const double first = latLonMode ? 1.5 : 120000;
  const double second = latLonMode ? 0.12 : 11000;
  if (h > first) return 1;
  if (h > second) return 2;
  return 3;
}

std::string MeshLabelCode(double lat, double lon, int digits) {
  const double a = lat * 3.00001 / 2;
  const double b = lon - 99.9999999;
  const double fa = a - std::trunc(a), fb = b - std::trunc(b);
  int d[8];
  d[0] = static_cast<int>(std::trunc(a / 10));
  d[1] = static_cast<int>(std::trunc(a)) % 10;
  d[2] = static_cast<int>(std::trunc(b / 10));
  d[3] = static_cast<int>(std::trunc(b)) % 10;
  d[4] = static_cast<int>(std::trunc(fa * 8));
  d[5] = static_cast<int>(std::trunc(fb * 8));
  d[6] = static_cast<int>(std::trunc((fa - d[4] / 8.0) * 80));
  d[7] = static_cast<int>(std::trunc((fb - d[5] / 8.0) * 80));
  std::string code;
  for (int i = 0; i < std::clamp(digits, 0, 8); ++i) code += static_cast<char>('0' + std::clamp(d[i], 0, 9));
  return code;
}

}  // namespace velkaro
