#include "elevation/terrain_mesh.h"

#include <algorithm>
#include <cmath>

#include "job/job_context.h"

namespace velkaro {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

QuadSplit SplitQuad(double tl, double tr, double bl, double br, double water) {
  QuadCorner lowest = kTL;
  double low = tl;
  if (bl <= low) lowest = kBL, low = bl;
  if (tr < low) lowest = kTR, low = tr;
  if (br < low) lowest = kBR, low = br;
  QuadSplit s;
  auto add = [&s](QuadCorner a, QuadCorner b, QuadCorner c) {
    s.tri[s.count][0] = a;
    s.tri[s.count][1] = b;
    s.tri[s.count][2] = c;
    ++s.count;
  };
  if (lowest == kTL || lowest == kBR) {   // diagonal TR-BL
    if (tr < water || bl < water) return s;
    if (tl >= water) add(kTL, kBL, kTR);
    if (br >= water) add(kBR, kTR, kBL);
  } else {                                // diagonal TL-BR
    if (tl < water || br < water) return s;
    if (bl >= water) add(kBL, kBR, kTL);
    if (tr >= water) add(kTR, kTL, kBR);
  }
  return s;
}

LightVector LightVectorOf(int houi, int height) {
  const double h = houi * kPi / 180, e = height / 10.0 * kPi / 180;
  return LightVector{std::cos(h), std::sin(h), std::tan(e)};
}

Shading::Shading(const LightVector& light, int shadowMode)
    : light_(light),
      length_(std::sqrt(light.x * light.x + light.y * light.y + light.z * light.z)),
      mode_(shadowMode) {}

double ShadeBrightness(const double a[3], const double b[3], const double c[3],
                       const LightVector& light, int shadowMode) {
  return Shading(light, shadowMode).brightness(a, b, c);
}

Legend TileLegend(const JobContext& ctx) {
  const size_t index = static_cast<size_t>(ctx.tile.row) * std::max(ctx.grid.cols, 1) + ctx.tile.col;
  Legend legend;
  if (index < ctx.legendIntervalM.size()) legend.interval = ctx.legendIntervalM[index];
  if (index < ctx.legendBottomM.size()) legend.bottom = ctx.legendBottomM[index];
  return legend;
}

}  // namespace velkaro
