#include <gtest/gtest.h>

#include <QImage>

#include <geo_normalize.h>
#include <geotiff.h>
#include <geovalues.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <map>
#include <unistd.h>

#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "job/tile_grid.h"
#include "job/validation.h"
#include "output/geotiff_messages.h"
#include "output/geotiff_writer.h"
#include "render/gl_view.h"
#include "render/layer_drawing.h"
#include "render/render_surface.h"
#include "render/render_tile.h"
#include "../render/render_test_support.h"
#include "run/tile_sequence.h"
#include "scratch/scratch_file.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

int EntryOfZone(int zone) {
  for (int e = 0; e < kZoneEntryCount; ++e)
    if (ZoneNumberOfEntry(e) == zone) return e;
  return -1;
}

// One row per coordinate system: the job's area as typed and what the file
// must say about it (tie point and pixel scale in metres or degrees).
struct GeoCase {
  const char* name;
  int zahyokei;
  int tanni;
  const char *kita, *minami, *nisi, *higasi;
  double tieEast, tieNorth;  // the tile's west and north edge in file units
  double unitsPerJobUnit;    // file units per job unit
  int epsg;
  const char* citation;

  // Header, model, raster, citation and the system's own two keys.
  std::vector<uint16_t> keyDirectory() const {
    const uint16_t count = uint16_t(std::strlen(citation) + 1);
    if (epsg == 6668)
      return {1, 1, 0, 5, 1024, 0, 1, 2, 1025, 0, 1, 1, 1026, 34737, count, 0,
              2048, 0, 1, 6668, 2054, 0, 1, 9102};
    return {1, 1, 0, 5, 1024, 0, 1, 1, 1025, 0, 1, 1, 1026, 34737, count, 0,
            3072, 0, 1, uint16_t(epsg), 3076, 0, 1, 9001};
  }
  std::string asciiParams() const { return std::string(citation) + "|"; }
};

const std::vector<GeoCase>& GeoCases() {
  static const std::vector<GeoCase> cases = {
      {"zone 9, metres", EntryOfZone(9), 2, "2000", "500", "-3000", "-1000", -3000, 2000, 1.0,
       6677, "JGD2011 / Japan Plane Rectangular CS IX"},
      {"zone 10, millimetres", EntryOfZone(10), 0, "1500000", "0", "-12345600", "-10345600", -12345.6, 1500,
       0.001,
       6678, "JGD2011 / Japan Plane Rectangular CS X"},
      {"lat/lon", kLatLonEntry, 2, "35.1", "35.0", "139.0", "139.1", 139.0, 35.1, 1.0,
       6668, "JGD2011"},
  };
  return cases;
}

// A validated one-tile GeoTIFF job of 512 x 362 pixels over a throw-away
// output folder, its tile made current and its surface created.
struct GeoTiffJob {
  explicit GeoTiffJob(const GeoCase& c)
      : folder(fs::temp_directory_path() / ("velkaro_geotiff_" + std::to_string(::getpid()))) {
    test::EnsureGuiApplication();
    fs::create_directories(folder);
    JobSettings s;
    s.readfolder = s.meshfolder = s.syoufolder = s.kkjfolder = s.writefolder = folder.string();
    s.namae = "地図";
    s.type = 2;
    s.size = 5;
    s.zahyokei = c.zahyokei;
    s.tanni = c.tanni;
    s.kita = c.kita, s.minami = c.minami, s.nisi = c.nisi, s.higasi = c.higasi;
    job = std::make_unique<JobContext>(s, host, cells);
    EXPECT_EQ(ValidateJob(*job), "") << c.name;
    job->runFlag = true;
    SetCurrentTile(*job, 0, 0);
    surface = CreateRenderSurface(*job);
  }
  ~GeoTiffJob() { fs::remove_all(folder); }
  std::string out() const { return (folder / "地図.tif").string(); }

  fs::path folder;
  test::RecordingHost host;
  CellBuffer cells;
  std::unique_ptr<JobContext> job;
  std::unique_ptr<RenderSurface> surface;
};

