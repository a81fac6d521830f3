#include "render/polygon_raster.h"

#include <cmath>

namespace velkaro {

namespace {

// A window position as GL places a vertex there: 1/256 pixel, centres on
// whole pixels.
FixedPoint Snapped(WindowPoint w) { return SnapToSubpixels(w.x - 0.5f, w.y - 0.5f); }

// The part of a triangle inside the guard square (Sutherland-Hodgman, one
// side at a time): a convex polygon of up to seven corners; none when the
// triangle lies outside or a corner is not a number.
int ClipToGuard(const WindowPoint (&corners)[3], WindowPoint (&out)[9]) {
  double x[9], y[9], nx[9], ny[9];
  int n = 3;
  for (int k = 0; k < 3; ++k) {
    if (!std::isfinite(corners[k].x) || !std::isfinite(corners[k].y)) return 0;
    x[k] = corners[k].x;
    y[k] = corners[k].y;
  }
  // Each side keeps the points where sign * coordinate <= kGuardPixels.
  for (int side = 0; side < 4 && n > 0; ++side) {
    const bool alongX = side < 2;
    const double sign = side % 2 == 0 ? 1.0 : -1.0;
    auto inside = [&](int k) { return sign * (alongX ? x[k] : y[k]) <= kGuardPixels; };
    int m = 0;
    for (int k = 0; k < n; ++k) {
      const int next = (k + 1) % n;
      if (inside(k)) {
        nx[m] = x[k];
        ny[m] = y[k];
        ++m;
      }
      if (inside(k) != inside(next)) {
        const double from = alongX ? x[k] : y[k], to = alongX ? x[next] : y[next];
        const double t = (sign * kGuardPixels - from) / (to - from);
        nx[m] = x[k] + t * (x[next] - x[k]);
        ny[m] = y[k] + t * (y[next] - y[k]);
        ++m;
      }
    }
    n = m;
    for (int k = 0; k < n; ++k) {
      x[k] = nx[k];
      y[k] = ny[k];
    }
  }
  for (int k = 0; k < n; ++k) out[k] = WindowPoint{static_cast<float>(x[k]), static_cast<float>(y[k])};
  return n;
}

}  // namespace

void PolygonRaster::triangle(const TessVertex& a, const TessVertex& b, const TessVertex& c) {
  if (!view_.active()) return;
  fill(view_.window(a.x, a.y), view_.window(b.x, b.y), view_.window(c.x, c.y));
}

void PolygonRaster::fill(WindowPoint a, WindowPoint b, WindowPoint c) {
  if (WithinGuard(a) && WithinGuard(b) && WithinGuard(c)) {
    const FixedPoint corners[3] = {Snapped(a), Snapped(b), Snapped(c)};
    view_.fillTriangle(colour_, corners);
    return;
  }
  // A triangle reaching far off the tile: its part near the tile, as a fan.
  const WindowPoint whole[3] = {a, b, c};
  WindowPoint part[9];
  const int n = ClipToGuard(whole, part);
  for (int k = 1; k + 1 < n; ++k) {
    const FixedPoint corners[3] = {Snapped(part[0]), Snapped(part[k]), Snapped(part[k + 1])};
    view_.fillTriangle(colour_, corners);
  }
}

}  // namespace velkaro
