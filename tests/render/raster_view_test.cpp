#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <random>
#include <vector>

#include "render/gl_view.h"
#include "render/line_raster.h"
#include "render/polygon_raster.h"
#include "render/colours.h"
#include "render/terrain_raster.h"
#include <GL/gl.h>
#include <cmath>
#include "render/vertex_batch.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

using test::TestJob;

// A 600 x 560 view at 1.1 plane units per pixel over the square of `span`
// from (west, south), widened by `margin` on every side, opened for drawing.
std::unique_ptr<TestJob> OpenSquareView(double west, double south, double span, double margin = 0) {
  auto t = std::make_unique<TestJob>(600, 560, span, span);
  t->job.image.unitsPerPixel = 1.1;
  t->setTile(west - margin, west + span + margin, south - margin, south + span + margin);
  EXPECT_TRUE(OpenView(t->job));
  return t;
}

// What was drawn into the view; the view is closed.
QImage ClosedFrame(TestJob& t) {
  QImage image = t.surface->frame().copy();
  CloseView(t.job);
  return image;
}

// Where a view opened by OpenSquareView puts pixel centres: the plane
// coordinates of the centres of window column and row numbers, to place
// corners on them.
struct PixelCentres {
  double west, south, originX, originY, pixelsPerX, pixelsPerY;

  PixelCentres(double west, double south, double span, double margin = 0) : west(west), south(south) {
    auto t = OpenSquareView(west, south, span, margin);
    const RasterView view(t->job);
    const WindowPoint w0 = view.window(west, south), w1 = view.window(west + 100, south + 100);
    CloseView(t->job);
    originX = w0.x;
    originY = w0.y;
    pixelsPerX = (w1.x - w0.x) / 100.0;
    pixelsPerY = (w1.y - w0.y) / 100.0;
  }
  double planeX(int column) const { return west + (column + 0.5 - originX) / pixelsPerX; }
  double planeY(int row) const { return south + (row + 0.5 - originY) / pixelsPerY; }
};

int CoveredPixels(const QImage& image) {
  int covered = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) covered += image.pixel(x, y) != qRgb(255, 255, 255);
  return covered;
}

int DifferentPixels(const QImage& a, const QImage& b) {
  int different = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) different += a.pixel(x, y) != b.pixel(x, y);
  return different;
}

struct Triangle {
  Colour colour;
  double a[3], b[3], c[3];
};

// A terrain-like mesh in plane metres far from the origin (where floats are
// coarse): a grid of slightly bent rows of about a pixel per cell, each quad
// split along a random diagonal, every triangle in its own colour; then a
// few large triangles of either orientation over it, and slivers.
std::vector<Triangle> TestMesh(double west, double south, double cell, int cols, int rows) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jitter(-0.3, 0.3);
  std::uniform_int_distribution<int> colour(0, 0xFFFFFF);
  std::vector<double> x((cols + 1) * (rows + 1)), y(x.size());
  for (int r = 0; r <= rows; ++r)
    for (int c = 0; c <= cols; ++c) {
      x[r * (cols + 1) + c] = west + (c + jitter(random)) * cell + r * 0.013;
      y[r * (cols + 1) + c] = south + (r + jitter(random)) * cell + c * 0.021;
    }
  // First one triangle far larger than the view, under everything.
  const double far = cols * cell * 10;
  std::vector<Triangle> mesh{{0x336699, {west - far, south - far, 0}, {west + far, south - far, 0}, {west, south + far, 0}}};
  auto add = [&](int i, int j, int k) {
    mesh.push_back({colour(random), {x[i], y[i], 5}, {x[j], y[j], 7}, {x[k], y[k], 9}});
  };
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const int tl = r * (cols + 1) + c, tr = tl + 1, bl = tl + cols + 1, br = bl + 1;
      if (random() & 1) {
        add(tl, bl, tr);
        add(br, tr, bl);
      } else {
        add(bl, br, tl);
        add(tr, tl, br);
      }
    }
  std::uniform_real_distribution<double> anywhere(0, cols * cell);
  for (int i = 0; i < 40; ++i) {
    const double ax = west + anywhere(random), ay = south + anywhere(random);
    const double bx = west + anywhere(random), by = south + anywhere(random);
    const double t = (i % 2) ? 0.05 : 0.6;   // slivers and broad triangles
    mesh.push_back({colour(random), {ax, ay, 0}, {bx, by, 0}, {ax + (by - ay) * t, ay - (bx - ax) * t, 0}});
  }
  return mesh;
}

