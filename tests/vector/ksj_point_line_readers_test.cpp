// KSJ point and line readers: the real tornado and park files, Shift_JIS
// twins, name placement and the small fixtures of their edge cases.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "ksj_test_support.h"
#include "platform/text_encoding.h"
#include "vector/ksj_messages.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

KsjTheme TornadoTheme() { return Theme("A30b", 8, {"<gml:Point gml:id=\"pt_", "\"", "", "<ksj:fujitaScale>"}); }
KsjTheme ParkTheme() { return Theme("P13-", 1, {"<gml:Point gml:id=\"pt", "", "<ksj:loc xlink:href=\"#pt", "<ksj:nop>"}); }

std::string Between(const std::string& s, size_t from, const std::string& a, const std::string& b) {
  const size_t i = s.find(a, from);
  if (i == std::string::npos) return {};
  const size_t j = s.find(b, i + a.size());
  return s.substr(i + a.size(), j - i - a.size());
}

// The job's pixel of a geographic point, computed with PROJ.
struct PixelOf {
  const TestJob& t;
  Zone9 zone9;
  std::pair<int, int> operator()(double lat, double lon) const {
    const auto [e, n] = zone9(lat, lon);
    const ImageGeometry& img = t.job->image;
    return {static_cast<int>(std::trunc(e / img.unitsPerPixel * img.latFactor - t.job->tile.mapOffsetX)),
            static_cast<int>(std::trunc(img.height - n / img.unitsPerPixel + t.job->tile.mapOffsetY))};
  }
};

// Gusts of the real file read independently: scale text and the start and
// end points (end = start without a disappearance point).
struct Gust {
  std::string scale;
  LatLon start, end;
};
std::vector<Gust> ReadGusts(const std::string& text) {
  std::map<std::string, LatLon> points;
  for (size_t at = text.find("<gml:Point gml:id=\""); at != std::string::npos;
       at = text.find("<gml:Point gml:id=\"", at + 1)) {
    const std::string id = Between(text, at, "gml:id=\"", "\"");
    const std::string pos = Between(text, at, "<gml:pos>", "</gml:pos>");
    LatLon p{};
    std::sscanf(pos.c_str(), "%lf %lf", &p.lat, &p.lon);
    points[id] = p;
  }
  std::map<std::string, std::string> startOf, endOf;  // gust number -> point id
  for (const char* kind : {"<ksj:AppearancePoint gml:id=\"start_", "<ksj:DisappearancePoint gml:id=\"end_"}) {
    for (size_t at = text.find(kind); at != std::string::npos; at = text.find(kind, at + 1)) {
      const std::string n = Between(text, at, kind, "\"");
      const std::string pt = Between(text, at, "<ksj:position xlink:href=\"#", "\"");
      (std::string(kind).find("start") != std::string::npos ? startOf : endOf)[n] = pt;
    }
  }
  std::vector<Gust> gusts;
  for (size_t at = text.find("<ksj:Gust gml:id=\"wind_"); at != std::string::npos;
       at = text.find("<ksj:Gust gml:id=\"wind_", at + 1)) {
    const std::string n = Between(text, at, "wind_", "\"");
    Gust g;
    g.scale = Between(text, at, "<ksj:fujitaScale>", "<");
    g.start = points[startOf[n]];
    g.end = endOf.count(n) ? points[endOf[n]] : g.start;
    gusts.push_back(g);
  }
  return gusts;
}

TEST(KsjTornadoTracks, RealFileTracksRunFromStartToEndPixel) {
  TempFolder out;
  // Kanto: about 40 gusts start here.
  TestJob t(out.str(), 35.0, 139.0, 36.5, 140.9);
  t->image.unitsPerPixel = 100;
  const std::vector<Gust> gusts = ReadGusts(ReadText(KsjSample("A30b-11.xml")));
  ASSERT_EQ(gusts.size(), 1476u);
  const PixelOf pixel{t, {}};
  std::vector<std::string> want;
  for (const Gust& g : gusts) {
    const auto [e, n] = pixel.zone9(g.start.lat, g.start.lon);
    if (e < t->tile.west || e > t->tile.east || n < t->tile.south || n > t->tile.north) continue;
    const auto [sx, sy] = pixel(g.start.lat, g.start.lon);
    const auto [ex, ey] = pixel(g.end.lat, g.end.lon);
    for (const std::string& s : {g.scale, std::to_string(sx), std::to_string(sy), std::to_string(ex), std::to_string(ey)})
      want.push_back(s);
  }
  ASSERT_GE(want.size(), 5u * 20);
  const auto lines = RunReader(t, out, TornadoTheme(), &ksj::KsjTornadoTracks, KsjSample("A30b-11.xml"));
  ASSERT_EQ(lines.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    if (i % 5 == 0) {
      EXPECT_EQ(lines[i], want[i]) << i;
    } else {
      EXPECT_NEAR(std::stol(lines[i]), std::stol(want[i]), 1) << i;  // PROJ vs the series
    }
  }
  EXPECT_EQ(t->errorText, "");
}

