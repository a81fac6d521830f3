// A real FGD building file goes through a validated one-tile job, the source
// scan and the tile renderer; the drawn tile is compared pixel by pixel with
// an independent rasterisation of the file's own coordinates (PROJ and a
// QPainter odd-even fill): buildings filled in their layer's colour,
// courtyards and the ground around them left in the background colour.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gml_test_support.h"
#include "job/coordinates.h"
#include "run/driver.h"
#include "job/mesh_codes.h"
#include "job/tile_grid.h"
#include "job/validation.h"
#include "render/colours.h"
#include "render/render_surface.h"
#include "render/render_tile.h"
#include "catalogue/catalogue_loader.h"
#include "vector/scan_tree.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

constexpr Colour kBackground = 0xFFFFFF;
const char* const kSourceName = "FG-GML-533946-BldA-20151001-0001.xml";  // all features lie in 533946

std::string SamplePath() { return std::string(VELKARO_SAMPLES_DIR) + "/fgd/knt5-jpgis-convert/input.xml"; }

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_vector";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

// One building of the source as the file states it: its type and rings
// (exterior first, then courtyards), read here without the program's readers.
struct SourceBuilding {
  std::string type;
  std::vector<std::vector<LatLon>> rings;
};

std::string Between(const std::string& text, size_t from, const std::string& open, const std::string& close,
                    size_t* end = nullptr) {
  const size_t a = text.find(open, from);
  if (a == std::string::npos) return {};
  const size_t b = text.find(close, a);
  if (end) *end = b;
  return text.substr(a + open.size(), b - a - open.size());
}

std::vector<SourceBuilding> ReadSourceBuildings(const std::string& text) {
  std::vector<SourceBuilding> buildings;
  for (size_t at = text.find("<BldA "); at != std::string::npos; at = text.find("<BldA ", at + 1)) {
    const size_t stop = text.find("</BldA>", at);
    const std::string body = text.substr(at, stop - at);
    SourceBuilding b;
    b.type = Between(body, 0, "<type>", "</type>");
    size_t pos = 0;
    for (std::string list; !(list = Between(body, pos, "<gml:posList>", "</gml:posList>", &pos)).empty();) {
      std::vector<LatLon>& ring = b.rings.emplace_back();
      double lat = 0, lon = 0;
      int used = 0;
      for (const char* p = list.c_str(); std::sscanf(p, "%lf %lf%n", &lat, &lon, &used) == 2; p += used)
        ring.push_back({lat, lon});
    }
    buildings.push_back(std::move(b));
  }
  return buildings;
}

int Zone9Entry() {
  for (int e = 0; e < kZoneEntryCount; ++e)
    if (ZoneNumberOfEntry(e) == 9) return e;
  return -1;
}