// The terrain mesh filled by the raster matches GL's own filling of the same
// triangles pixel for pixel. (Where GL clips a triangle at the view's edge,
// the cut moves that triangle's edges by a fraction of 1/256 pixel, so a
// pixel whose centre lies that close to one may go to its neighbour; the
// mesh here stays inside the view, all but the triangle that covers it.)
TEST(TriangleRaster, FillsTheSamePixelsAsGl) {
  const double west = -41234.567, south = -12345.678, cell = 2.9;
  const int cols = 150, rows = 110;
  std::vector<Triangle> mesh = TestMesh(west, south, cell, cols, rows);
  const double span = cols * cell;
  // Then cells whose corners lie on pixel centres, as a mesh's rows can
  // after snapping: their level sides run through a row of centres, which
  // GL gives to the triangle above.
  {
    const PixelCentres centres(west, south, span, 20);
    auto planeX = [&](int column) { return centres.planeX(column); };
    auto planeY = [&](int row) { return centres.planeY(row); };
    std::mt19937 random(3);
    for (int row = 40; row < 300; row += 3)
      for (int column = 40; column < 400; column += 4) {
        const double x0 = planeX(column), x1 = planeX(column + 2), y0 = planeY(row), y1 = planeY(row + 2);
        const Colour below = random() & 0xFFFFFF, above = random() & 0xFFFFFF;
        mesh.push_back({below, {x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}});
        mesh.push_back({above, {x0, y0, 0}, {x1, y1, 0}, {x0, y1, 0}});
      }
  }

  auto draw = [&](bool software) {
    auto t = OpenSquareView(west, south, span, 20);
    if (software) {
      TriangleRaster raster(t->job);
      for (const Triangle& tri : mesh) {
        const FixedPoint corners[3] = {raster.snap(tri.a[0], tri.a[1]), raster.snap(tri.b[0], tri.b[1]),
                                       raster.snap(tri.c[0], tri.c[1])};
        raster.fill(tri.colour, corners);
      }
      raster.flush(mesh.back().colour);
    } else {
      t->surface->beginGL();
      TriangleBatch batch;
      for (const Triangle& tri : mesh) batch.add(tri.colour, tri.a, tri.b, tri.c);
      batch.flush();
    }
    return ClosedFrame(*t);
  };
  const QImage gl = draw(false), software = draw(true);
  ASSERT_EQ(gl.size(), software.size());
  const int different = DifferentPixels(gl, software), covered = CoveredPixels(gl);
  EXPECT_GT(covered, 140000);
  EXPECT_EQ(different, 0);
}

}  // namespace
}  // namespace velkaro

