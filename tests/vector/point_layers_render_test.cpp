// Real-layout point files (FGD ElevPt and GCP as GSI writes them) go through
// their readers into scratch files and through the drawing passes onto a
// tile; the drawn marks are compared with the points' pixels computed
// independently (PROJ and the tile's pixel mapping).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "gml_test_support.h"
#include "render/gl_view.h"
#include "render/layer_drawing.h"
#include "render/render_surface.h"
#include "render/symbols.h"
#include "vector/gml_readers.h"
#include "vector/reader_request.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_vector";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

// A point feature line by line as in the GSI files (CR LF, column 0).
std::string PointFeature(const std::string& element, const std::string& id, LatLon p, const std::string& level,
                         const std::string& attributes) {
  char pos[64];
  std::snprintf(pos, sizeof pos, "%.9f %.9f", p.lat, p.lon);
  return "<" + element + " gml:id=\"" + id + "\">\r\n<fid>fgoid:10-00200-11-6" + id + "</fid>\r\n" +
         "<lfSpanFr gml:id=\"" + id + "-1\">\r\n<gml:timePosition>2016-10-01</gml:timePosition>\r\n</lfSpanFr>\r\n" +
         "<orgGILvl>" + level + "</orgGILvl>\r\n<pos>\r\n<gml:Point gml:id=\"" + id +
         "-g\" srsName=\"fguuid:jgd2011.bl\">\r\n<gml:pos>" + pos + "</gml:pos>\r\n</gml:Point>\r\n</pos>\r\n" +
         attributes + "</" + element + ">\r\n";
}

std::string Document(const std::string& features) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
         "<Dataset xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema FGD_GMLSchema.xsd\" \r\n"
         "\txmlns:gml=\"http://www.opengis.net/gml/3.2\" \r\n"
         "\tgml:id=\"Dataset1\">\r\n"
         "  <gml:description>基盤地図情報メタデータ ID=fmdid:15-3101</gml:description>\r\n"
         "  <gml:name>基盤地図情報ダウンロードデータ（GML版）</gml:name>\r\n" +
         features + "</Dataset>\r\n";
}

struct Ink {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  long count = 0;
  double sumX = 0, sumY = 0;
};

