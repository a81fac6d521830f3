#pragma once
// The small geometric primitives layers and map symbols are built from: arcs,
// filled discs and polygons filled through the GLU tessellator. All take map
// units of the current view and draw with the current OpenGL colour.

#include <deque>
#include <memory>

struct GLUtesselator;

namespace velkaro {

// A tessellator vertex record: the coordinates are also the vertex data. The
// tessellator keeps the record's address until its polygon ends.
struct TessVertex {
  double x = 0, y = 0, z = 0;
};

// Where a tessellator's triangles go instead of to GL: each filled triangle
// of a polygon, in the order GL would draw them (fans and strips taken apart
// as GL takes them apart).
class TriangleSink {
 public:
  virtual void triangle(const TessVertex& a, const TessVertex& b, const TessVertex& c) = 0;

 protected:
  ~TriangleSink() = default;
};

// A GLU tessellator with the standard setup: begin, vertex and end callbacks
// emit the triangles, odd winding rule. Intersecting rings get the crossing
// points they need (kept until the polygon ends), so overlapping rings cancel
// out instead of the polygon being dropped.
class Tessellator {
 public:
  Tessellator();
  ~Tessellator();
  Tessellator(Tessellator&&) noexcept;
  Tessellator& operator=(Tessellator&&) noexcept;
  Tessellator(const Tessellator&) = delete;
  Tessellator& operator=(const Tessellator&) = delete;

  void setNonZeroWinding();   // glyph outlines fill by the non-zero rule
  // The triangles of polygons begun from now on go to `sink` (null: to GL).
  void setSink(TriangleSink* sink);
  void beginPolygon();
  void beginContour();
  void vertex(TessVertex* record);
  void endContour();
  void endPolygon();
  bool polygonOpen() const { return polygonOpen_; }
  bool contourOpen() const { return contourOpen_; }
  GLUtesselator* handle() const { return tess_; }

  // What GLU hands back to the callbacks while a polygon is tessellated.
  struct PolygonOutput;

 private:
  GLUtesselator* tess_ = nullptr;
  std::unique_ptr<PolygonOutput> output_;   // the polygon data GLU hands back
  bool polygonOpen_ = false;
  bool contourOpen_ = false;
};

Tessellator NewPolygonTessellator();

// A line strip of n + 1 vertices on the circle of radius r around (cx, cy)
// from startDeg to endDeg (degrees); nothing when n < 0.
void Arc(int n, double cx, double cy, double r, double startDeg, double endDeg);
// The same on an ellipse squeezed by ky in y, the angles in radians.
void EllipseArc(int n, double cx, double cy, double r, double ky, double startRad, double endRad);
// A filled regular polygon of n vertices on the circle.
void Disc(int n, double cx, double cy, double r);

}  // namespace velkaro
