// KSJ area readers on small fixtures in the published layouts: rings and
// holes, multipart features, the tile test, depth classes through the
// attribute cursor, zoning classes and the pool limits.

#include <gtest/gtest.h>

#include <cmath>

#include "ksj_test_support.h"
#include "vector/ksj_messages.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

// A storm-surge file (A49 layout): features by curve Cv<n>_<part>, the
// attribute part with bounds before the depth class.
std::string StormSurge(const std::vector<std::pair<std::vector<std::vector<LatLon>>, std::string>>& features,
                       const std::string& encoding = "UTF-8") {
  KsjGml g(encoding);
  for (size_t i = 0; i < features.size(); ++i)
    for (size_t k = 0; k < features[i].first.size(); ++k)
      g.curve("Cv" + std::to_string(i + 1) + "_" + std::to_string(k), features[i].first[k]);
  for (size_t i = 0; i < features.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    g.line("\t<ksj:AreasExpectedToBeFloodedByStormSurges gml:id=\"ss" + n + "\">");
    g.line("\t\t<ksj:bounds xlink:href=\"#sf" + n + "\"/>");
    if (!features[i].second.empty())
      g.line("\t\t<ksj:classificationOfWaterDepth>" + features[i].second + "</ksj:classificationOfWaterDepth>");
    g.line("\t</ksj:AreasExpectedToBeFloodedByStormSurges>");
  }
  return g.text();
}

KsjTheme StormSurgeTheme(int mask = 32) {
  return Theme("A49-", mask,
               {"<gml:Curve gml:id=\"Cv", "", "<ksj:bounds xlink:href=\"#sf", "<ksj:classificationOfWaterDepth>"});
}

// The marker, name line and point count of every ring record.
struct RingHead {
  std::string marker, name;
  long count;
  bool operator==(const RingHead&) const = default;
};
std::vector<RingHead> Rings(const std::vector<std::string>& lines) {
  std::vector<RingHead> rings;
  for (size_t i = 0; i + 2 < lines.size();) {
    RingHead h{lines[i], lines[i + 1], std::stol(lines[i + 2])};
    rings.push_back(h);
    i += 3 + 2 * static_cast<size_t>(h.count);
  }
  return rings;
}

TEST(KsjDepthClass, NumberOfEachPublishedClassText) {
  struct Case {
    const char* line;
    bool ok;
    double depth;
  };
  const Case cases[] = {
      {"<ksj:cassificationOfWaterDepth>0.5m～ 1.0m</ksj:cassificationOfWaterDepth>", true, 1.0},
      {"<ksj:classificationOfWaterDepth>3m 以上 5m 未満</ksj:classificationOfWaterDepth>", true, 5},
      {"<ksj:classificationOfWaterDepth>0.3m 未満</ksj:classificationOfWaterDepth>", true, 0.3},
      // The deepest class has no upper bound: its lower bound stands for it.
      {"<ksj:classificationOfWaterDepth>20m 以上</ksj:classificationOfWaterDepth>", true, 20},
      {"<x>5m以上</x>", true, 5},
      // Marks within the first four characters of the line do not count.
      {"～ 9m<x>2m</x>", true, 2},
      {"<x>深い</x>", false, 0},
      {"no marks at all", false, 0},
  };
  for (const Case& c : cases) {
    double depth = -1;
    EXPECT_EQ(ksj::DepthClassNumber(c.line, depth), c.ok) << c.line;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(depth, c.depth) << c.line;
    }
  }
  EXPECT_TRUE(ksj::IsDepthClassTheme("A49-"));
  EXPECT_TRUE(ksj::IsDepthClassTheme("A40-"));
  EXPECT_FALSE(ksj::IsDepthClassTheme("A31-12"));
}

TEST(KsjCodedAreas, DepthClassesBecomeNegativeHeightsInJobUnits) {
  TempFolder out;
  TestJob t(out.str());
  SetZoneNumber(t->coords, 9, 100.0);  // cm
  t.setTile(35.70, 139.74, 35.72, 139.78);
  const std::string path = out.file("A49-21_13.xml");
  WriteText(path, StormSurge({{{Square(35.705, 139.75, 0.002)}, "0.5m～ 1.0m"},
                              {{Square(35.706, 139.76, 0.002)}, ""},  // no attribute
                              {{Square(35.707, 139.77, 0.002)}, "3m 以上 5m 未満"},
                              {{Square(35.708, 139.765, 0.002)}, "20m 以上"}}));
  const auto lines = RunReader(t, out, StormSurgeTheme(), &ksj::KsjCodedAreas, path);
  const std::vector<RingHead> want = {
      {"sep", "-100", 4}, {"sep", "99999", 4}, {"sep", "-500", 4}, {"sep", "-2000", 4}};
  EXPECT_EQ(Rings(lines), want);
  EXPECT_EQ(t->errorText, "");
}

