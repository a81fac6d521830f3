#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "render/gl_view.h"
#include "render/line_raster.h"
#include "render/terrain_raster.h"
#include <GL/gl.h>
#include <cmath>
#include "render/vertex_batch.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

using test::TestJob;

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
  const std::vector<Triangle> mesh = TestMesh(west, south, cell, cols, rows);
  const double span = cols * cell;

  auto draw = [&](bool software) {
    auto t = std::make_unique<TestJob>(600, 560, span, span);
    t->job.image.unitsPerPixel = 1.1;
    t->setTile(west - 20, west + span + 20, south - 20, south + span + 20);
    EXPECT_TRUE(OpenView(t->job));
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
    QImage image = t->surface->frame().copy();
    CloseView(t->job);
    return image;
  };
  const QImage gl = draw(false), software = draw(true);
  ASSERT_EQ(gl.size(), software.size());
  int different = 0, covered = 0;
  for (int y = 0; y < gl.height(); ++y)
    for (int x = 0; x < gl.width(); ++x) {
      different += gl.pixel(x, y) != software.pixel(x, y);
      covered += gl.pixel(x, y) != qRgb(255, 255, 255);
    }
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
    auto t = std::make_unique<TestJob>(600, 560, span, span);
    t->job.image.unitsPerPixel = 1.1;
    t->setTile(west, west + span, south, south + span);
    EXPECT_TRUE(OpenView(t->job));
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
    QImage image = t->surface->frame().copy();
    CloseView(t->job);
    return image;
  };
  const QImage gl = draw(false), software = draw(true);
  int different = 0, covered = 0;
  for (int y = 0; y < gl.height(); ++y)
    for (int x = 0; x < gl.width(); ++x) {
      different += gl.pixel(x, y) != software.pixel(x, y);
      covered += gl.pixel(x, y) != qRgb(255, 255, 255);
    }
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
    auto t = std::make_unique<TestJob>(600, 560, span, span);
    t->job.image.unitsPerPixel = 1.1;
    t->setTile(west, west + span, south, south + span);
    EXPECT_TRUE(OpenView(t->job));
    LineRaster raster(t->job);
    raster.setColour(0x0000FF);
    raster.setWidth(3);
    for (const auto& strip : strips) {
      for (const auto& [x, y] : strip) raster.vertex(x, y);
      raster.endStrip();
    }
    raster.flush();
    QImage image = t->surface->frame().copy();
    CloseView(t->job);
    return image;
  };
  auto coveredBy = [](const QImage& image) {
    int covered = 0;
    for (int row = 0; row < image.height(); ++row)
      for (int col = 0; col < image.width(); ++col) covered += image.pixel(col, row) != qRgb(255, 255, 255);
    return covered;
  };
  const double y = south + span / 2 + 0.3, x = west + span / 3 + 0.7;
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  // Along the axes the clipped line is the very same.
  const QImage far = draw({{{west - 1e9, y}, {west + span + 1e9, y}},
                           {{x, south - 1e12}, {x, south + span + 1e12}},
                           {{nan, y}, {west + 10, y + 10}, {inf, -inf}}});
  const QImage near = draw({{{west - 50, y}, {west + span + 50, y}}, {{x, south - 50}, {x, south + span + 50}}});
  EXPECT_GT(coveredBy(near), 600);
  EXPECT_TRUE(far == near);
  // Aslant, far ends are as coarse as GL's single-precision view makes them
  // (metres, a hundred million metres off): the line still crosses the tile
  // as a line of its width, and no product of far corners overflows.
  const QImage farAslant = draw({{{west - 1e8, south - 1e8}, {west + span + 1e8, south + span + 1e8}}});
  const QImage nearAslant = draw({{{west - 50, south - 50}, {west + span + 50, south + span + 50}}});
  EXPECT_GT(coveredBy(nearAslant), 1000);
  EXPECT_GT(coveredBy(farAslant), coveredBy(nearAslant) / 2);
  EXPECT_LT(coveredBy(farAslant), coveredBy(nearAslant) * 2);
}

}  // namespace
}  // namespace velkaro