TEST(KsjTornadoTracks, PointNumberBeyondThePointPartIsTheBiasLimitMessage) {
  TempFolder out;
  TestJob t(out.str());
  KsjGml g;
  g.point("pt_" + std::to_string(t.cells.budget()), {35.71, 139.75});
  const std::string path = out.file("A30b-11.xml");
  WriteText(path, g.text());
  EXPECT_TRUE(RunReader(t, out, TornadoTheme(), &ksj::KsjTornadoTracks, path).empty());
  EXPECT_EQ(t->errorText, TornadoTheme().caption + " でbiaslimitを超えました");
}

// Numbers in a damaged file past any count the pool holds (a gust's start
// and a point reference of nineteen digits) cost the file its message, not
// an overflow.
TEST(KsjTornadoTracks, NumbersPastAnyCountAreTheFilesFailure) {
  for (const std::string& huge : {std::string("9223372036854775807"), std::string("9223372036854775000")}) {
    TempFolder out;
    TestJob t(out.str());
    KsjGml g;
    g.point("pt_1", {35.71, 139.75});
    g.line("  <ksj:AppearancePoint gml:id=\"start_" + huge + "\">");
    g.line("    <ksj:position xlink:href=\"#pt_1\"/>");
    g.line("  </ksj:AppearancePoint>");
    g.line("  <ksj:AppearancePoint gml:id=\"start_1\">");
    g.line("    <ksj:position xlink:href=\"#pt_" + huge + "\"/>");
    g.line("  </ksj:AppearancePoint>");
    g.line("  <ksj:Gust gml:id=\"wind_1\">");
    g.line("    <ksj:fujitaScale>F1</ksj:fujitaScale>");
    g.line("    <ksj:appearancePoint xlink:href=\"#start_1\"/>");
    g.line("  </ksj:Gust>");
    const std::string path = out.file("A30b-11.xml");
    WriteText(path, g.text());
    EXPECT_TRUE(RunReader(t, out, TornadoTheme(), &ksj::KsjTornadoTracks, path).empty()) << huge;
    EXPECT_NE(t->errorText, "") << huge;
  }
}

// Parks of the real file read independently: name and point.
std::vector<std::pair<std::string, LatLon>> ReadParks(const std::string& text) {
  std::map<std::string, LatLon> points;
  for (size_t at = text.find("<gml:Point gml:id=\""); at != std::string::npos;
       at = text.find("<gml:Point gml:id=\"", at + 1)) {
    LatLon p{};
    std::sscanf(Between(text, at, "<gml:pos>", "<").c_str(), "%lf %lf", &p.lat, &p.lon);
    points[Between(text, at, "gml:id=\"", "\"")] = p;
  }
  std::vector<std::pair<std::string, LatLon>> parks;
  for (size_t at = text.find("<ksj:Park "); at != std::string::npos; at = text.find("<ksj:Park ", at + 1))
    parks.push_back({Between(text, at, "<ksj:nop>", "<"), points[Between(text, at, "<ksj:loc xlink:href=\"#", "\"")]});
  return parks;
}

