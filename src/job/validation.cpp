#include "job/validation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string_view>

#include "job/coordinates.h"
#include "job/messages.h"
#include "job/tile_grid.h"

namespace velkaro {

const std::array<ElevationCellSize, kElevationClasses> kElevationCellSizes = {{
    {0.2, 0.2, 3.0889},
    {0.4, 0.4, 6.17},
    {2.25, 1.5, 23.1107},
    {11.25, 7.5, 115.73},
    {60.0, 60.0, 925.925925925926},
}};

namespace {

inline constexpr int kMaxColumns = 256;
inline constexpr int kMaxRows = 18277;
inline constexpr int kMaxLegendStepsIndex = 7;
// Bound on a derived grid dimension so that a degenerate area cannot produce
// an undefined conversion; the start action refuses such grids by budget.
inline constexpr double kMaxGridDimension = 1.0e9;

// Collects the message lines of one validation.
class Messages {
 public:
  void line(std::string_view text) {
    text_ += text;
    text_ += "\r\n";
  }
  // For texts that already carry their line end.
  void raw(std::string_view text) { text_ += text; }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

int LastOn(const std::array<bool, kElevationClasses>& classes) {
  int last = -1;
  for (int i = 0; i < kElevationClasses; ++i)
    if (classes[static_cast<size_t>(i)]) last = i;
  return last;
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(std::filesystem::path(path), ec);
}

void CheckFolders(const JobSettings& s, Messages& m) {
  if (!IsFolder(s.readfolder)) m.raw(msg::kNoReadFolder);
  if (!IsFolder(s.meshfolder)) m.line(msg::kNoMeshFolder);
  if (!IsFolder(s.syoufolder)) m.line(msg::kNoKsjFolder);
  if (!IsFolder(s.kkjfolder)) m.line(msg::kNoKkjFolder);
  if (!IsFolder(s.writefolder)) m.line(msg::kNoWriteFolder);
}

void CheckMapName(const std::string& name, Messages& m) {
  // UTF-8 continuation bytes never fall in the ASCII range, so a byte scan
  // finds exactly the forbidden characters.
  constexpr std::string_view kForbidden = "\\/:*?\"<>|";
  for (const char ch : name)
    if (kForbidden.find(ch) != std::string_view::npos)
      m.line(std::string(msg::kNameCharPrefix) + ch + msg::kNameCharSuffix);
  if (name.empty()) m.line(msg::kNameEmpty);
}

void ApplyZoneChoice(JobContext& ctx, Messages& m) {
  const JobSettings& s = ctx.settings;
  CoordinateState& cs = ctx.coords;
  cs.latLonMode = s.zahyokei == kLatLonEntry;
  if (s.zahyokei < 0) {
    m.line(msg::kNoZone);
    return;
  }
  if (!SetZone(cs, s.zahyokei, s.tanni)) m.line(msg::kBadZone);
}

void ParseEdges(JobContext& ctx, Messages& m) {
  const JobSettings& s = ctx.settings;
  const double us = ctx.coords.unitScale;
  struct Edge {
    const std::string& text;
    double& value;
    double fallbackMetres;
  };
  const Edge edges[] = {
      {s.kita, ctx.area.north, kDefaultNorthMetres},
      {s.minami, ctx.area.south, kDefaultSouthMetres},
      {s.nisi, ctx.area.west, kDefaultWestMetres},
      {s.higasi, ctx.area.east, kDefaultEastMetres},
  };
  for (const Edge& e : edges) {
    if (e.text.find_first_not_of(" \t") == std::string::npos) {
      e.value = e.fallbackMetres * us;
    } else if (!ParseDecimal(e.text, e.value)) {
      m.line(msg::kBadEdge);
      return;
    }
  }
}

// Returns false when validation must end (too many columns or rows).
bool ParseDivision(JobContext& ctx, Messages& m) {
  const JobSettings& s = ctx.settings;
  int cols = 1, rows = 1;
  bool ok = ParseCount(s.yokodiv, cols);
  if (!ok || cols < 1) {
    ok = false;
    cols = 1;
  }
  if (!ParseCount(s.tatediv, rows) || rows < 1) {
    ok = false;
    rows = 1;
  }
  if (!ok) m.line(msg::kBadDivision);
  if (cols > kMaxColumns) {
    m.line(msg::kTooManyColumns);
    return false;
  }
  if (rows > kMaxRows) {
    m.line(msg::kTooManyRows);
    return false;
  }
  ctx.grid.cols = cols;
  ctx.grid.rows = rows;
  return true;
}

void ParseDatum(JobContext& ctx, Messages& m) {
  const std::string& hose = ctx.settings.hose;
  if (hose.find_first_not_of(" \t") == std::string::npos) {
    ctx.datumOffset = 0;
    return;
  }
  double value = 0;
  if (ParseDecimal(hose, value))
    ctx.datumOffset = value / ctx.coords.unitScale;
  else
    m.line(msg::kBadDatum);
}

void CheckFirstLegendCells(const JobSettings& s, Messages& m) {
  double value = 0;
  const std::string& interval = s.legendInterval.cell(0, 0);
  if (!interval.empty() && !ParseDecimal(interval, value)) {
    m.line(msg::kBadPointInterval);
    m.line(msg::kBadContourInterval);
  }
  const std::string& bottom = s.legendBottom.cell(0, 0);
  if (!bottom.empty() && !ParseDecimal(bottom, value)) {
    m.line(msg::kBadPointBottom);
    m.line(msg::kBadContourBottom);
  }
}

void CheckLegendGrids(const JobContext& ctx, Messages& m) {
  const JobSettings& s = ctx.settings;
  const double us = ctx.coords.unitScale;
  const LegendGrid& interval = s.legendInterval;
  [&] {
    for (int r = 0; r < interval.rows; ++r)
      for (int c = 0; c < interval.cols; ++c) {
        const std::string& text = interval.cell(r, c);
        if (text.empty()) continue;
        double value = 0;
        if (!ParseDecimal(text, value)) {
          m.line(msg::kBadMeshInterval);
          return;
        }
        if (value / us < 0.01)
          m.line(std::string(msg::kSmallMeshInterval) + rowst(r, "", interval.rows) +
                 std::to_string(c));
      }
  }();
  const LegendGrid& bottom = s.legendBottom;
  [&] {
    for (int r = 0; r < bottom.rows; ++r)
      for (int c = 0; c < bottom.cols; ++c) {
        const std::string& text = bottom.cell(r, c);
        if (text.empty()) continue;
        double value = 0;
        if (!ParseDecimal(text, value)) {
          m.line(msg::kBadMeshBottom);
          return;
        }
        if (value / us < ctx.datumOffset - 10) m.line(msg::kBottomTooLow);
      }
  }();
}

void SetImageGeometry(JobContext& ctx) {
  const JobSettings& s = ctx.settings;
  ctx.grid = MakeTileGrid(ctx.area, ctx.grid.cols, ctx.grid.rows, s.kasane);
  const ImageSize size = ImageSizeOfPreset(s.size);
  ctx.image = FitImageToTile(size.width, size.height, ctx.grid,
                             LatFactorOf(ctx.area, ctx.coords.latLonMode));
}

void CheckElevationClasses(const JobSettings& s, Messages& m) {
  const int mesh = LastOn(s.alti);
  const int contour = LastOn(s.cont);
  if (mesh < 0 || contour < 0) return;
  if (mesh != contour) m.line(msg::kMeshContourSize);
  if (s.taisyo != kContoursAll) m.line(msg::kMeshAndDepression);
}

void SetNorthWestGeoBox(JobContext& ctx) {
  const DrawingArea& a = ctx.area;
  const double th = ctx.grid.tileHeight, tw = ctx.grid.tileWidth;
  const GeoLatLon corners[] = {
      xytobl(ctx.coords, a.west, a.north - th),
      xytobl(ctx.coords, a.west, a.north),
      xytobl(ctx.coords, a.west + tw, a.north),
      xytobl(ctx.coords, a.west + tw, a.north - th),
  };
  TileGeoBox box{corners[0].lon, corners[0].lon, corners[0].lat, corners[0].lat};
  for (const GeoLatLon& g : corners) {
    box.lonW = std::min(box.lonW, g.lon);
    box.lonE = std::max(box.lonE, g.lon);
    box.latS = std::min(box.latS, g.lat);
    box.latN = std::max(box.latN, g.lat);
  }
  ctx.geoBox = box;
}

// Whole cells covering (high - low) / cell, 0 for degenerate values.
int CellCount(double span, double cell) {
  const double n = std::floor(span / cell + 0.999);
  if (!std::isfinite(n) || n <= 0) return 0;
  return static_cast<int>(std::min(n, kMaxGridDimension));
}

// Snaps a coordinate down (pad = -1) or up (pad = +2) to whole cells, the
// multiple truncated toward zero.
double SnapToCells(double value, double cell, double pad) {
  return std::trunc(value / cell + pad) * cell;
}

void SetElevationGeometry(JobContext& ctx, Messages& m) {
  const JobSettings& s = ctx.settings;
  const CoordinateState& cs = ctx.coords;
  const ElevationCellSize& size = kElevationCellSizes[static_cast<size_t>(ElevationClassInEffect(s))];
  ElevationGeometry& eg = ctx.elevation;
  eg.cellLon = size.lonSeconds / 3600.0;
  eg.cellLat = size.latSeconds / 3600.0;

  const ProjectionConstants& k = Grs80();
  const double phiM = (ctx.geoBox.latS + ctx.geoBox.latN) / 2 * std::numbers::pi / 180.0;
  const double sinM = std::sin(phiM);
  const double metresPerLonSecond = std::cos(phiM) * k.a /
                                    std::sqrt(1 - sinM * sinM * k.f * (2 - k.f)) *
                                    std::numbers::pi / 180.0 / 3600.0;
  const double halfLon = metresPerLonSecond * size.lonSeconds / 2;
  const double halfLat = size.halfLatMetres;
  if (cs.latLonMode) {
    eg.cellSizeX = eg.cellLon;
    eg.cellSizeY = eg.cellLat;
  } else {
    eg.cellSizeX = 2 * halfLon * cs.unitScale;
    eg.cellSizeY = 2 * halfLat * cs.unitScale;
  }
  eg.floodCellArea = halfLon * halfLat * 2;

  if (cs.latLonMode) {
    if (ctx.area.north > 89.9000001) m.line(msg::kNorthTooHigh);
    if (ctx.area.south < -89.9000001) m.line(msg::kSouthTooLow);
    if (ctx.area.east > 540) m.line(msg::kEastTooFar);
    if (ctx.area.west < -180) m.line(msg::kWestTooFar);
  }

  TileGeoBox& box = ctx.geoBox;
  box.lonW = SnapToCells(box.lonW, eg.cellLon, -1);
  box.lonE = SnapToCells(box.lonE, eg.cellLon, 2);
  box.latS = SnapToCells(box.latS, eg.cellLat, -1);
  box.latN = SnapToCells(box.latN, eg.cellLat, 2);
  eg.gridCols = CellCount(box.lonE - box.lonW, eg.cellLon);
  eg.gridRows = CellCount(box.latN - box.latS, eg.cellLat);
}

void CheckMovie(JobContext& ctx, Messages& m) {
  const JobSettings& s = ctx.settings;
  double top = 0, btm = 0;
  const bool topOk = ParseDecimal(s.movieTop, top);
  const bool btmOk = ParseDecimal(s.movieBtm, btm);
  if (topOk) ctx.movieTop = top;
  if (btmOk) ctx.movieBtm = btm;
  if (s.type != kOutputAnimation) return;
  if (!topOk || !btmOk) m.line(msg::kBadMovieLevels);
  if (!s.anyMeshClass()) m.line(msg::kMovieNeedsMesh);
  // A rate outside this range would leave an empty file after the run.
  if (s.fps < kMinFps || s.fps > kMaxFps) m.line(msg::kBadFps);
  if (s.movieFormat != kMovieAvi && s.movieFormat != kMovieMp4) m.line(msg::kBadMovieFormat);
}

void ParseRoadWidth(JobContext& ctx, Messages& m) {
  double road = 0;
  if (ParseDecimal(ctx.settings.road, road))
    ctx.roadWidthThreshold = road * ctx.coords.unitScale;
  else
    m.line(msg::kBadRoadWidth);
}

}  // namespace

int ElevationClassInEffect(const JobSettings& s) {
  int cls = 0;
  if (const int mesh = LastOn(s.alti); mesh >= 0) cls = mesh;
  if (const int contour = LastOn(s.cont); contour >= 0) cls = contour;
  return cls;
}

std::string ValidateJob(JobContext& ctx) {
  JobSettings& s = ctx.settings;
  Messages m;
  ctx.coords.latLonMode = s.zahyokei == kLatLonEntry;
  CheckFolders(s, m);
  CheckMapName(s.namae, m);
  if (s.type < kOutputBmp || s.type > kLastOutputType) m.line(msg::kBadOutputType);
  if (s.type == kOutputAnimation && s.hanreisu == 0 && s.jido) m.line(msg::kAviNeedsLegendSteps);

  ctx.coords.unitScale = UnitScaleOf(s.tanni);
  // Without a unit nothing else can be judged, so the unit is the one thing
  // the user is asked to fix first.
  if (s.tanni < 0 || s.tanni > 2) return std::string(msg::kNoUnit) + "\r\n";
  ApplyZoneChoice(ctx, m);
  ParseEdges(ctx, m);
  if (!ParseDivision(ctx, m)) return m.take();

  s.legendInterval.resize(ctx.grid.rows, ctx.grid.cols);
  s.legendBottom.resize(ctx.grid.rows, ctx.grid.cols);
  const size_t tiles = static_cast<size_t>(ctx.grid.rows) * static_cast<size_t>(ctx.grid.cols);
  ctx.legendIntervalM.assign(tiles, 0.0);
  ctx.legendBottomM.assign(tiles, 0.0);
  ParseDatum(ctx, m);

  if (s.hanreisu < 0 || s.hanreisu > kMaxLegendStepsIndex)
    m.line(msg::kNoLegendSteps);
  else
    ctx.legendSteps = 1 << s.hanreisu;

  CheckFirstLegendCells(s, m);
  if (!s.jido) CheckLegendGrids(ctx, m);
  SetImageGeometry(ctx);
  CheckElevationClasses(s, m);
  SetNorthWestGeoBox(ctx);
  SetElevationGeometry(ctx, m);
  CheckMovie(ctx, m);
  ParseRoadWidth(ctx, m);
  return m.take();
}

namespace {

std::string Number(double value) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string("nan");
}

}  // namespace

std::string DerivedValuesText(const JobContext& ctx) {
  std::string out;
  const auto put = [&out](std::string_view name, const std::string& value) {
    out.append(name).append("=").append(value).append("\n");
  };
  const auto num = [&put](std::string_view name, double value) { put(name, Number(value)); };
  const auto integer = [&put](std::string_view name, long long value) {
    put(name, std::to_string(value));
  };
  num("UnitScale", ctx.coords.unitScale);
  integer("LatLonMode", ctx.coords.latLonMode ? 1 : 0);
  integer("Zone", ctx.coords.zone);
  num("North", ctx.area.north);
  num("South", ctx.area.south);
  num("West", ctx.area.west);
  num("East", ctx.area.east);
  integer("Columns", ctx.grid.cols);
  integer("Rows", ctx.grid.rows);
  num("TileWidth", ctx.grid.tileWidth);
  num("TileHeight", ctx.grid.tileHeight);
  num("StepX", ctx.grid.stepX);
  num("StepY", ctx.grid.stepY);
  integer("ImageWidth", ctx.image.width);
  integer("ImageHeight", ctx.image.height);
  num("FrameWidth", ctx.image.frameWidth);
  num("FrameHeight", ctx.image.frameHeight);
  num("LatFactor", ctx.image.latFactor);
  num("UnitsPerPixel", ctx.image.unitsPerPixel);
  num("DatumOffset", ctx.datumOffset);
  integer("LegendSteps", ctx.legendSteps);
  num("RoadWidthThreshold", ctx.roadWidthThreshold);
  num("MovieTop", ctx.movieTop);
  num("MovieBtm", ctx.movieBtm);
  num("TileLonW", ctx.geoBox.lonW);
  num("TileLonE", ctx.geoBox.lonE);
  num("TileLatS", ctx.geoBox.latS);
  num("TileLatN", ctx.geoBox.latN);
  num("CellLon", ctx.elevation.cellLon);
  num("CellLat", ctx.elevation.cellLat);
  num("CellSizeX", ctx.elevation.cellSizeX);
  num("CellSizeY", ctx.elevation.cellSizeY);
  num("FloodCellArea", ctx.elevation.floodCellArea);
  integer("GridCols", ctx.elevation.gridCols);
  integer("GridRows", ctx.elevation.gridRows);
  return out;
}

}  // namespace velkaro
