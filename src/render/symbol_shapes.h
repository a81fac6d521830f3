#pragma once
// The geometry of the 63 standard map symbols as data: each symbol is a list
// of elements (outlines, lines, circles and arcs, dots, filled
// quadrilaterals) in symbol units, reference point at (0, 0), y north. One
// symbol unit is a ground millimetre at czoom 1 and size 1.00; most symbols
// span about -18000 .. 18000. The display lists are compiled from this
// table (symbols.h), and tests and the symbol sheet read it directly.

#include <array>
#include <vector>

#include "scratch/symbol_names.h"

namespace velkaro {

struct SymbolPoint {
  double x = 0, y = 0;
};

struct SymbolElement {
  enum class Kind {
    Outline,      // closed line loop through points
    Line,         // line segments from point to point
    Arc,          // circle or arc: 16 segments, angles in degrees
    EllipseArc,   // 16 segments on a circle squeezed by ky in y, angles in radians
    Dot,          // filled disc of 16 vertices and radius kDotRadius about points[0]
    FilledQuad,   // four points as one contour through the symbol tessellator
  };
  Kind kind = Kind::Line;
  std::vector<SymbolPoint> points;
  double cx = 0, cy = 0, r = 0, ky = 1, start = 0, end = 0;   // arcs
};

using SymbolShape = std::vector<SymbolElement>;

inline constexpr int kArcSegments = 16;
inline constexpr int kDotVertices = 16;
inline constexpr double kDotRadius = 2000;

// The elements of symbol id (1 .. kSymbolCount); empty for any other id.
SymbolShape SymbolShapeOf(int id);

struct SymbolBox {
  double left = 0, bottom = 0, right = 0, top = 0;
  bool empty = true;
};

// The box around every vertex the symbol draws (arcs as their 16-segment
// strips, dots as their 16-gons).
SymbolBox SymbolBounds(const SymbolShape& shape);

}  // namespace velkaro
