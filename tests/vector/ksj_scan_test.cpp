// The KSJ scan: file patterns, visiting order, subfolders, scratch files per
// pass, abort, and broken files that cost only themselves; and a Shift_JIS
// name file that draws the same tile as its UTF-8 twin.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <filesystem>

#include "../archive/zip_builder.h"
#include "ksj_test_support.h"
#include "platform/text_encoding.h"
#include "render/render_surface.h"
#include "render/render_tile.h"
#include "run/driver.h"
#include "vector/ksj_scan.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

KsjTheme ParkTheme() { return Theme("P13-", 1, {"<gml:Point gml:id=\"pt", "", "<ksj:loc xlink:href=\"#pt", "<ksj:nop>"}); }

std::string ParkFile(const std::string& name, LatLon at) {
  KsjGml g;
  g.point("pt1", at);
  g.line("<ksj:Park gml:id=\"pk1\">").line("<ksj:loc xlink:href=\"#pt1\"/>");
  g.line("<ksj:nop>" + name + "</ksj:nop>").line("</ksj:Park>");
  return g.text();
}

TEST(KsjScan, FilePatternIsTheFirstFourCharactersOfTheCode) {
  EXPECT_EQ(KsjFilePattern("A29-1"), "A29-*.xml");
  EXPECT_EQ(KsjFilePattern("N03-name"), "N03-*.xml");
  EXPECT_EQ(KsjFilePattern("A30b"), "A30b*.xml");
  EXPECT_EQ(KsjFilePattern("N3"), "N3*.xml");
}

TEST(KsjScan, LastThemeFirstSubfoldersOnRequestAndOneScratchFilePerTheme) {
  TempFolder source, out;
  TestJob t(out.str());
  WriteText(source.file("P13-11_13.xml"), ParkFile("甲公園", {35.705, 139.75}));
  WriteText(source.file("sub/P13-11_14.xml"), ParkFile("乙公園", {35.71, 139.76}));
  WriteText(source.file("W05-08_13.xml"), KsjGml().curve("c-1", {{35.705, 139.75}, {35.71, 139.76}}).text());
  WriteText(source.file("KS-META-P13-11_13.xml"), "<?xml version=\"1.0\" encoding=\"shift_jis\"?>\r\n");
  std::vector<KsjTheme>& themes = t->settings.layers.ksj;
  themes = {ParkTheme(), Theme("W05-", 4), Theme("C23-", 4)};
  themes[2].on = false;

  t->settings.subfolder = false;
  t->fileCount = 0;
  ScanKsj(*t, source.str(), KsjScanMode::Count, 0x7fffffff);
  EXPECT_EQ(t->fileCount, 2);  // top folder only
  t->settings.subfolder = true;
  t->fileCount = 0;
  ScanKsj(*t, source.str(), KsjScanMode::Count, 0x7fffffff);
  EXPECT_EQ(t->fileCount, 3);

  t->fileCount = 0;
  t.host.labels.clear();
  ScanKsj(*t, source.str(), KsjScanMode::Read, 62);  // lines: only W05
  ScanKsj(*t, source.str(), KsjScanMode::Read, 1);   // point names: only P13
  const std::vector<std::string> groups = t.host.labelsOf(LabelRole::Group);
  ASSERT_FALSE(groups.empty());
  EXPECT_EQ(groups.front(), themes[1].caption);
  EXPECT_EQ(t->fileCount, 3);
  EXPECT_EQ(ScratchLines(ScratchPath(out.str(), themes[1].caption)).size(), 5u);
  const auto names = ScratchLines(ScratchPath(out.str(), themes[0].caption));
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[2], "・甲公園");
  EXPECT_EQ(names[5], "・乙公園");
  EXPECT_FALSE(std::filesystem::exists(ScratchPath(out.str(), themes[2].caption)));

  // Visiting order: the later theme of the list is read first.
  t.host.labels.clear();
  themes[0].readerMask = 4;
  ScanKsj(*t, source.str(), KsjScanMode::Read, 62);
  const std::vector<std::string> order = t.host.labelsOf(LabelRole::Group);
  const auto w05 = std::find(order.begin(), order.end(), themes[1].caption);
  const auto p13 = std::find(order.begin(), order.end(), themes[0].caption);
  ASSERT_NE(w05, order.end());
  ASSERT_NE(p13, order.end());
  EXPECT_LT(w05 - order.begin(), p13 - order.begin());
}