Ink InkIn(const QImage& frame, int left, int top, int right, int bottom) {
  Ink ink;
  for (int y = std::max(top, 0); y <= std::min(bottom, frame.height() - 1); ++y)
    for (int x = std::max(left, 0); x <= std::min(right, frame.width() - 1); ++x) {
      if ((frame.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
      ++ink.count, ink.sumX += x, ink.sumY += y;
    }
  return ink;
}

// The zone 9 test tile at 5 m per pixel on a white 1024 x 724 image, czoom 2.5.
struct PointTile {
  TempFolder dir;
  TestJob t{dir.str()};
  std::unique_ptr<RenderSurface> surface;
  QImage frame;

  PointTile() {
    ImageGeometry& im = t->image;
    im.width = 1024, im.height = 724, im.unitsPerPixel = 5, im.latFactor = 1;
    CurrentTile& tile = t->tile;
    tile.mapOffsetX = (tile.west + tile.east) / 2 / im.unitsPerPixel - im.width * 0.95 * 160 / 290 - im.width * 0.025;
    tile.mapOffsetY = (tile.south + tile.north) / 2 / im.unitsPerPixel - im.height * 0.5;
    t->settings.haikei = 0xFFFFFF;
    t->settings.czoom = "2.5";
    EnsureGuiApplication();
  }
  // Reads the file into the layer's scratch file and draws the layer.
  void ReadAndDraw(gml::GmlReader reader, const std::string& element, int32_t mask, const std::string& text) {
    const std::string path = dir.file("FG-GML-533946-" + element + "-20161001-0001.xml");
    WriteText(path, text);
    ScanContext scan = MakeScan(dir.str(), element + "-1", {""});
    reader(ReaderRequestOf(*t), path, scan);
    scan.closeOutputs();
    EXPECT_EQ(t->errorText, "");
    LayerNode node;
    node.text = "1out";
    node.on = true;
    node.entry.readerMask = mask;
    node.entry.colour = 0;
    surface = CreateRenderSurface(*t);
    ASSERT_TRUE(OpenView(*t));
    CompileSymbols(*t);
    DrawLayer(*t, node);
    CloseView(*t);
    frame = surface->frame();
  }
  // The pixel of a point by PROJ and the tile's mapping.
  QPointF Pixel(LatLon p) {
    const auto [e, n] = Zone9()(p.lat, p.lon);
    return {e / t->image.unitsPerPixel - t->tile.mapOffsetX,
            t->image.height - n / t->image.unitsPerPixel + t->tile.mapOffsetY};
  }
};

TEST(PointLayersOnATile, SpotHeightDotsLandOnTheirPointsWithTheHeightToTheRight) {
  PointTile tile;
  const LatLon points[] = {{35.7050, 139.7500}, {35.7160, 139.7700}};
  const LatLon offTile = {35.7215, 139.7600};   // north of the tile, inside the image
  std::string features;
  int id = 0;
  for (LatLon p : points)
    features += PointFeature("ElevPt", "K28_" + std::to_string(++id), p, "25000",
                             "<type>標高点（測点）</type>\r\n<alti>12.3</alti>\r\n");
  features += PointFeature("ElevPt", "K28_9", offTile, "25000", "<type>標高点（測点）</type>\r\n<alti>99.9</alti>\r\n");
  tile.ReadAndDraw(gml::GML2Elv, "ElevPt", GML2Elv, Document(features));
  for (LatLon p : points) {
    const QPointF at = tile.Pixel(p);
    const int x = static_cast<int>(at.x()), y = static_cast<int>(at.y());
    // The dot: the ink left of the first empty column from x - 6 on.
    int gap = x - 6;
    while (gap < x + 10 && InkIn(tile.frame, gap, y - 8, gap, y + 8).count == 0) ++gap;
    while (gap < x + 10 && InkIn(tile.frame, gap, y - 8, gap, y + 8).count > 0) ++gap;
    const Ink dot = InkIn(tile.frame, x - 6, y - 8, gap - 1, y + 8);
    ASSERT_GT(dot.count, 0);
    EXPECT_NEAR(dot.sumX / dot.count, at.x(), 2);
    EXPECT_NEAR(dot.sumY / dot.count, at.y(), 2);
    const Ink height = InkIn(tile.frame, gap, y - 12, x + 60, y + 12);
    EXPECT_GT(height.right - height.left, 15) << "\"12\" to the right of the dot";
  }
  const QPointF off = tile.Pixel(offTile);
  EXPECT_EQ(InkIn(tile.frame, static_cast<int>(off.x()) - 10, static_cast<int>(off.y()) - 10,
                  static_cast<int>(off.x()) + 60, static_cast<int>(off.y()) + 10)
                .count,
            0)
      << "nothing for a point outside the tile";
}

TEST(PointLayersOnATile, TriangulationPointTriangleIsCentredOnItsPoint) {
  PointTile tile;
  const LatLon p = {35.7100, 139.7600};
  tile.ReadAndDraw(gml::GML4GCP, "GCP", GML4GCP,
                   Document(PointFeature("GCP", "K11_1", p, "KJ13",
                                         "<advNo>1</advNo>\r\n<type>三角点</type>\r\n<gcpClass>三等三角点</gcpClass>\r\n"
                                         "<gcpCode>TR35339460101</gcpCode>\r\n<name>見本山</name>\r\n"
                                         "<alti>221.30</alti>\r\n<altiAcc>1</altiAcc>\r\n")));
  const QPointF at = tile.Pixel(p);
  const int X = static_cast<int>(at.x()), Y = static_cast<int>(at.y());
  // Outline (0, 18000) (-15588, -9000) (15588, -9000) at 0.00625 m per unit, 5 m per pixel.
  const double unit = 0.00625 / 5;
  const Ink below = InkIn(tile.frame, X - 40, Y + 2, X + 40, Y + 30);
  ASSERT_GT(below.count, 0);
  EXPECT_NEAR(below.bottom, Y + 9000 * unit, 2);
  const Ink base = InkIn(tile.frame, X - 40, below.bottom, X + 40, below.bottom);
  EXPECT_NEAR((base.left + base.right) / 2.0, at.x(), 2);
  EXPECT_NEAR(base.right - base.left, 2 * 15588 * unit, 3);
  const Ink above = InkIn(tile.frame, X - 6, Y - 40, X + 6, Y - 16);
  EXPECT_NEAR(above.top, Y - 18000 * unit, 2);
  EXPECT_NEAR((above.left + above.right) / 2.0, at.x(), 2);
  const Ink height = InkIn(tile.frame, X + 20, Y - 20, X + 80, Y + 4);
  EXPECT_GT(height.count, 0) << "the height beside the triangle";
}

}  // namespace
}  // namespace velkaro
