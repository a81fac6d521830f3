#include "render/map_furniture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "elevation/terrain_mesh.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "job/tile_grid.h"
#include "render/furniture_messages.h"
#include "render/gl_view.h"
#include "render/painter_drawer.h"
#include "render/render_surface.h"

namespace velkaro {

namespace msg = furniture_messages;

namespace {

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;

int T(double v) { return static_cast<int>(std::trunc(v)); }

std::string Format(const char* format, double value) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The first `count` characters (code points) of UTF-8 text.
std::string FirstCharacters(std::string_view text, int count) {
  size_t i = 0;
  for (int c = 0; c < count && i < text.size(); ++c) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return std::string(text.substr(0, i));
}

const char* FixedFormat(int decimals) {
  return decimals <= 0 ? "%1.0f" : decimals == 1 ? "%1.1f" : "%1.2f";
}

// Decimals shown for a legend value by the two digits after its point.
int DecimalsOf(double value) {
  const std::string text = Format("%0.2f", value);
  const std::string digits = text.size() >= 2 ? text.substr(text.size() - 2) : "00";
  if (digits == "00") return 0;
  if (digits[1] == '0') return 1;
  return 2;
}

// Everything the furniture steps share.
struct Layout {
  JobContext& job;
  PainterDrawer& d;
  double W, H;
  double mapLeft, mapRight, mapTop, mapBottom;
  bool still;
  bool latLon;
  double unitScale;
};

void SetFont(PainterDrawer& d, int cellHeight) {
  FontSpec font;
  font.face = kFacePMincho;
  font.sizeKind = FontSizeKind::CellHeight;
  font.size = std::max(cellHeight, 1);
  d.setFont(font);
}

void Line(PainterDrawer& d, int x1, int y1, int x2, int y2) {
  d.moveTo(x1, y1);
  d.lineTo(x2, y2);
}

void PaintMargins(Layout& l) {
  PainterDrawer& d = l.d;
  const int W = T(l.W), H = T(l.H);
  d.setBrush(kWhite);
  d.fillRect(0, 0, T(l.mapLeft), H);
  d.fillRect(0, 0, W, T(l.mapTop));
  d.fillRect(T(l.mapRight), 0, W, H);
  d.fillRect(0, T(l.mapBottom), W, H);
  d.setTextColour(kBlack);
  d.setPen(kBlack, 1);
  d.setTransparentBackground(true);
}

std::string EdgeText(const Layout& l, double edge) {
  return l.latLon ? Format("%0.6f", edge) : Format("%0.0f", edge / l.unitScale);
}

void DrawCornerCoordinates(Layout& l) {
  const JobSettings& s = l.job.settings;
  const int row = T(l.H) / 40;
  std::string zone;
  if (s.zahyokei >= 0 && s.zahyokei < kZoneEntryCount)
    zone = FirstCharacters(kZoneEntries[s.zahyokei], l.latLon ? 5 : 6);
  const CurrentTile& t = l.job.tile;
  l.d.textOut(3, row * 3, zone);
  l.d.textOut(3, row * 4, msg::kEast + EdgeText(l, t.east));
  l.d.textOut(3, row * 5, msg::kWest + EdgeText(l, t.west));
  l.d.textOut(3, row * 6, msg::kSouth + EdgeText(l, t.south));
  l.d.textOut(3, row * 7, msg::kNorth + EdgeText(l, t.north));
}

void DrawScaleBar(Layout& l) {
  const CurrentTile& t = l.job.tile;
  if (l.latLon && !(t.north - t.south < 3)) return;
  const DrawingConstants& k = l.job.constants;
  const double B = k.scaleBarStart, S = k.scaleBarUnit, upp = l.job.image.unitsPerPixel;
  const int N = k.scaleBarCount;
  if (!(S > 0) || N <= 0 || !(upp > 0)) return;
  auto x = [&](double v) { return T(v / upp); };
  PainterDrawer& d = l.d;
  const int y1 = T(l.mapBottom + l.H / 30), y2 = T(l.mapBottom + l.H / 25);
  Line(d, x(B), y1, x(B + N * S), y1);
  Line(d, x(B), y2, x(B + N * S), y2);
  for (int i = 1; i <= 5; ++i) Line(d, x(B + i * S / 10), y1, x(B + i * S / 10), y2);
  for (int i = 0; i <= N; ++i) Line(d, x(B + i * S), y1, x(B + i * S), y2);
  const int textY = T(l.mapBottom + l.H / 30 - d.textHeight("0"));
  d.textOut(x(B) - d.textWidth("0") / 2, textY, "0");
  const double metres = l.latLon ? N * S * kMetresPerEquatorDegree : N * S / l.unitScale;
  d.textOut(x(B + N * S) - d.textWidth(ScaleBarNumber(metres)), textY, ScaleBarLabel(metres));
}

void DrawNorthArrow(Layout& l) {
  PainterDrawer& d = l.d;
  const double W = l.W, H = l.H, a = l.mapLeft - 0.02 * W;
  Line(d, T(a), T(0.45 * H), T(a), T(0.55 * H));
  Line(d, T(l.mapLeft - 0.015 * W), T(0.5 * H), T(l.mapLeft - 0.025 * W), T(0.5 * H));
  d.moveTo(T(l.mapLeft - 0.017 * W), T(0.47 * H));
  d.lineTo(T(a), T(0.45 * H));
  d.lineTo(T(l.mapLeft - 0.023 * W), T(0.47 * H));
  d.textOut(T(a - d.textWidth(msg::kNorth) * 0.5 + 0.5), T(0.43 * H), msg::kNorth);
}

std::string DatumText(const JobContext& job) {
  return msg::kDatumPrefix + Format("%0.2fm", job.datumOffset);
}

void DrawLightDial(Layout& l) {
  PainterDrawer& d = l.d;
  const double W = l.W, H = l.H;
  d.textOut(T(l.mapLeft - 0.09 * W), T(0.23 * H), msg::kLightDial);
  // The unfilled circle inside its box, as a closed polygon.
  const double left = T(l.mapLeft - 0.04 * W), right = T(l.mapLeft - 0.02 * W);
  const double top = T(0.25 * H - 0.01 * W), bottom = T(0.25 * H + 0.01 * W);
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double rx = (right - left) / 2, ry = (bottom - top) / 2;
  constexpr int kSegments = 48;
  d.moveTo(T(cx + rx), T(cy));
  for (int i = 1; i <= kSegments; ++i) {
    const double a = 2 * M_PI * i / kSegments;
    d.lineTo(static_cast<int>(std::lround(cx + rx * std::cos(a))),
             static_cast<int>(std::lround(cy + ry * std::sin(a))));
  }
  const double theta = l.job.settings.houi * M_PI / 180;
  d.setPenWidth(3);
  Line(d, T(l.mapLeft - 0.03 * W), T(0.25 * H), T(l.mapLeft - (3 + std::cos(theta)) * 0.01 * W),
       T(std::sin(theta) * 0.01 * W + 0.25 * H));
  d.setPenWidth(1);
}

struct LegendGeometry {
  double L = 0, hb = 0;
  int n = 1, c0 = 0;
  Legend legend;
};

LegendGeometry LegendGeometryOf(const Layout& l) {
  LegendGeometry g;
  g.n = std::max(l.job.legendSteps, 1);
  g.legend = TileLegend(l.job);
  g.L = (l.still ? 0.05 : 0.07) * l.H;
  g.hb = std::min((l.H / 3) / g.n, l.H / 48);
  if (l.job.settings.size < 3) g.hb *= 0.7;
  if (!l.still && g.legend.interval > 0) {
    const double c = std::trunc((l.job.waterLevel - g.legend.bottom) / g.legend.interval + 1.000001);
    g.c0 = static_cast<int>(std::clamp(c, 0.0, static_cast<double>(g.n + 1)));
  }
  return g;
}

void DrawLegendBoxes(Layout& l, const LegendGeometry& g) {
  PainterDrawer& d = l.d;
  const JobSettings& s = l.job.settings;
  const double W = l.W;
  const bool mountains = s.shadow && s.shadowmd == 1;
  for (int k = g.c0; k <= g.n; ++k) {
    const int bottom = T(l.H - k * g.hb - g.L), top = T(l.H - (k + 1) * g.hb - g.L);
    if (!mountains) {
      d.setBrush(rgb(k, g.n, 1.0f, s.iro));
      d.fillRect(T(l.mapLeft - 0.08 * W), top, T(l.mapLeft - 0.05 * W), bottom);
      continue;
    }
    for (int v = 0; v < 16; ++v) {
      d.setBrush(rgb(k, g.n, static_cast<float>(v / 30.0 + 0.5), s.iro));
      d.fillRect(T(l.mapLeft - (0.052 + 0.002 * v) * W), top, T(l.mapLeft - (0.05 + 0.002 * v) * W), bottom);
    }
  }
}

// A black triangle pointing at the boxes at row y.
void DrawLabelPointer(Layout& l, double y) {
  PainterDrawer& d = l.d;
  const double W = l.W, H = l.H;
  const int tipX = T(l.mapLeft - 0.05 * W), baseX = T(l.mapLeft - 0.047 * W);
  const int top = T(y - 0.002 * H), bottom = T(y + 0.002 * H);
  d.setPenColour(kBlack);
  d.moveTo(tipX, T(y));
  d.lineTo(baseX, top);
  d.lineTo(baseX, bottom);
  d.lineTo(tipX, T(y));
  d.setBrush(kBlack);
  // Filled only when the seed lies inside the outline: a seed outside a
  // triangle too small to enclose it would flood the whole margin.
  const int seedX = T(l.mapLeft - 0.047 * W - 1), seedY = T(y);
  if (seedX > tipX && seedX < baseX && seedY > top && seedY < bottom) d.floodFill(seedX, seedY, kBlack);
}

void DrawLegendLabels(Layout& l, const LegendGeometry& g) {
  PainterDrawer& d = l.d;
  const double interval = g.legend.interval, bottom = g.legend.bottom;
  if (!(interval > 0)) return;
  const LegendLabelPlan plan = PlanLegendLabels(g.n, interval, bottom);
  if (!(plan.step > 0)) return;
  const char* format = FixedFormat(plan.decimals);
  const double waterLevel = l.still ? -1e300 : l.job.waterLevel;
  const double half = d.textHeight("0") * 0.5;
  for (long i = 0; i <= 100000; ++i) {
    const double v = plan.first - i * plan.step;
    if (!(v + 1e-10 >= bottom && v + 1e-10 >= waterLevel)) break;
    const double y = l.H - (g.hb / interval) * (v - bottom) - g.L - g.hb;
    DrawLabelPointer(l, y);
    d.textOut(T(l.mapLeft - 0.043 * l.W), T(y - half), Format(format, v));
  }
}

void DrawDatumMark(Layout& l, const LegendGeometry& g) {
  const double D = l.job.datumOffset, I = g.legend.interval, B = g.legend.bottom;
  if (g.n < 2 || !(I > 0) || !(B - I <= D && D <= g.n * I + B)) return;
  PainterDrawer& d = l.d;
  const int yD = T(l.H - (D - B) * g.hb / I - g.hb - g.L);
  Line(d, T(l.mapLeft - 0.11 * l.W), yD, T(l.mapLeft - 0.08 * l.W), yD);
  d.textOut(T(l.mapLeft - 0.11 * l.W), yD - d.textHeight("T"), msg::kDatumMark);
}

void DrawCaptions(Layout& l, const LegendGeometry& g) {
  JobContext& job = l.job;
  PainterDrawer& d = l.d;
  const JobSettings& s = job.settings;
  if (s.type == kOutputAnimation) {
    d.textOut(3, T(l.H - 0.05 * l.H), Format(msg::kWaterLevelFormat, job.waterLevel));
    const long dry = job.surface->tile().dryTriangleCount;
    if (job.baselineDryCount == 0) job.baselineDryCount = dry;
    const double area = static_cast<double>(job.baselineDryCount - dry) * job.elevation.floodCellArea;
    d.textOut(3, T(l.H - 0.03 * l.H), FloodAreaCaption(area));
  } else if (s.anyContourClass()) {
    d.textOut(3, T(l.H - 0.03 * l.H), ContourCaption(g.legend.interval, s.taisyo, s.syoryaku));
  }
}

void DrawLegend(Layout& l) {
  const JobSettings& s = l.job.settings;
  PainterDrawer& d = l.d;
  if (s.anyMeshClass() && s.shadow) DrawLightDial(l);
  const LegendGeometry g = LegendGeometryOf(l);
  DrawLegendBoxes(l, g);
  d.setTransparentBackground(true);
  d.textOut(T(l.mapLeft - 0.09 * l.W), T(l.H - (g.n + 1) * g.hb - g.L - d.textHeight("標")),
            msg::kElevationLegend);
  d.textOut(3, T(l.H - g.L), DatumText(l.job));
  DrawLegendLabels(l, g);
  DrawDatumMark(l, g);
  DrawCaptions(l, g);
}

// A label cut by the image edge would show another number ("-500" for
// "-5000"), so a box that does not fit whole is not drawn.
bool FitsInImage(const Layout& l, int left, int top, int width, int height) {
  return left >= 0 && top >= 0 && left + width <= T(l.W) && top + height <= T(l.H);
}

double TickStep(const Layout& l) {
  const CurrentTile& t = l.job.tile;
  double step = l.latLon ? 5.0 : 500000.0 * l.unitScale;
  static constexpr double kDivisors[3] = {2.5, 2, 2};
  // A bounded loop: an empty tile width must not spin forever.
  for (int i = 0; i < 200 && (t.east - t.west) / step < 3; ++i) step /= kDivisors[i % 3];
  return step;
}

void DrawBorderTicks(Layout& l) {
  JobContext& job = l.job;
  PainterDrawer& d = l.d;
  const CurrentTile& t = job.tile;
  const double step = TickStep(l);
  if (!(step > 0)) return;
  const double labelScale = l.latLon ? 1.0 : l.unitScale;
  d.setTextColour(kBlack);
  d.setPen(kBlack, 1);
  const int top = T(l.mapTop), bottom = T(l.mapBottom), left = T(l.mapLeft), right = T(l.mapRight);

  const int tEW = d.textHeight("1");
  const double firstE = std::floor(t.west / step + 0.99999999) * step;
  for (long i = 0; i < 100000; ++i) {
    const double v = firstE + i * step;
    if (!(v <= t.east + 1e-8)) break;
    const int x = T(PixelX(job, v));
    const std::string label = CoordinateLabel(v / labelScale);
    if (FitsInImage(l, x, top - tEW, d.textWidth(label), tEW)) d.textOut(x, top - tEW, label);
    Line(d, x, top, x, top - tEW / 3);
    Line(d, x, bottom, x, bottom + tEW / 3);
  }

  d.setEscapement(900);
  const int tNS = d.textHeight("3");
  const double firstN = std::floor(t.south / step + 0.999999999) * step;
  for (long i = 0; i < 100000; ++i) {
    const double v = firstN + i * step;
    if (!(v <= t.north + 1e-8)) break;
    const int y = T(PixelY(job, v));
    const std::string label = CoordinateLabel(v / labelScale);
    // Running upwards from (right, y): textWidth above y, one text height
    // to the right of the map.
    const int width = d.textWidth(label);
    if (t.north - width * job.image.unitsPerPixel >= v && FitsInImage(l, right, y - width, tNS, width))
      d.textOut(right, y, label);
    Line(d, right, y, right + tNS / 3, y);
    Line(d, left, y, left - tNS / 3, y);
  }
  d.setEscapement(0);
}

void DrawTitle(Layout& l) {
  JobContext& job = l.job;
  PainterDrawer& d = l.d;
  const int H = T(l.H);
  SetFont(d, job.settings.size <= 3 ? H / 43 : H / 30);
  std::string title = job.settings.namae;
  if (job.grid.count() > 1)
    title += rowst(job.tile.row, "_", job.grid.rows) + colst(job.tile.col, job.grid.cols);
  // Transparent, so that the title stays readable whatever brush the
  // legend left behind.
  d.setTransparentBackground(true);
  d.setTextColour(kBlack);
  d.textOut(3, H / 20 - d.textHeight("あ"), title);
  d.textOut(T(0.97 * l.W - d.textWidth(title)), T(0.95 * l.H), title);
}

void DrawMapFrame(Layout& l) {
  PainterDrawer& d = l.d;
  d.setPen(kBlack, 1);
  const int left = T(l.mapLeft), right = T(l.mapRight), top = T(l.mapTop), bottom = T(l.mapBottom);
  d.moveTo(left, bottom);
  d.lineTo(left, top);
  d.lineTo(right, top);
  d.lineTo(right, bottom);
  d.lineTo(left, bottom);
}

}  // namespace

std::string ScaleBarNumber(double metres) {
  const std::string label = ScaleBarLabel(metres);
  return label.substr(0, label.find_first_not_of("-0123456789."));
}

std::string ScaleBarLabel(double metres) {
  // The bar's own length: a bar of 1,100 m reads "1.1km", never "1km".
  const bool km = metres >= 1000;
  std::string text = Format("%.3f", km ? metres / 1000 : metres);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text + (km ? "km" : "m");
}

LegendLabelPlan PlanLegendLabels(int steps, double interval, double bottom) {
  LegendLabelPlan plan;
  const int n = std::max(steps, 1);
  if (n >= 17) {
    const double r = n * interval / 16;
    const double e = std::floor(std::log10(r));
    const double unit = std::pow(10.0, e);
    const double m = std::ceil(r / unit);
    plan.step = unit * (m <= 1 ? 1 : m == 2 ? 2 : m <= 5 ? 5 : 10);
    plan.first = std::floor(((n - 1) * interval + bottom) / plan.step + 1e-7) * plan.step;
    plan.decimals = plan.step < 0.1 ? 2 : plan.step < 1 ? 1 : 0;
  } else {
    plan.step = interval;
    plan.first = (n - 1) * interval + bottom;
    plan.decimals = DecimalsOf(interval);
    if (plan.decimals == 0) plan.decimals = DecimalsOf(bottom);
  }
  return plan;
}

std::string ContourCaption(double interval, int taisyo, int syoryaku) {
  std::string text = Format(msg::kContourIntervalFormat, interval);
  auto dropSuffix = [&](std::string_view suffix) {
    if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
      text.resize(text.size() - suffix.size());
  };
  dropSuffix("0");
  dropSuffix(".0");
  text += "m";
  if (taisyo != kContoursAll) {
    const char* choice = taisyo == kContoursOutsideDepressions ? msg::kOutsideDepressions
                         : taisyo == kContoursDepressionsOnly  ? msg::kDepressionsOnly
                         : taisyo == kDepressionAreas          ? msg::kDepressionAreas
                                                               : nullptr;
    if (choice) text += std::string(" ") + choice;
  }
  if (syoryaku >= 1 && syoryaku <= 13)
    text += " " + std::to_string(1L << (syoryaku + 2)) + msg::kShortLineSuffix;
  return text;
}

std::string FloodAreaCaption(double squareMetres) {
  const std::string digits = Format("%0.0f", std::fabs(squareMetres));
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  if (squareMetres <= -0.5) grouped.insert(0, "-");
  return msg::kFloodAreaPrefix + grouped + msg::kSquareMetres;
}

std::string CoordinateLabel(double value) {
  std::string text = Format("%.12g", value);
  if (text == "-0") text = "0";
  return text;
}

void DrawFurniture(JobContext& job) {
  if (!job.runFlag || !job.surface) return;
  const JobSettings& s = job.settings;
  if (s.type == kOutputGeoTiff) return;
  const PixelRectF map = MapRect(job);
  Layout l{job,          job.surface->drawer(),
           static_cast<double>(job.image.width), static_cast<double>(job.image.height),
           map.left,     map.right,
           map.top,      map.bottom,
           s.type != kOutputAnimation,  job.coords.latLonMode,
           job.coords.unitScale > 0 ? job.coords.unitScale : 1.0};
  PainterDrawer& d = l.d;

  PaintMargins(l);
  const int H = job.image.height;
  SetFont(d, s.size <= 3 ? H / 75 : H / 50);
  d.setEscapement(0);
  DrawCornerCoordinates(l);
  DrawScaleBar(l);
  DrawNorthArrow(l);
  if (l.still) d.textOut(3, T(l.H - 0.05 * l.H), DatumText(job));
  if (s.anyMeshClass() || s.anyContourClass()) {
    // A still tile without elevation data has no legend to show: a note
    // stands in its place.
    if (l.still && !job.elevGrid.hasData(job.datumOffset))
      d.textOut(T(l.mapLeft - 0.09 * l.W), T(l.H - 0.05 * l.H - d.textHeight("標")), msg::kNoElevationData);
    else
      DrawLegend(l);
  }
  DrawBorderTicks(l);
  DrawTitle(l);
  DrawMapFrame(l);
}

}  // namespace velkaro