// Zip members are files of the folder: counted and read by the theme's
// pattern, in the place they take once expanded; a zip named after a theme
// the pass does not read stays closed; a member cut short is named inside
// its zip.
TEST(KsjScan, ZipMembersAreReadAsFilesOfTheFolder) {
  TempFolder source, out;
  TestJob t(out.str());
  WriteText(source.file("P13-11_13.xml"), ParkFile("甲公園", {35.705, 139.75}));
  WriteText(source.file("a.zip"), ZipBytes({{"P13-11_12.xml", ParkFile("乙公園", {35.71, 139.76})},
                                            {"W05-08_13.xml", KsjGml().curve("c-1", {{35.705, 139.75}, {35.71, 139.76}}).text()},
                                            {"inner.zip", ZipBytes({{"P13-11_14.xml", ParkFile("丙公園", {35.70, 139.74})}})}}));
  WriteText(source.file("W05-08_14_GML.zip"), "not a zip");  // its theme is switched off
  std::vector<KsjTheme>& themes = t->settings.layers.ksj;
  themes = {ParkTheme(), Theme("W05-", 4)};
  themes[1].on = false;

  t->fileCount = 0;
  ScanKsj(*t, source.str(), KsjScanMode::Count, 0x7fffffff);
  EXPECT_EQ(t->fileCount, 3);
  ScanKsj(*t, source.str(), KsjScanMode::Read, 1);
  EXPECT_EQ(t->errorText, "");
  const auto names = ScratchLines(ScratchPath(out.str(), themes[0].caption));
  ASSERT_EQ(names.size(), 9u);
  EXPECT_EQ(names[2], "・乙公園");  // a.zip expands to P13-11_12.xml, before P13-11_13.xml
  EXPECT_EQ(names[5], "・甲公園");
  EXPECT_EQ(names[8], "・丙公園");

  // The switched-on theme opens its zip: the damage is named.
  themes[1].on = true;
  ScanKsj(*t, source.str(), KsjScanMode::Read, 62);
  EXPECT_EQ(t->errorText, "書庫(" + source.file("W05-08_14_GML.zip") + ")で異常\r\n");

  // A member cut short costs only itself, named by its place in the zip.
  const std::string park = ParkFile("丁公園", {35.705, 139.75});
  WriteText(source.file("a.zip"), ZipBytes({{"P13-11_12.xml", park.substr(0, park.size() / 2)}}));
  t->errorText.clear();
  ScanKsj(*t, source.str(), KsjScanMode::Read, 1);
  EXPECT_EQ(t->errorText.rfind("mlitjpgis(" + source.file("a.zip") + "/P13-11_12.xml", 0), 0u) << t->errorText;
  EXPECT_EQ(ScratchLines(ScratchPath(out.str(), themes[0].caption)).back(), "・甲公園");
}

TEST(KsjScan, AbortDeletesTheScratchFileOfTheThemeBeingRead) {
  TempFolder source, out;
  TestJob t(out.str());
  WriteText(source.file("P13-11_13.xml"), ParkFile("甲公園", {35.705, 139.75}));
  t->settings.layers.ksj = {ParkTheme()};
  t.host.abortAtPump = 1;
  ScanKsj(*t, source.str(), KsjScanMode::Read, 1);
  EXPECT_FALSE(t->runFlag);
  EXPECT_FALSE(std::filesystem::exists(ScratchPath(out.str(), ParkTheme().caption)));
}