std::string Metres(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

// A validated one-tile job in zone 9 (metres) over a geographic box, its
// building layers scanned from the real file and the tile drawn.
struct RenderedTile {
  TempFolder source, otherSources, out;
  SilentHost host;
  CellBuffer cells;
  std::unique_ptr<JobContext> job;
  std::unique_ptr<RenderSurface> surface;
  std::vector<const LayerNode*> buildingLayers;
  QImage frame;  // the drawn tile

  RenderedTile(double latS, double lonW, double latN, double lonE) {
    std::filesystem::copy_file(SamplePath(), source.file(kSourceName));
    JobSettings s;
    EXPECT_TRUE(LoadLayerCatalogue(s.layers, VELKARO_BIN_DIR "/").clean());
    SelectOnlyBuildings(s.layers);
    s.readfolder = source.str();
    s.meshfolder = s.syoufolder = s.kkjfolder = otherSources.str();
    s.writefolder = out.str();
    s.namae = "実データ建物";
    s.tanni = 2;
    s.zahyokei = Zone9Entry();
    s.haikei = kBackground;
    const Zone9 zone9;
    const auto [w, sth] = zone9(latS, lonW);
    const auto [e, nth] = zone9(latN, lonE);
    s.kita = Metres(nth), s.minami = Metres(sth), s.nisi = Metres(w), s.higasi = Metres(e);

    job = std::make_unique<JobContext>(s, host, cells);
    EXPECT_EQ(ValidateJob(*job), "");
    job->runFlag = true;
    for (const LayerGroup& g : job->settings.layers.fgd.groups)
      if (g.node.entry.name == "BldA-1")
        for (const LayerNode& child : g.children) buildingLayers.push_back(&child);

    // The driver's steps for the one tile: constants, tile, mesh codes, the
    // FGD reading passes, then the drawing.
    ComputeDrawingConstants(*job);
    SetCurrentTile(*job, 0, 0);
    ListMeshCodes(*job, 6, false);
    for (const ReadingPass& pass : kReadingPasses)
      if (pass.source == ReadingPass::Fgd)
        scanTree(*job, job->settings.layers.fgd, s.readfolder, 1, pass.mask);
    EXPECT_EQ(job->errorText, "");
    // As the driver: the drawing opens only the scratch files the scan noted
    // (a reader that made one without noting it draws nothing here).
    job->scratchListed = true;

    EnsureGuiApplication();
    surface = CreateRenderSurface(*job);
    RenderTile(*job);
    EXPECT_TRUE(job->runFlag);
    frame = surface->frame();
  }

  static void SelectOnlyBuildings(LayerCatalogue& layers) {
    for (LayerGroup& g : layers.fgd.groups)
      for (LayerNode& child : g.children) child.on = g.node.entry.name == "BldA-1";
    for (LayerGroup& g : layers.kkj.groups)
      for (LayerNode& child : g.children) child.on = false;
    for (KsjTheme& theme : layers.ksj) theme.on = false;
    layers.fgd.refreshGroups();
    layers.kkj.refreshGroups();
  }

  // The job's own mapping of plane coordinates to pixels.
  QPointF Pixel(double easting, double northing) const {
    return {easting / job->image.unitsPerPixel * job->image.latFactor - job->tile.mapOffsetX,
            job->image.height - northing / job->image.unitsPerPixel + job->tile.mapOffsetY};
  }

  // The map's pixels, `inset` pixels in from its border on every side.
  QRect MapPixels(int inset) const {
    const QPointF nw = Pixel(job->tile.west, job->tile.north);
    const QPointF se = Pixel(job->tile.east, job->tile.south);
    return QRect(QPoint(static_cast<int>(nw.x()) + inset, static_cast<int>(nw.y()) + inset),
                 QPoint(static_cast<int>(se.x()) - inset, static_cast<int>(se.y()) - inset))
        .intersected(QRect(inset, inset, frame.width() - 2 * inset, frame.height() - 2 * inset));
  }

  Colour LayerColour(const std::string& type) const {
    for (const LayerNode* layer : buildingLayers)
      if (layer->entry.typeKey == type) return layer->entry.colour;
    ADD_FAILURE() << "no layer for " << type;
    return kBackground;
  }

  Colour At(int x, int y) const {
    const QRgb p = frame.pixel(x, y);
    return MakeColour(qRed(p), qGreen(p), qBlue(p));
  }
};

// Per pixel: the index of the building covering it (-1 none, -2 more than
// one) and whether it lies in a courtyard.
struct Reference {
  int width = 0, height = 0;
  std::vector<int> owner;
  std::vector<bool> courtyard;
  int at(int x, int y) const { return owner[static_cast<size_t>(y) * width + x]; }
};

Reference Rasterise(const RenderedTile& t, const std::vector<SourceBuilding>& buildings) {
  Reference ref;
  ref.width = t.job->image.width;
  ref.height = t.job->image.height;
  ref.owner.assign(static_cast<size_t>(ref.width) * ref.height, -1);
  ref.courtyard.assign(ref.owner.size(), false);
  const Zone9 zone9;
  for (size_t b = 0; b < buildings.size(); ++b) {
    QPainterPath rings;
    rings.setFillRule(Qt::OddEvenFill);
    QPolygonF exterior;
    for (const std::vector<LatLon>& ring : buildings[b].rings) {
      QPolygonF polygon;
      for (const LatLon& v : ring) {
        const auto [e, n] = zone9(v.lat, v.lon);
        polygon << t.Pixel(e, n);
      }
      if (exterior.isEmpty()) exterior = polygon;
      rings.addPolygon(polygon);
    }
    // Red where the exterior ring is, white where the building is: red left
    // over is a courtyard.
    QImage mask(ref.width, ref.height, QImage::Format_RGB32);
    mask.fill(Qt::black);
    {
      QPainter p(&mask);
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::red);
      p.drawPolygon(exterior);
      p.fillPath(rings, Qt::white);
    }
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x) {
        const QRgb m = mask.pixel(x, y) & 0xFFFFFF;
        const size_t i = static_cast<size_t>(y) * ref.width + x;
        if (m == 0xFFFFFF) ref.owner[i] = ref.owner[i] == -1 ? static_cast<int>(b) : -2;
        if (m == 0xFF0000) ref.courtyard[i] = true;
      }
  }
  return ref;
}

// The owner shared by every pixel within `reach` of (x, y), or -3 when they
// differ (an edge pixel).
int SettledOwner(const Reference& ref, int x, int y, int reach) {
  const int owner = ref.at(x, y);
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx)
      if (ref.at(x + dx, y + dy) != owner) return -3;
  return owner;
}

struct Comparison {
  std::vector<long> insidePixels;  // per building
  long courtyardPixels = 0, groundPixels = 0;
  long wrongInside = 0, wrongCourtyard = 0, wrongGround = 0;
  std::string firstWrong;
};