// Byte order mark and, per tag of the first directory, its stored type and
// count, read straight from the file bytes.
struct StoredTags {
  std::string byteOrder;
  std::map<uint16_t, std::pair<uint16_t, uint32_t>> typeAndCount;
};

StoredTags ReadStoredTags(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  StoredTags tags;
  if (bytes.size() < 8) return tags;
  tags.byteOrder = bytes.substr(0, 2);
  auto u16 = [&](size_t at) { return at + 2 <= bytes.size() ? uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8) : uint16_t(0); };
  auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
  const size_t ifd = u32(4);
  const int n = u16(ifd);
  for (int j = 0; j < n; ++j) {
    const size_t e = ifd + 2 + 12 * size_t(j);
    tags.typeAndCount[u16(e)] = {u16(e + 2), u32(e + 4)};
  }
  return tags;
}

// What a GeoTIFF reader finds in the written file.
struct ReadBack {
  uint32_t width = 0, height = 0;
  uint16_t samples = 0, bits = 0, photometric = 0;
  std::vector<QRgb> pixels;
  std::vector<double> pixelScale, tiepoint;
  std::vector<uint16_t> keyDirectory;
  std::string asciiParams;
  int modelType = 0, geographicType = 0, projectedType = 0;
  std::string citation;
  GTIFDefn definition{};
  bool definitionFound = false;

  QRgb at(int x, int y) const { return pixels[size_t(y) * width + size_t(x)]; }
};

ReadBack ReadGeoTiff(const std::string& path) {
  ReadBack r;
  TIFF* tif = XTIFFOpen(path.c_str(), "r");
  if (!tif) return r;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &r.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &r.height);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &r.samples);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &r.bits);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &r.photometric);
  if (r.samples == 3 && r.bits == 8) {
    std::vector<uint8_t> row(TIFFScanlineSize(tif));
    for (uint32_t y = 0; y < r.height; ++y) {
      if (TIFFReadScanline(tif, row.data(), y, 0) < 0) break;
      for (uint32_t x = 0; x < r.width; ++x) r.pixels.push_back(qRgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]));
    }
  }
  uint16_t count = 0;
  double* values = nullptr;
  if (TIFFGetField(tif, TIFFTAG_GEOPIXELSCALE, &count, &values)) r.pixelScale.assign(values, values + count);
  if (TIFFGetField(tif, TIFFTAG_GEOTIEPOINTS, &count, &values)) r.tiepoint.assign(values, values + count);
  uint16_t* keys = nullptr;
  if (TIFFGetField(tif, TIFFTAG_GEOKEYDIRECTORY, &count, &keys)) r.keyDirectory.assign(keys, keys + count);
  char* ascii = nullptr;
  if (TIFFGetField(tif, TIFFTAG_GEOASCIIPARAMS, &ascii)) r.asciiParams = ascii;

  GTIF* gtif = GTIFNew(tif);
  if (gtif) {
    geocode_t code = 0;
    if (GTIFKeyGet(gtif, GTModelTypeGeoKey, &code, 0, 1)) r.modelType = code;
    if (GTIFKeyGet(gtif, GeographicTypeGeoKey, &code, 0, 1)) r.geographicType = code;
    if (GTIFKeyGet(gtif, ProjectedCSTypeGeoKey, &code, 0, 1)) r.projectedType = code;
    char text[128] = {};
    if (GTIFKeyGet(gtif, GTCitationGeoKey, text, 0, sizeof text - 1)) r.citation = text;
    r.definitionFound = GTIFGetDefn(gtif, &r.definition) != 0;
    GTIFFree(gtif);
  }
  XTIFFClose(tif);
  return r;
}

// The surface filled with colours that differ from pixel to pixel.
void FillWithPattern(RenderSurface& surface) {
  QImage& image = surface.beginPixels();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x & 255, y & 255, (x >> 8) * 16 + (y >> 8)));
}