TEST(KsjPointNames, RealParkNamesSitBesideTheirPoints) {
  TempFolder out;
  TestJob t(out.str(), 35.40, 138.40, 35.75, 139.00);  // Yamanashi
  t->image.unitsPerPixel = 20;
  const auto parks = ReadParks(ReadText(KsjSample("P13-11_19.xml")));
  ASSERT_EQ(parks.size(), 160u);
  const ksj::BulletSize bullet{12, 16};
  const PixelOf pixel{t, {}};
  std::vector<std::string> want;
  for (const auto& [name, p] : parks) {
    const auto [e, n] = pixel.zone9(p.lat, p.lon);
    if (name.empty() || e < t->tile.west || e > t->tile.east || n < t->tile.south || n > t->tile.north) continue;
    const auto [x, y] = pixel(p.lat, p.lon);
    want.push_back(std::to_string(x - bullet.width / 12));
    want.push_back(std::to_string(y - bullet.height / 4));
    want.push_back("・" + name);
  }
  ASSERT_GE(want.size(), 3u * 100);
  const auto lines = RunReader(t, out, ParkTheme(), &ksj::KsjPointNames, KsjSample("P13-11_19.xml"), bullet);
  ASSERT_EQ(lines.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    if (i % 3 == 2) {
      EXPECT_EQ(lines[i], want[i]) << i;
    } else {
      EXPECT_NEAR(std::stol(lines[i]), std::stol(want[i]), 1) << i;
    }
  }
  EXPECT_EQ(t->errorText, "");
}

TEST(KsjPointNames, ShiftJisTwinOfTheRealFileReadsTheSame) {
  TempFolder out;
  TestJob t(out.str(), 35.40, 138.40, 35.75, 139.00);
  t->image.unitsPerPixel = 20;
  std::string text = ReadText(KsjSample("P13-11_19.xml"));
  ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
  const std::string utf8Decl = "encoding=\"UTF-8\"";
  text = text.substr(3);
  text.replace(text.find(utf8Decl), utf8Decl.size(), "encoding=\"Shift_JIS\"");
  const std::string twin = out.file("P13-11_19-sjis.xml");
  WriteText(twin, Utf8ToCp932(text));
  const auto real = RunReader(t, out, ParkTheme(), &ksj::KsjPointNames, KsjSample("P13-11_19.xml"));
  const auto sjis = RunReader(t, out, ParkTheme(), &ksj::KsjPointNames, twin);
  EXPECT_FALSE(real.empty());
  EXPECT_EQ(sjis, real);
}

TEST(KsjPointNames, NamesBeforeOrAfterTheirLinkAndEmptyNames) {
  TempFolder out;
  TestJob t(out.str());
  struct Case {
    const char* what;
    bool nameFirst;
  };
  for (const Case c : {Case{"name after link (P13)", false}, Case{"name before link (A27)", true}}) {
    SCOPED_TRACE(c.what);
    KsjGml g;
    g.point("pt1", {35.705, 139.75}).point("pt2", {35.71, 139.76}).point("pt3", {35.715, 139.77});
    for (auto [n, name] : {std::pair{1, "甲"}, {2, ""}, {3, "丙"}}) {
      const std::string link = "<ksj:loc xlink:href=\"#pt" + std::to_string(n) + "\"/>";
      const std::string nameLine = std::string("<ksj:nop>") + name + "</ksj:nop>";
      g.line("<ksj:Park gml:id=\"pk" + std::to_string(n) + "\">");
      g.line(c.nameFirst ? nameLine : link).line(c.nameFirst ? link : nameLine);
      g.line("</ksj:Park>");
    }
    const std::string path = out.file("P13-x.xml");
    WriteText(path, g.text());
    const auto lines = RunReader(t, out, ParkTheme(), &ksj::KsjPointNames, path);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "・甲");
    EXPECT_EQ(lines[5], "・丙");
    EXPECT_EQ(t->errorText, "");
  }
}

TEST(KsjPointNames, MissingPartsGiveTheirMessages) {
  TempFolder out;
  TestJob t(out.str());
  const std::string noAttributes = out.file("P13-a.xml");
  WriteText(noAttributes, KsjGml().point("pt1", {35.705, 139.75}).text());
  RunReader(t, out, ParkTheme(), &ksj::KsjPointNames, noAttributes);
  EXPECT_EQ(t->errorText, ParkTheme().caption + " は \r\n" + noAttributes + "\r\nを処理できあせん\r\n");
  const std::string noGeometry = out.file("P13-b.xml");
  WriteText(noGeometry, KsjGml().line("<ksj:loc xlink:href=\"#pt1\"/>").text());
  RunReader(t, out, ParkTheme(), &ksj::KsjPointNames, noGeometry);
  EXPECT_EQ(t->errorText, "mlitjpgis(" + noGeometry + " (fi) ファイル終端まで読込\r\n");
}

