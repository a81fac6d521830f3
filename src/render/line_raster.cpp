#include "render/line_raster.h"

#include <algorithm>
#include <cmath>

namespace velkaro {

namespace {

float Sign(float v) { return v < 0 ? -1.0f : 1.0f; }
float Fraction(float v) { return v - std::floor(v); }

// Where a segment's quad starts and ends along the major axis: an end point
// whose pixel the line leaves through the pixel's inscribed diamond is
// drawn, one it does not leave that way is not; the quad's end is moved by
// up to half a pixel to say so.
struct EndShifts {
  float startMajor = 0, startMinor = 0, endMajor = 0, endMinor = 0;
  bool swapped = false;
};

// Shifts for a line mostly along x (|dx| >= |dy|), major = x.
EndShifts XMajorShifts(WindowPoint v1, WindowPoint v2) {
  const float dx = v1.x - v2.x, dy = v1.y - v2.y;
  const float slope = dy / dx;
  const float x1diff = v1.x - std::floor(v1.x) - 0.5f;
  const float y1diff = v1.y - std::floor(v1.y) - 0.5f;
  const float x2diff = v2.x - std::floor(v2.x) - 0.5f;
  float y2diff = v2.y - std::floor(v2.y) - 0.5f;
  if (y2diff == -0.5f && dy < 0) y2diff = 0.5f;

  bool drawStart;
  if (std::fabs(x1diff) + std::fabs(y1diff) < 0.5f) {
    drawStart = true;
  } else if (Sign(x1diff) == Sign(-dx)) {
    drawStart = false;
  } else if (Sign(-y1diff) != Sign(dy)) {
    drawStart = true;
  } else {
    const float crossing = Fraction(v1.y) + x1diff * slope;
    drawStart = crossing < 1.0f && crossing > 0.0f;
  }
  bool drawEnd;
  if (std::fabs(x2diff) + std::fabs(y2diff) < 0.5f) {
    drawEnd = false;
  } else if (Sign(x2diff) != Sign(-dx)) {
    drawEnd = false;
  } else if (Sign(-y2diff) == Sign(dy)) {
    drawEnd = true;
  } else {
    const float crossing = Fraction(v2.y) + x2diff * slope;
    drawEnd = crossing < 1.0f && crossing > 0.0f;
  }
  const bool drawsStart = Sign(-x1diff) != Sign(dx);
  const bool drawsEnd = Sign(x2diff) == Sign(-dx) || x2diff == 0;

  EndShifts s;
  if (dx < 0) {   // v1 left of v2: the quad runs from v2
    s.swapped = true;
    if (drawsStart != drawStart) {
      s.endMajor = -x1diff - 0.5f;
      s.endMinor = s.endMajor * slope;
    }
    if (drawsEnd != drawEnd) {
      s.startMajor = -x2diff - 0.5f;
      s.startMinor = s.startMajor * slope;
    }
  } else {
    if (drawsStart != drawStart) {
      s.startMajor = -x1diff + 0.5f;
      s.startMinor = s.startMajor * slope;
    }
    if (drawsEnd != drawEnd) {
      s.endMajor = -x2diff + 0.5f;
      s.endMinor = s.endMajor * slope;
    }
  }
  return s;
}

// Shifts for a line mostly along y, major = y.
EndShifts YMajorShifts(WindowPoint v1, WindowPoint v2) {
  const float dx = v1.x - v2.x, dy = v1.y - v2.y;
  const float slope = dx / dy;
  const float x1diff = v1.x - std::floor(v1.x) - 0.5f;
  const float y1diff = v1.y - std::floor(v1.y) - 0.5f;
  float x2diff = v2.x - std::floor(v2.x) - 0.5f;
  const float y2diff = v2.y - std::floor(v2.y) - 0.5f;
  if (x2diff == -0.5f && dx < 0) x2diff = 0.5f;

  bool drawStart;
  if (std::fabs(x1diff) + std::fabs(y1diff) < 0.5f) {
    drawStart = true;
  } else if (Sign(-y1diff) == Sign(dy)) {
    drawStart = false;
  } else if (Sign(x1diff) != Sign(-dx)) {
    drawStart = true;
  } else {
    const float crossing = Fraction(v1.x) + y1diff * slope;
    drawStart = crossing < 1.0f && crossing > 0.0f;
  }
  bool drawEnd;
  if (std::fabs(x2diff) + std::fabs(y2diff) < 0.5f) {
    drawEnd = false;
  } else if (Sign(-y2diff) != Sign(dy)) {
    drawEnd = false;
  } else if (Sign(x2diff) == Sign(-dx)) {
    drawEnd = true;
  } else {
    const float crossing = Fraction(v2.x) + y2diff * slope;
    drawEnd = crossing < 1.0f && crossing >= 0.0f;
  }
  const bool drawsStart = Sign(y1diff) == Sign(dy);
  const bool drawsEnd = Sign(-y2diff) == Sign(dy) || y2diff == 0;

  EndShifts s;
  if (dy > 0) {   // the quad runs from v2
    s.swapped = true;
    if (drawsStart != drawStart) {
      s.endMajor = -y1diff + 0.5f;
      s.endMinor = s.endMajor * slope;
    }
    if (drawsEnd != drawEnd) {
      s.startMajor = -y2diff + 0.5f;
      s.startMinor = s.startMajor * slope;
    }
  } else {
    if (drawsStart != drawStart) {
      s.startMajor = -y1diff - 0.5f;
      s.startMinor = s.startMajor * slope;
    }
    if (drawsEnd != drawEnd) {
      s.endMajor = -y2diff - 0.5f;
      s.endMinor = s.endMajor * slope;
    }
  }
  return s;
}

}  // namespace

void LineRaster::segment(WindowPoint v1, WindowPoint v2) {
  const float dx = v1.x - v2.x, dy = v1.y - v2.y;
  if (dx * dx + dy * dy == 0) return;
  const int64_t halfWidth = halfWidth_;
  FixedPoint q[4];
  if (std::fabs(dx) >= std::fabs(dy)) {
    const EndShifts s = XMajorShifts(v1, v2);
    const WindowPoint a = s.swapped ? v2 : v1, b = s.swapped ? v1 : v2;
    const FixedPoint start = SnapToSubpixels(a.x + s.startMajor - 0.5f, a.y + s.startMinor - 0.5f);
    const FixedPoint end = SnapToSubpixels(b.x + s.endMajor - 0.5f, b.y + s.endMinor - 0.5f);
    q[0] = {start.x, start.y - halfWidth};
    q[1] = {end.x, end.y - halfWidth};
    q[2] = {end.x, end.y + halfWidth};
    q[3] = {start.x, start.y + halfWidth};
  } else {
    const EndShifts s = YMajorShifts(v1, v2);
    const WindowPoint a = s.swapped ? v2 : v1, b = s.swapped ? v1 : v2;
    const FixedPoint start = SnapToSubpixels(a.x + s.startMinor - 0.5f, a.y + s.startMajor - 0.5f);
    const FixedPoint end = SnapToSubpixels(b.x + s.endMinor - 0.5f, b.y + s.endMajor - 0.5f);
    q[0] = {start.x - halfWidth, start.y};
    q[1] = {end.x - halfWidth, end.y};
    q[2] = {end.x + halfWidth, end.y};
    q[3] = {start.x + halfWidth, start.y};
  }
  view_.fillQuad(colour_, q);
}

void LineRaster::setWidth(float width) {
  // Whole pixels, at least one, as GL widens lines.
  halfWidth_ = std::max<int64_t>(std::lrint(std::max(width, 1.0f)), 1) * kSubpixels / 2;
}

namespace {

// The part of the segment from a to b inside the guard square (Liang-Barsky),
// false when none is (or a point is not a number).
bool ClipToGuard(WindowPoint& a, WindowPoint& b) {
  const double ax = a.x, ay = a.y, dx = double(b.x) - ax, dy = double(b.y) - ay;
  if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(dx) || !std::isfinite(dy)) return false;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax + kGuardPixels, kGuardPixels - ax, ay + kGuardPixels, kGuardPixels - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  if (t1 < 1) b = WindowPoint{static_cast<float>(ax + t1 * dx), static_cast<float>(ay + t1 * dy)};
  if (t0 > 0) a = WindowPoint{static_cast<float>(ax + t0 * dx), static_cast<float>(ay + t0 * dy)};
  return true;
}

}  // namespace

void LineRaster::endStrip() {
  if (view_.active()) {
    for (size_t i = 1; i < strip_.size(); ++i) {
      WindowPoint a = strip_[i - 1], b = strip_[i];
      if ((WithinGuard(a) && WithinGuard(b)) || ClipToGuard(a, b)) segment(a, b);
    }
    any_ = any_ || strip_.size() >= 2;
  }
  strip_.clear();
}

void LineRaster::flush() {
  if (any_) view_.handBackToGl(colour_);
}

}  // namespace velkaro