TEST(GeoTiff, TileIsTheMapRectangleWithItsGeoreference) {
  for (const GeoCase& c : GeoCases()) {
    SCOPED_TRACE(c.name);
    GeoTiffJob g(c);
    JobContext& job = *g.job;
    FillWithPattern(*g.surface);
    WriteGeoTiff(job, g.out());
    ASSERT_TRUE(job.runFlag);
    ASSERT_TRUE(g.host.asks.empty());
    const ReadBack r = ReadGeoTiff(g.out());

    // Size and pixels: the map rectangle alone, from its truncated corner.
    const PixelRectF map = MapRect(job);
    ASSERT_EQ(r.width, std::lround(map.right - map.left));
    ASSERT_EQ(r.height, std::lround(map.bottom - map.top));
    ASSERT_LT(r.width, 512u);
    ASSERT_EQ(r.samples, 3);
    ASSERT_EQ(r.bits, 8);
    EXPECT_EQ(r.photometric, PHOTOMETRIC_RGB);
    ASSERT_EQ(r.pixels.size(), size_t(r.width) * r.height);
    const QImage& frame = g.surface->frame();
    const int left = int(map.left), top = int(map.top);
    int mismatches = 0;
    for (uint32_t y = 0; y < r.height; ++y)
      for (uint32_t x = 0; x < r.width; ++x)
        mismatches += r.at(x, y) != (frame.pixel(left + x, top + y) | 0xFF000000u);
    EXPECT_EQ(mismatches, 0);

    // Model tags: the north-west corner and the size of a pixel, which
    // differs from the drawing's by less than the fraction of a pixel the
    // whole-pixel crop rounds away.
    const double upp = job.image.unitsPerPixel * c.unitsPerJobUnit;
    ASSERT_EQ(r.pixelScale.size(), 3u);
    EXPECT_NEAR(r.pixelScale[0], upp / job.image.latFactor, upp / job.image.latFactor / r.width);
    EXPECT_NEAR(r.pixelScale[1], upp, upp / r.height);
    EXPECT_EQ(r.pixelScale[2], 0.0);
    ASSERT_EQ(r.tiepoint.size(), 6u);
    EXPECT_EQ(r.tiepoint[0], 0.0);
    EXPECT_EQ(r.tiepoint[1], 0.0);
    EXPECT_NEAR(r.tiepoint[3], c.tieEast, 1e-9);
    EXPECT_NEAR(r.tiepoint[4], c.tieNorth, 1e-9);
    // The raster spans exactly the tile: neighbouring tiles neither overlap
    // nor leave a gap (lower-right corner within a hundredth of a pixel).
    const double tileEast = job.tile.east * c.unitsPerJobUnit;
    const double tileSouth = job.tile.south * c.unitsPerJobUnit;
    EXPECT_NEAR(r.tiepoint[3] + r.width * r.pixelScale[0], tileEast, 0.01 * r.pixelScale[0]);
    EXPECT_NEAR(r.tiepoint[4] - r.height * r.pixelScale[1], tileSouth, 0.01 * r.pixelScale[1]);

    // One consistent JGD2011 key set, exactly: no geographic key beside the
    // projected one, and a citation that names the same system.
    EXPECT_EQ(r.keyDirectory, c.keyDirectory());
    EXPECT_EQ(r.asciiParams, c.asciiParams());
    EXPECT_EQ(r.geographicType, job.coords.latLonMode ? 6668 : 0);
    EXPECT_EQ(r.citation, c.citation);

    // Stored as a little-endian TIFF with both model tags as DOUBLE arrays.
    const StoredTags stored = ReadStoredTags(g.out());
    EXPECT_EQ(stored.byteOrder, "II");
    EXPECT_EQ(stored.typeAndCount.at(33550), std::make_pair(uint16_t(12), uint32_t(3)));
    EXPECT_EQ(stored.typeAndCount.at(33922), std::make_pair(uint16_t(12), uint32_t(6)));
    EXPECT_EQ(stored.typeAndCount.at(34735).first, 3);
    EXPECT_EQ(stored.typeAndCount.at(34737), std::make_pair(uint16_t(2), uint32_t(c.asciiParams().size() + 1)));

    // A GeoTIFF reader can place the tile: projected zone or geographic.
    ASSERT_TRUE(r.definitionFound);
    if (job.coords.latLonMode) {
      EXPECT_EQ(r.modelType, ModelTypeGeographic);
      EXPECT_EQ(r.projectedType, 0);
      EXPECT_EQ(r.definition.Model, ModelTypeGeographic);
      EXPECT_EQ(r.definition.GCS, 6668);
    } else {
      EXPECT_EQ(r.modelType, ModelTypeProjected);
      EXPECT_EQ(r.projectedType, 6668 + job.coords.zone);
      EXPECT_EQ(r.definition.PCS, 6668 + job.coords.zone);
      EXPECT_EQ(r.definition.CTProjection, CT_TransverseMercator);
      EXPECT_EQ(r.definition.UOMLength, Linear_Meter);
    }
    EXPECT_EQ(r.definition.Ellipsoid, Ellipse_GRS_1980);
  }
}