// Each reader on a garbled or truncated copy of a good file: the file costs
// only itself, with a "mlitjpgis(" message naming it, and the theme read
// after it in the same pass still gets its records.
TEST(KsjScan, BrokenFileCostsOnlyItselfWithAMessageNamingIt) {
  const std::string good = ParkFile("甲公園", {35.705, 139.75});
  struct Case {
    const char* what;
    KsjTheme theme;
    std::string fileName;
    std::string text;
  };
  const std::string stormSurge =
      KsjGml().curve("Cv1_0", Square(35.705, 139.75, 0.002)).line("<ksj:bounds xlink:href=\"#sf1\"/>").text();
  const std::vector<Case> cases = {
      {"area, garbled pair", Theme("A49-", 64, {"<gml:Curve gml:id=\"Cv"}), "A49-bad.xml",
       KsjGml().line("<gml:Curve gml:id=\"Cv1_0\">").line("<gml:posList>").line("35.70 139.75")
           .line("35.71 1x9").line("</gml:posList>").text()},
      {"coded area, cut in a position list", Theme("A49-", 32, {"<gml:Curve gml:id=\"Cv", "", "<ksj:bounds xlink:href=\"#sf", "<x>"}),
       "A49-cut.xml", stormSurge.substr(0, stormSurge.find("139.75200000") + 5)},
      {"area, bad identifier", Theme("A49-", 64, {"<gml:Curve gml:id=\"Cv"}), "A49-id.xml",
       KsjGml().curve("CvX_0", Square(35.705, 139.75, 0.002)).text()},
      {"zoning, bad class", Theme("A29-5", 16, {"<gml:Curve gml:id=\"cv", "_", "<ksj:cda xlink:href=\"#sf", "<ksj:dac>"}),
       "A29-bad.xml", KsjGml().line("<ksj:cda xlink:href=\"#sf1\"/>").line("<ksj:dac>五</ksj:dac>").text()},
      {"tornado, garbled point", Theme("A30b", 8, {"<gml:Point gml:id=\"pt_", "\"", "", "<ksj:fujitaScale>"}),
       "A30b-bad.xml", KsjGml().line("<gml:Point gml:id=\"pt_1\">").line("<gml:pos>35.7 東経</gml:pos>").text()},
      {"curve, garbled pair", Theme("W05-", 4), "W05-bad.xml",
       KsjGml().line("<gml:posList>").line("35.70 139.75").line("35.71 ?").line("</gml:posList>").text()},
      {"point names, garbled point", ParkTheme(), "P13-bad.xml",
       KsjGml().line("<gml:Point gml:id=\"pt1\">").line("<gml:pos>abc</gml:pos>").line("<ksj:loc xlink:href=\"#pt1\"/>").text()},
      {"area names, garbled pair",
       Theme("N03-name", 128, {"<gml:Curve gml:id=\"cv", "", "<ksj:AdministrativeBoundary gml:id=\"gy", "<ksj:cityName>"}),
       "N03-bad.xml",
       KsjGml().line("<gml:Curve gml:id=\"cv1_1\">").line("<gml:posList>").line("35.7 x").line("</gml:posList>")
           .line("<ksj:AdministrativeBoundary gml:id=\"gy1\">").line("<ksj:cityName>市</ksj:cityName>").text()},
      {"airports, garbled point",
       Theme("C28-", 2, {"<gml:Point gml:id=\"pt_h_", "\"", "<ksj:reference xlink:href=\"#", "<ksj:airportName>"}),
       "C28-bad.xml",
       "<?xml version=\"1.0\"?>\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n国土数値情報\r\n"
       "<ksj:AirportReferencePoint gml:id=\"1\">\r\n#pt_h_1\"/>\r\n<gml:Point gml:id=\"pt_h_1\">\r\n<gml:pos>?</gml:pos>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder source, out;
    TestJob t(out.str());
    WriteText(source.file(c.fileName), c.text);
    WriteText(source.file("P13-11_13.xml"), good);
    KsjTheme broken = c.theme;
    broken.caption = "051" + broken.code;
    KsjTheme parks = ParkTheme();
    parks.readerMask = c.theme.readerMask == 1 ? 1 : parks.readerMask;
    t->settings.layers.ksj = {parks, broken};
    for (int mask : {0x7fffff40, 62, 1, 128}) ScanKsj(*t, source.str(), KsjScanMode::Read, mask);
    EXPECT_TRUE(t->runFlag);
    if (c.theme.code == "P13-") {
      // Both files belong to the one theme: the good one is still drawn.
      EXPECT_EQ(t->errorText.rfind("mlitjpgis(" + source.file(c.fileName), 0), 0u) << t->errorText;
      EXPECT_EQ(ScratchLines(ScratchPath(out.str(), broken.caption)).back(), "・甲公園");
      continue;
    }
    EXPECT_EQ(t->errorText.rfind("mlitjpgis(" + source.file(c.fileName), 0), 0u) << t->errorText;
    EXPECT_NE(t->errorText.find(")で異常"), std::string::npos) << t->errorText;
    const auto names = ScratchLines(ScratchPath(out.str(), parks.caption));
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[2], "・甲公園");
  }
}