// Compares every map pixel at least 2 px away from any reference edge (and
// from the map's border) with the reference.
Comparison Compare(const RenderedTile& t, const std::vector<SourceBuilding>& buildings,
                   const Reference& ref) {
  constexpr int kReach = 2;
  Comparison c;
  c.insidePixels.assign(buildings.size(), 0);
  const QRect map = t.MapPixels(kReach + 1);
  const auto note = [&](int x, int y, const std::string& what, Colour got) {
    if (!c.firstWrong.empty()) return;
    char text[160];
    std::snprintf(text, sizeof text, "%s at pixel (%d, %d): colour %06X", what.c_str(), x, y,
                  static_cast<unsigned>(got));
    c.firstWrong = text;
  };
  for (int y = map.top(); y <= map.bottom(); ++y)
    for (int x = map.left(); x <= map.right(); ++x) {
      const int owner = SettledOwner(ref, x, y, kReach);
      if (owner == -3 || owner == -2) continue;
      const Colour got = t.At(x, y);
      if (owner >= 0) {
        ++c.insidePixels[static_cast<size_t>(owner)];
        if (got != t.LayerColour(buildings[static_cast<size_t>(owner)].type)) {
          ++c.wrongInside;
          note(x, y, "inside building " + std::to_string(owner), got);
        }
      } else if (ref.courtyard[static_cast<size_t>(y) * ref.width + x]) {
        ++c.courtyardPixels;
        if (got != kBackground) {
          ++c.wrongCourtyard;
          note(x, y, "courtyard", got);
        }
      } else {
        ++c.groundPixels;
        if (got != kBackground) {
          ++c.wrongGround;
          note(x, y, "ground", got);
        }
      }
    }
  return c;
}

TEST(RealFgdRender, BuildingsAreFilledWhereTheirCoordinatesMapAndCourtyardsStayOpen) {
  const std::vector<SourceBuilding> buildings = ReadSourceBuildings(ReadText(SamplePath()));
  ASSERT_EQ(buildings.size(), 7u);
  ASSERT_EQ(buildings[0].rings.size(), 11u);  // the block with ten courtyards

  struct Case {
    const char* name;
    double latS, lonW, latN, lonE;
    std::vector<std::pair<size_t, long>> shown;  // building, pixels at least inside it
    long minCourtyardPixels;
    const char* png;
  };
  const Case cases[] = {
      {"block with ten courtyards, about 330 m wide", 35.7100, 139.7633, 35.7138, 139.7670,
       {{0, 25000}}, 10000, "/tmp/velkaro-real-fgd.png"},
      {"building with a courtyard and a shed, about 480 m wide", 35.7092, 139.8082, 35.7112,
       139.8135, {{2, 35000}, {5, 200}}, 4000, "/tmp/velkaro-real-fgd-east.png"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    RenderedTile t(k.latS, k.lonW, k.latN, k.lonE);
    ASSERT_EQ(t.buildingLayers.size(), 4u);
    t.frame.save(k.png);
    const Reference ref = Rasterise(t, buildings);
    const Comparison c = Compare(t, buildings, ref);

    EXPECT_EQ(c.wrongInside, 0) << "first wrong pixel: " << c.firstWrong;
    EXPECT_EQ(c.wrongCourtyard, 0) << "first wrong pixel: " << c.firstWrong;
    EXPECT_EQ(c.wrongGround, 0) << "first wrong pixel: " << c.firstWrong;
    // The comparison really covered the buildings, their courtyards and ground.
    for (const auto& [b, pixels] : k.shown) EXPECT_GE(c.insidePixels[b], pixels) << "building " << b;
    EXPECT_GE(c.courtyardPixels, k.minCourtyardPixels);
    EXPECT_GT(c.groundPixels, 20000);
  }
}

TEST(RealFgdRender, TileAwayFromTheBuildingsOfItsMeshDrawsNoneOfThem) {
  // Same secondary mesh, clear of every building of the file.
  RenderedTile t(35.6900, 139.7900, 35.6930, 139.7940);
  ASSERT_NE(std::find(t.job->meshCodes.begin(), t.job->meshCodes.end(), "-533946"), t.job->meshCodes.end())
      << "the file must be read and its features culled";
  ASSERT_EQ(t.buildingLayers.size(), 4u);
  for (const LayerNode* layer : t.buildingLayers)
    EXPECT_EQ(ReadText(ScratchPath(*t.job, layer->text)), "") << layer->text;

  long layerColoured = 0;
  for (int y = 0; y < t.frame.height(); ++y)
    for (int x = 0; x < t.frame.width(); ++x)
      for (const LayerNode* layer : t.buildingLayers) layerColoured += t.At(x, y) == layer->entry.colour;
  EXPECT_EQ(layerColoured, 0);
  // Inside the border ticks and coordinate labels the map furniture draws.
  const QRect map = t.MapPixels(40);
  long notBackground = 0;
  for (int y = map.top(); y <= map.bottom(); ++y)
    for (int x = map.left(); x <= map.right(); ++x) notBackground += t.At(x, y) != kBackground;
  EXPECT_GT(map.width() * map.height(), 100000);
  EXPECT_EQ(notBackground, 0) << "the map shows the bare background";
}

}  // namespace
}  // namespace velkaro