namespace velkaro {
namespace {

// Contour-like strips: short segments in every direction (many shorter than
// a pixel, ends anywhere within their pixels), closed and open, in the two
// widths contours use, and long lines across the view.
struct Strip {
  Colour colour;
  float width;
  std::vector<std::pair<double, double>> points;
};

std::vector<Strip> TestStrips(double west, double south, double span) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<Strip> strips;
  for (int i = 0; i < 300; ++i) {
    Strip s{static_cast<Colour>(random() & 0xFFFFFF), i % 5 == 0 ? 3.0f : 1.0f, {}};
    double x = west + unit(random) * span, y = south + unit(random) * span;
    const double step = i % 3 == 0 ? 0.4 : 3.0;
    for (int k = 0; k < 40; ++k) {
      s.points.emplace_back(x, y);
      const double angle = unit(random) * 6.283185307179586;
      const double length = unit(random) * step;
      x += std::cos(angle) * length;
      y += std::sin(angle) * length;
    }
    strips.push_back(std::move(s));
  }
  for (int i = 0; i < 20; ++i) {
    Strip s{static_cast<Colour>(random() & 0xFFFFFF), 1.0f, {}};
    s.points.emplace_back(west + unit(random) * span, south + unit(random) * span);
    s.points.emplace_back(west + unit(random) * span, south + unit(random) * span);
    strips.push_back(std::move(s));
  }
  return strips;
}

TEST(LineRaster, DrawsAlmostExactlyTheSamePixelsAsGl) {
  const double west = -41234.567, south = -12345.678, span = 420;
  const std::vector<Strip> strips = TestStrips(west + 10, south + 10, span - 20);
  auto draw = [&](bool software) {
    auto t = OpenSquareView(west, south, span);
    if (software) {
      LineRaster raster(t->job);
      for (const Strip& s : strips) {
        raster.setColour(s.colour);
        raster.setWidth(s.width);
        for (const auto& [x, y] : s.points) raster.vertex(x, y);
        raster.endStrip();
      }
      raster.flush();
    } else {
      t->surface->beginGL();
      for (const Strip& s : strips) {
        LineStripBatch batch;
        gcolor(s.colour);
        glLineWidth(s.width);
        for (const auto& [x, y] : s.points) batch.vertex(static_cast<float>(x), static_cast<float>(y));
        batch.endStrip();
        batch.flush();
      }
      glLineWidth(1);
    }
    return ClosedFrame(*t);
  };
  const QImage gl = draw(false), software = draw(true);
  const int different = DifferentPixels(gl, software), covered = CoveredPixels(gl);
  EXPECT_GT(covered, 10000);
  // All but a few pixels in ten thousand: the ones that differ have their
  // centres within a fraction of 1/256 pixel of a segment's side, where GL
  // rounds some segment ends differently than reproduced here.
  EXPECT_LE(different, covered / 5000) << different << " of " << covered;
}

// Source lines run far beyond a tile: a point a billion metres off (or not a
// number at all) is clipped before its fixed-point corners could overflow,
// and what falls on the tile is what the line's near part draws.
TEST(LineRaster, FarAndBrokenPointsAreClippedBeforeDrawing) {
  const double west = -41234.567, south = -12345.678, span = 420;
  auto draw = [&](const std::vector<std::vector<std::pair<double, double>>>& strips) {
    auto t = OpenSquareView(west, south, span);
    LineRaster raster(t->job);
    raster.setColour(0x0000FF);
    raster.setWidth(3);
    for (const auto& strip : strips) {
      for (const auto& [x, y] : strip) raster.vertex(x, y);
      raster.endStrip();
    }
    raster.flush();
    return ClosedFrame(*t);
  };
  const double y = south + span / 2 + 0.3, x = west + span / 3 + 0.7;
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  // Along the axes the clipped line is the very same.
  const QImage far = draw({{{west - 1e9, y}, {west + span + 1e9, y}},
                           {{x, south - 1e12}, {x, south + span + 1e12}},
                           {{nan, y}, {west + 10, y + 10}, {inf, -inf}}});
  const QImage near = draw({{{west - 50, y}, {west + span + 50, y}}, {{x, south - 50}, {x, south + span + 50}}});
  EXPECT_GT(CoveredPixels(near), 600);
  EXPECT_TRUE(far == near);
  // Aslant, far ends are as coarse as GL's single-precision view makes them
  // (metres, a hundred million metres off): the line still crosses the tile
  // as a line of its width, and no product of far corners overflows.
  const QImage farAslant = draw({{{west - 1e8, south - 1e8}, {west + span + 1e8, south + span + 1e8}}});
  const QImage nearAslant = draw({{{west - 50, south - 50}, {west + span + 50, south + span + 50}}});
  EXPECT_GT(CoveredPixels(nearAslant), 1000);
  EXPECT_GT(CoveredPixels(farAslant), CoveredPixels(nearAslant) / 2);
  EXPECT_LT(CoveredPixels(farAslant), CoveredPixels(nearAslant) * 2);
}

// Areas as the layers fill them (GLU tessellation, odd winding): small
// buildings of a few pixels, bigger rings with holes and crossing edges, in
// many colours, filled through GL and by the polygon raster.
TEST(PolygonRaster, FillsTheSamePixelsAsGl) {
  const double west = -41234.567, south = -12345.678, span = 420;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> unit(0, 1);
  struct Area {
    Colour colour;
    std::vector<std::vector<TessVertex>> rings;
  };
  std::vector<Area> areas;
  for (int i = 0; i < 600; ++i) {
    // A turned rectangle of 0.5 to 6 pixels.
    const double cx = west + unit(random) * span, cy = south + unit(random) * span;
    const double w = 0.5 + unit(random) * 6, h = 0.5 + unit(random) * 6, a = unit(random) * 3.14159;
    const double c = std::cos(a), s = std::sin(a);
    std::vector<TessVertex> ring;
    for (const auto& [u, v] : {std::pair{-w, -h}, {w, -h}, {w, h}, {-w, h}})
      ring.push_back(TessVertex{cx + (u * c - v * s) / 2, cy + (u * s + v * c) / 2, 0});
    areas.push_back(Area{static_cast<Colour>(random() & 0xFFFFFF), {ring}});
  }
  const PixelCentres centres(west, south, span);
  auto planeX = [&](int column) { return centres.planeX(column); };
  auto planeY = [&](int row) { return centres.planeY(row); };
  for (int i = 0; i < 300; ++i) {
    // Upright rectangles whose sides run through pixel centres, the ring
    // closed by its first point again as the sources close them: every side
    // is an edge of GL's tie rules.
    const int column = 20 + static_cast<int>(unit(random) * 300), row = 20 + static_cast<int>(unit(random) * 300);
    const double x0 = planeX(column), y0 = planeY(row);
    const double x1 = planeX(column + 1 + static_cast<int>(unit(random) * 5));
    const double y1 = planeY(row + 1 + static_cast<int>(unit(random) * 5));
    std::vector<TessVertex> ring = {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, {x0, y0, 0}};
    if (i % 2) std::reverse(ring.begin(), ring.end());
    areas.push_back(Area{static_cast<Colour>(random() & 0xFFFFFF), {ring}});
  }
  for (int i = 0; i < 30; ++i) {
    // Rings of 5 to 12 points around a centre, some with a hole or a second
    // ring crossing the first.
    Area area{static_cast<Colour>(random() & 0xFFFFFF), {}};
    const double cx = west + unit(random) * span, cy = south + unit(random) * span;
    for (int r = 0; r < 1 + i % 3; ++r) {
      const int n = 5 + static_cast<int>(unit(random) * 8);
      const double radius = (r == 1 ? 8 : 25) + unit(random) * 20;
      const double ox = r == 2 ? 15 : 0;
      std::vector<TessVertex> ring;
      for (int k = 0; k < n; ++k) {
        const double angle = 6.283185307179586 * k / n, reach = radius * (0.6 + 0.4 * unit(random));
        ring.push_back(TessVertex{cx + ox + reach * std::cos(angle), cy + reach * std::sin(angle), 0});
      }
      area.rings.push_back(std::move(ring));
    }
    areas.push_back(std::move(area));
  }
  auto draw = [&](bool software) {
    auto t = OpenSquareView(west, south, span);
    std::vector<std::vector<TessVertex>> records;
    for (const Area& area : areas) records.insert(records.end(), area.rings.begin(), area.rings.end());
    PolygonRaster raster(t->job);
    Tessellator tess = NewPolygonTessellator();
    if (software)
      tess.setSink(&raster);
    else
      t->surface->beginGL();
    size_t next = 0;
    for (const Area& area : areas) {
      if (software)
        raster.setColour(area.colour);
      else
        gcolor(area.colour);
      tess.beginPolygon();
      for (size_t r = 0; r < area.rings.size(); ++r, ++next) {
        tess.beginContour();
        for (TessVertex& v : records[next]) tess.vertex(&v);
        tess.endContour();
      }
      tess.endPolygon();
    }
    return ClosedFrame(*t);
  };
  const QImage gl = draw(false), software = draw(true);
  const int different = DifferentPixels(gl, software), covered = CoveredPixels(gl);
  EXPECT_GT(covered, 20000);
  EXPECT_EQ(different, 0) << different << " of " << covered;
}

// An area reaching far beyond the tile (a big district at a large scale, a
// damaged corner): it is cut a million pixels out before its corners are
// multiplied, so it fills the whole view; a corner that is not a number
// drops its triangles.
TEST(PolygonRaster, FarAndBrokenCornersAreClippedBeforeFilling) {
  const double west = -41234.567, south = -12345.678, span = 420;
  auto t = OpenSquareView(west, south, span);
  const std::array<int, 4> viewport = t->surface->viewport();
  {
    PolygonRaster raster(t->job);
    const double far = 1e8, nan = std::nan("");
    raster.setColour(MakeColour(0, 255, 0));
    raster.triangle({nan, south, 0}, {west + span, south, 0}, {west, south + span, 0});
    raster.setColour(MakeColour(0, 0, 255));
    const TessVertex a{west - far, south - far, 0}, b{west + far, south - far, 0}, c{west + far, south + far, 0},
        d{west - far, south + far, 0};
    raster.triangle(a, b, c);
    raster.triangle(a, c, d);
  }
  const QImage image = ClosedFrame(*t);
  int blue = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) blue += image.pixel(x, y) == qRgb(0, 0, 255);
  EXPECT_EQ(blue, viewport[2] * viewport[3]);
}

}  // namespace
}  // namespace velkaro