TEST(KsjCodedAreas, AttributesOutOfOrderStillFindTheirFeatures) {
  TempFolder out;
  TestJob t(out.str());
  KsjGml g;
  g.curve("Cv1_0", Square(35.705, 139.75, 0.002)).curve("Cv2_0", Square(35.706, 139.76, 0.002));
  g.line("<ksj:bounds xlink:href=\"#sf2\"/>").line("<ksj:classificationOfWaterDepth>0.3m 未満</ksj:classificationOfWaterDepth>");
  g.line("<ksj:bounds xlink:href=\"#sf1\"/>").line("<ksj:classificationOfWaterDepth>3m 以上 5m 未満</ksj:classificationOfWaterDepth>");
  const std::string path = out.file("A49-x.xml");
  WriteText(path, g.text());
  const auto lines = RunReader(t, out, StormSurgeTheme(), &ksj::KsjCodedAreas, path);
  const std::vector<RingHead> want = {{"sep", "-5", 4}, {"sep", "-0.3", 4}};
  EXPECT_EQ(Rings(lines), want);
}

TEST(KsjAreas, HolesPartsRepeatsAndTheTileTest) {
  TempFolder out;
  TestJob t(out.str());
  KsjGml g;
  // Feature 12 in two parts, each closing on its first point: one feature
  // written as a "sep" ring and a "mado" ring of 4 points each.
  g.curve("Cv12_1", Square(35.705, 139.75, 0.004)).curve("Cv12_2", Square(35.706, 139.751, 0.001));
  // Feature 13: wholly outside the tile; read but not written.
  g.curve("Cv13_0", Square(35.80, 139.90, 0.002));
  // Feature 14: an open ring (no repeat) keeps every point.
  g.curve("Cv14_0", {{35.71, 139.76}, {35.71, 139.761}, {35.711, 139.761}});
  const std::string path = out.file("A49-holes.xml");
  WriteText(path, g.text());
  const Zone9 zone9;
  const auto lines = RunReader(t, out, StormSurgeTheme(64), &ksj::KsjAreas, path);
  const std::vector<RingHead> want = {{"sep", "0", 4}, {"mado", "0", 4}, {"sep", "0", 3}};
  ASSERT_EQ(Rings(lines), want);
  // Points in plane coordinates, easting before northing.
  const auto [e, n] = zone9(35.705, 139.75);
  EXPECT_NEAR(std::stod(lines[3]), e, 0.01);
  EXPECT_NEAR(std::stod(lines[4]), n, 0.01);
  EXPECT_EQ(t->errorText, "");
}

TEST(KsjAreas, OnlyFilesNamedWithTheThemeCodeAreRead) {
  TempFolder out;
  TestJob t(out.str());
  const std::string path = out.file("A33-19_00.xml");
  WriteText(path, StormSurge({{{Square(35.705, 139.75, 0.002)}, "0.3m 未満"}}));
  EXPECT_TRUE(RunReader(t, out, StormSurgeTheme(64), &ksj::KsjAreas, path).empty());
}

TEST(KsjZoningAreas, OnlyTheThemesClassIsWrittenWithItsHoles) {
  TempFolder out;
  TestJob t(out.str());
  KsjGml g;
  g.curve("cv1_0", Square(35.705, 139.75, 0.004)).curve("cv1_1", Square(35.706, 139.751, 0.001));
  g.curve("cv2_0", Square(35.71, 139.76, 0.002));
  g.curve("cv3_0", Square(35.712, 139.762, 0.002));
  for (auto [n, cls] : {std::pair{1, 5}, {2, 6}, {3, 5}}) {
    g.line("<ksj:DesignatedArea gml:id=\"da" + std::to_string(n) + "\">");
    g.line("\t<ksj:cda xlink:href=\"#sf" + std::to_string(n) + "\"/>");
    g.line("\t<ksj:dac>" + std::to_string(cls) + "</ksj:dac>");
    g.line("</ksj:DesignatedArea>");
  }
  const std::string path = out.file("A29-11_13.xml");
  WriteText(path, g.text());
  const auto lines = RunReader(
      t, out, Theme("A29-5", 16, {"<gml:Curve gml:id=\"cv", "_", "<ksj:cda xlink:href=\"#sf", "<ksj:dac>"}),
      &ksj::KsjZoningAreas, path);
  const std::vector<RingHead> want = {{"sep", "0", 4}, {"mado", "0", 4}, {"sep", "0", 4}};
  EXPECT_EQ(Rings(lines), want);
  EXPECT_EQ(t->errorText, "");

  EXPECT_EQ(ksj::ZoningClassOf("A29-1"), 1);
  EXPECT_EQ(ksj::ZoningClassOf("A29-15"), 15);
  EXPECT_EQ(ksj::ZoningClassOf("A29-21"), 21);
  EXPECT_EQ(ksj::ZoningClassOf("A29-99"), 99);
  EXPECT_EQ(ksj::ZoningClassOf("A29-16"), 0);
  EXPECT_EQ(ksj::ZoningClassOf("A16-"), 0);
}

TEST(KsjZoningAreas, FeatureNumberBeyondThePoolIsTheXyLimitMessage) {
  TempFolder out;
  TestJob t(out.str());
  KsjGml g;
  g.line("<ksj:cda xlink:href=\"#sf" + std::to_string(t.cells.budget() + 5) + "\"/>");
  const std::string path = out.file("A29-11_13.xml");
  WriteText(path, g.text());
  const KsjTheme theme = Theme("A29-5", 16, {"<gml:Curve gml:id=\"cv", "_", "<ksj:cda xlink:href=\"#sf", "<ksj:dac>"});
  EXPECT_TRUE(RunReader(t, out, theme, &ksj::KsjZoningAreas, path).empty());
  EXPECT_EQ(t->errorText, theme.caption + " でxylimitを超えました");
}

}  // namespace
}  // namespace velkaro