TEST(GeoTiff, PlaneZonesAreTheJgd2011Codes) {
  EXPECT_EQ(PlaneZoneEpsg(1), 6669);
  EXPECT_EQ(PlaneZoneEpsg(9), 6677);
  EXPECT_EQ(PlaneZoneEpsg(19), 6687);
  EXPECT_EQ(PlaneZoneEpsg(0), 0);
  EXPECT_EQ(PlaneZoneEpsg(20), 0);
}

// A hatch area much larger than the tile: every pixel of the rendered
// GeoTIFF is the area's colour, so no margin is left in the file.
TEST(GeoTiff, RenderedTileHasNoMargins) {
  for (const GeoCase& c : GeoCases()) {
    SCOPED_TRACE(c.name);
    GeoTiffJob g(c);
    JobContext& job = *g.job;
    job.settings.haikei = 0xFFFFFF;
    LayerNode node;
    node.text = "1水域";
    node.on = true;
    node.entry.colour = 0x3366CC;  // 0x00BBGGRR
    node.entry.readerMask = GML1024Hatch;
    LayerTree& fgd = job.settings.layers.fgd;
    fgd.groups.emplace_back().children.push_back(node);
    const double w = job.tile.west - (job.tile.east - job.tile.west);
    const double e = job.tile.east + (job.tile.east - job.tile.west);
    const double s = job.tile.south - (job.tile.north - job.tile.south);
    const double n = job.tile.north + (job.tile.north - job.tile.south);
    std::ofstream(ScratchPath(job, node.text), std::ios::binary)
        << std::setprecision(17) << "sep\nx\n4\n" << w << '\n' << s << '\n' << e << '\n' << s << '\n' << e << '\n'
        << n << '\n' << w << '\n' << n << '\n';

    DrawAndWriteTile(job, g.out());
    ASSERT_TRUE(job.runFlag);
    const ReadBack r = ReadGeoTiff(g.out());
    ASSERT_GT(r.width, 100u);
    ASSERT_EQ(r.pixels.size(), size_t(r.width) * r.height);
    int other = 0;
    for (QRgb p : r.pixels) other += p != qRgb(0xCC, 0x66, 0x33);
    EXPECT_EQ(other, 0);
    EXPECT_FALSE(fs::exists(g.folder / "地図.bmp"));
  }
}

TEST(GeoTiff, UnwritableOutputStopsTheJobWithAMessage) {
  GeoTiffJob g(GeoCases()[0]);
  const std::string out = (g.folder / "no-such-folder" / "地図.tif").string();
  DrawAndWriteTile(*g.job, out);
  EXPECT_FALSE(g.job->runFlag);
  ASSERT_EQ(g.host.asks.size(), 1u);
  EXPECT_EQ(g.host.asks[0].first, geotiff_messages::kWriteCaption);
  EXPECT_NE(g.host.asks[0].second.find(out), std::string::npos) << g.host.asks[0].second;
  EXPECT_EQ(g.job->errorText, g.host.asks[0].second);
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace velkaro
