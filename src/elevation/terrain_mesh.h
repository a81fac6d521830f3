#pragma once
// The coloured elevation mesh and the hillshade: every quad of neighbouring
// cell centres is split into two triangles along the diagonal that avoids
// its lowest corner; triangles with a corner below the water level are left
// out, so in a flood frame the undrawn area is the water.

#include <cmath>

#include "elevation/auto_legend.h"
#include "elevation/elevation_grid.h"

namespace velkaro {

struct JobContext;

// Corners of a quad: top-left, top-right, bottom-left, bottom-right.
enum QuadCorner { kTL = 0, kTR = 1, kBL = 2, kBR = 3 };

struct QuadSplit {
  int count = 0;              // triangles to draw, 0..2
  QuadCorner tri[2][3];       // in emission order, counter-clockwise seen from above
};

// Splits one quad (corner values in metres) and keeps the triangles whose
// corners all reach the water level.
QuadSplit SplitQuad(double tl, double tr, double bl, double br, double waterLevel);

// Light from direction `houi` (degrees; 0 west, 90 south, 180 east, 270
// north is where shadows fall) at height `height` / 10 degrees, as (east,
// north, up).
struct LightVector {
  double x, y, z;
};
LightVector LightVectorOf(int houi, int height);

// The light of a hillshade with its length worked out once, for the
// millions of triangles of a tile.
class Shading {
 public:
  Shading(const LightVector& light, int shadowMode);
  // Brightness of a triangle (A, B, C) given as (east, north, scaled
  // elevation): -1 for black (flat-land mode, facing away from the light),
  // else the factor 0..1 that scales the class colour.
  double brightness(const double a[3], const double b[3], const double c[3]) const;   // inline, below

 private:
  LightVector light_;
  double length_;
  int mode_;
};

// Inline: the hillshade asks once per triangle, millions of times a tile.
inline double Shading::brightness(const double a[3], const double b[3], const double c[3]) const {
  const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
  const double nn = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  // A degenerate triangle has no facing; it is shaded as if lit edge-on.
  const double cosTheta =
      length_ > 0 && nn > 0 ? (light_.x * n[0] + light_.y * n[1] + light_.z * n[2]) / (length_ * nn) : 0;
  if (mode_ == 0) return cosTheta < 0 ? -1 : 1;
  const double s = (cosTheta + 1) / 2;
  return s < 0.5 ? s * std::sqrt(s) : s;   // s to the power 1.5 in the shade
}

// The same for one triangle.
double ShadeBrightness(const double a[3], const double b[3], const double c[3],
                       const LightVector& light, int shadowMode);

// The current tile's legend from the legend tables (1 m and 0 m by default).
Legend TileLegend(const JobContext& ctx);

}  // namespace velkaro