TEST(KsjScan, RealTornadoFileCutShortIsReportedAndReadsNothing) {
  TempFolder source, out;
  TestJob t(out.str(), 30.0, 128.0, 46.0, 146.0);
  t->image.unitsPerPixel = 1000;
  const KsjTheme theme = Theme("A30b", 8, {"<gml:Point gml:id=\"pt_", "\"", "", "<ksj:fujitaScale>"});
  const std::string text = ReadText(KsjSample("A30b-11.xml"));
  const std::string path = source.file("A30b-11.xml");
  WriteText(path, text);
  EXPECT_GT(RunReader(t, out, theme, &ksj::KsjTornadoTracks, path).size(), 5u * 1000);
  EXPECT_EQ(t->errorText, "");
  for (size_t cut : {text.size() / 3, text.size() / 2 + 7, text.size() - 20}) {
    SCOPED_TRACE(cut);
    WriteText(path, text.substr(0, cut));
    t->errorText.clear();
    EXPECT_TRUE(RunReader(t, out, theme, &ksj::KsjTornadoTracks, path).empty());
    EXPECT_EQ(t->errorText.rfind("mlitjpgis(" + path, 0), 0u) << t->errorText;
  }
}

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_vector";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

// The drawn tile of a one-theme job over the real park file's area.
QImage ParkTile(const std::string& folder, const std::string& writeFolder) {
  EnsureGuiApplication();
  TestJob t(writeFolder, 35.40, 138.40, 35.75, 139.00);
  t->image.width = 1024;
  t->image.height = 724;
  t->image.unitsPerPixel = 60;
  t->settings.syoufolder = folder;
  t->settings.layers.ksj = {ParkTheme()};
  CurrentTile& tile = t->tile;
  const double w = t->image.width, h = t->image.height;
  tile.mapOffsetX = (tile.west + tile.east) / 2 / 60 - w * 0.95 * 160 / 290 - w * 0.025;
  tile.mapOffsetY = (tile.south + tile.north) / 2 / 60 - h * 0.5;
  ComputeDrawingConstants(*t);
  const std::unique_ptr<RenderSurface> surface = CreateRenderSurface(*t);
  t->surface = surface.get();
  const DriverCalls calls = DefaultDriverCalls();
  for (const ReadingPass& pass : kReadingPasses)
    if (pass.source == ReadingPass::Ksj) calls.scanKsj(*t, folder, 1, pass.mask);
  EXPECT_EQ(t->errorText, "");
  t->scratchListed = true;   // as the driver: only the scratch files the scan noted are opened
  RenderTile(*t);
  QImage frame = surface->frame().copy();
  t->surface = nullptr;
  return frame;
}

TEST(KsjScan, ShiftJisNameFileGivesTheSameTileAsItsUtf8Twin) {
  TempFolder utf8, sjis, out1, out2;
  std::string text = ReadText(KsjSample("P13-11_19.xml"));
  std::filesystem::copy_file(KsjSample("P13-11_19.xml"), utf8.file("P13-11_19.xml"));
  text = text.substr(3);  // no byte order mark in a Shift_JIS file
  const std::string decl = "encoding=\"UTF-8\"";
  text.replace(text.find(decl), decl.size(), "encoding=\"Shift_JIS\"");
  WriteText(sjis.file("P13-11_19.xml"), Utf8ToCp932(text));
  const QImage a = ParkTile(utf8.str(), out1.str());
  const QImage b = ParkTile(sjis.str(), out2.str());
  ASSERT_FALSE(a.isNull());
  EXPECT_TRUE(a == b);
  // The names were drawn: the tile is not blank between the furniture.
  a.save("/tmp/velkaro-ksj-parks.png");
  long coloured = 0;
  for (int y = 100; y < a.height() - 100; ++y)
    for (int x = 300; x < a.width() - 100; ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++coloured;
  EXPECT_GT(coloured, 1000);
}

}  // namespace
}  // namespace velkaro