TEST(KsjAreaNames, MunicipalityNameAtTheCentreOfItsFirstPart) {
  TempFolder out;
  TestJob t(out.str());
  KsjGml g;
  g.curve("cv1_1", Square(35.704, 139.75, 0.004)).curve("cv1_2", Square(35.80, 139.90, 0.001));
  g.curve("cv2_1", Square(35.80, 139.90, 0.002));  // off the tile
  for (auto [n, name] : {std::pair{1, "見本市"}, {2, "遠方町"}}) {
    g.line("\t<ksj:AdministrativeBoundary gml:id=\"gy" + std::to_string(n) + "\">");
    g.line("\t\t<ksj:bounds xlink:href=\"#sf" + std::to_string(n) + "\"/>");
    g.line(std::string("\t\t<ksj:cityName>") + name + "</ksj:cityName>");
    g.line("\t</ksj:AdministrativeBoundary>");
  }
  const std::string path = out.file("N03-19_13.xml");
  WriteText(path, g.text());
  const KsjTheme theme = Theme("N03-name", 128, {"<gml:Curve gml:id=\"cv", "", "<ksj:AdministrativeBoundary gml:id=\"gy", "<ksj:cityName>"});
  const auto lines = RunReader(t, out, theme, &ksj::KsjAreaNames, path, {12, 16});
  ASSERT_EQ(lines.size(), 3u);
  const auto [x, y] = PixelOf{t, {}}(35.706, 139.752);
  EXPECT_NEAR(std::stol(lines[0]), x - 1, 1);
  EXPECT_NEAR(std::stol(lines[1]), y - 4, 1);
  EXPECT_EQ(lines[2], "・見本市");
}

TEST(KsjCurves, EveryListOfTwoOrMorePointsOnTheTileIsALine) {
  TempFolder out;
  TestJob t(out.str());
  KsjGml g;
  g.curve("c-1", {{35.705, 139.75}, {35.71, 139.76}, {35.712, 139.765}});
  g.curve("c-2", {{35.706, 139.75}});                      // one point: nothing
  g.curve("c-3", {{35.80, 139.90}, {35.81, 139.91}});      // off the tile
  const std::string path = out.file("W05-08_13.xml");
  WriteText(path, g.text());
  const auto lines = RunReader(t, out, Theme("W05-", 4), &ksj::KsjCurves, path);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[6], "sep");
  EXPECT_EQ(lines[0].size(), 23u);  // the scratch file's fixed plane form
}

TEST(KsjAirports, NamesAtReferencePointsOnlyInFilesMarkedAsKsj) {
  TempFolder out;
  TestJob t(out.str());
  auto airportFile = [](bool marked) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ksj:Dataset gml:id=\"C28\">\r\n";
    for (int i = 3; i < 8; ++i) text += "<!-- " + std::to_string(i) + " -->\r\n";
    text += marked ? "<gml:description>国土数値情報 空港 インスタンス文書</gml:description>\r\n" : "<x/>\r\n";
    text += "<gml:Point gml:id=\"pt_h_7\">\r\n<gml:pos>35.71 139.76</gml:pos>\r\n</gml:Point>\r\n";
    text += "<ksj:AirportReferencePoint gml:id=\"3\">\r\n<ksj:position xlink:href=\"#pt_h_7\"/>\r\n";
    text += "</ksj:AirportReferencePoint>\r\n";
    text += "<ksj:Airport gml:id=\"ap3\">\r\n<ksj:reference xlink:href=\"#3_1\"/>\r\n";
    text += "<ksj:airportName>見本空港</ksj:airportName>\r\n</ksj:Airport>\r\n</ksj:Dataset>";
    return text;
  };
  const KsjTheme theme = Theme("C28-", 2, {"<gml:Point gml:id=\"pt_h_", "\"", "<ksj:reference xlink:href=\"#", "<ksj:airportName>"});
  const std::string path = out.file("C28-19.xml");
  WriteText(path, airportFile(true));
  const auto lines = RunReader(t, out, theme, &ksj::KsjAirports, path, {12, 16});
  ASSERT_EQ(lines.size(), 3u);
  const auto [x, y] = PixelOf{t, {}}(35.71, 139.76);
  EXPECT_NEAR(std::stol(lines[0]), x - 6, 1);
  EXPECT_NEAR(std::stol(lines[1]), y - 8, 1);
  EXPECT_EQ(lines[2], "・見本空港");
  WriteText(path, airportFile(false));
  EXPECT_TRUE(RunReader(t, out, theme, &ksj::KsjAirports, path, {12, 16}).empty());
}

}  // namespace
}  // namespace velkaro
