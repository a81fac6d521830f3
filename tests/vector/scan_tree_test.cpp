#include "vector/scan_tree.h"

#include <gtest/gtest.h>

#include "../archive/zip_builder.h"
#include "gml_test_support.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

const std::vector<LatLon> kLine = {{35.705, 139.755}, {35.706, 139.756}, {35.707, 139.758}};

LayerGroup Group(const std::string& name, const std::string& text, int mask,
                 const std::vector<std::pair<std::string, bool>>& children) {
  LayerGroup g;
  g.node.entry.name = name;
  g.node.entry.readerMask = mask;
  g.node.text = text;
  int number = 100;
  for (const auto& [key, on] : children) {
    LayerNode child;
    child.entry.name = name;
    child.entry.typeKey = key;
    child.entry.readerMask = mask;
    child.text = std::to_string(++number) + text + key;
    child.on = on;
    g.children.push_back(child);
  }
  g.node.on = false;
  for (const auto& c : g.children) g.node.on = g.node.on || c.on;
  return g;
}

std::string LineFile(const std::string& element, const std::string& type) {
  return Gml().curve(element, {{"orgGILvl", "2500"}}, kLine, {{"type", type}}).file();
}

TEST(ScanTree, MeshCodeOfFileName) {
  struct Row {
    const char* path;
    const char* element;
    const char* code;
  };
  const Row rows[] = {
      {"/d/FG-GML-533946-AdmArea-20161001-0001.xml", "AdmArea", "-533946"},
      {"/data/WA/FG-GML-533946-WA-20161001-0001.xml", "WA", "-533946"},  // the folder is ignored
      {"FG-GML-523514-RdEdg-20260401-0001.xml", "RdEdg", "-523514"},
      {"FG-GML-523514-rdedg-20260401-0001.xml", "RdEdg", ""},            // case differs
      {"WL.xml", "WL", ""},                                               // too short
      {"FG-GML-533946-WL-20161001-0001.xml", "", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(MeshCodeOfFile(row.path, row.element), row.code) << row.path;
  EXPECT_EQ(SourcePattern("RdEdg"), "*RdEdg*.xml");
}

struct ScanFixture : ::testing::Test {
  TempFolder out;
  TempFolder src;
  TestJob t{out.str()};
  LayerTree tree;

  void SetUp() override { t->meshCodes = {"-533945", "-533946"}; }
  std::string scratch(const LayerGroup& g, size_t child) {
    return ScratchPath(out.str(), g.children[child].text);
  }
};

TEST_F(ScanFixture, ReadsOnlyTheTilesMeshesExceptForAdmBdry) {
  tree.groups.push_back(Group("WL-1", "水涯線", GML32Poly, {{"一条河川", true}}));
  tree.groups.push_back(Group("AdmBdry", "行政界", GML32Poly, {{"町村・指定都市の区界", true}}));
  tree.groups.push_back(Group("RdEdg-1", "道路縁", GML256Poly, {{"真幅道路", true}, {"軽車道", false}}));
  for (const char* mesh : {"533946", "533945", "533947"}) {
    WriteText(src.file(std::string("FG-GML-") + mesh + "-WL-20161001-0001.xml"), LineFile("WL", "一条河川"));
    WriteText(src.file(std::string("sub/FG-GML-") + mesh + "-AdmBdry-20161001-0001.xml"),
              LineFile("AdmBdry", "町村・指定都市の区界"));
    WriteText(src.file(std::string("FG-GML-") + mesh + "-RdEdg-20161001-0001.xml"), LineFile("RdEdg", "真幅道路"));
  }
  WriteText(src.file("FG-GML-533946-RdEdg-20161001-0001.txt"), LineFile("RdEdg", "真幅道路"));  // not .xml

  t->settings.subfolder = false;
  scanTree(*t, tree, src.str(), 0, 0x7fffffff);
  EXPECT_EQ(t->fileCount, 3 + 0 + 3);  // AdmBdry files lie in a subfolder
  t->settings.subfolder = true;
  t->fileCount = 0;
  scanTree(*t, tree, src.str(), 0, 0x7fffffff);
  EXPECT_EQ(t->fileCount, 9);
  for (const auto& g : tree.groups)
    for (size_t c = 0; c < g.children.size(); ++c) EXPECT_FALSE(fs::exists(scratch(g, c)));  // counting opens nothing

  t->fileCount = 0;
  scanTree(*t, tree, src.str(), 1, 992);
  EXPECT_EQ(t->errorText, "");
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[0], 0)).lines.size(), 2u);  // 533947 is not on the tile
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[1], 0)).lines.size(), 3u);  // every AdmBdry file
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[2], 0)).lines.size(), 2u);
  EXPECT_FALSE(fs::exists(scratch(tree.groups[2], 1)));                  // child off: no file
  EXPECT_EQ(t->fileCount, 9);
  EXPECT_EQ(t.host.labelsOf(LabelRole::Group), (std::vector<std::string>{"水涯線", "行政界", "道路縁"}));
  EXPECT_EQ(t.host.labelsOf(LabelRole::FileName).size(), 7u);

  // A later pass appends; a pass without the group's bits runs no reader and
  // leaves the files as they were.
  scanTree(*t, tree, src.str(), 1, 992);
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[0], 0)).lines.size(), 4u);
  const long before = t->fileCount;
  scanTree(*t, tree, src.str(), 1, 0x7ffffc00);
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[0], 0)).lines.size(), 4u);
  EXPECT_EQ(t->fileCount, before);
}

TEST_F(ScanFixture, AreaGroupInTheLinePassWritesNothing) {
  tree.groups.push_back(Group("BldA-1", "建築物", GML1024Hatch, {{"普通建物", true}}));
  WriteText(src.file("FG-GML-533946-BldA-20161001-0001.xml"),
            Gml().surface("BldA", {}, {kLine}, {{"type", "普通建物"}}).file());
  scanTree(*t, tree, src.str(), 1, 992);
  EXPECT_FALSE(fs::exists(scratch(tree.groups[0], 0)));   // nothing written, no file
  scanTree(*t, tree, src.str(), 1, 0x7ffffc00);
  EXPECT_NE(ReadText(scratch(tree.groups[0], 0)), "");
}

TEST_F(ScanFixture, BrokenFileCostsThatFileOnly) {
  tree.groups.push_back(Group("WL-1", "水涯線", GML32Poly, {{"一条河川", true}}));
  const std::string broken = src.file("FG-GML-533945-WL-20161001-0001.xml");
  std::string text = LineFile("WL", "一条河川");
  WriteText(broken, text.substr(0, text.find("35.706")) + "35.7");  // cut inside a vertex list
  WriteText(src.file("FG-GML-533946-WL-20161001-0001.xml"), text);
  scanTree(*t, tree, src.str(), 1, 992);
  EXPECT_EQ(t->errorText, "GML32Poly(" + broken + ")で異常\r\n");
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[0], 0)).lines.size(), 1u);
}

TEST_F(ScanFixture, ZipMembersAreCountedFilteredAndReadInPlace) {
  tree.groups.push_back(Group("WL-1", "水涯線", GML32Poly, {{"一条河川", true}}));
  const std::string line = LineFile("WL", "一条河川");
  std::string cut = line.substr(0, line.find("35.706")) + "35.7";  // cut inside a vertex list
  // A download bundle: per-mesh zips inside one zip; the member of 533947
  // lies off the tile, the zip of 523945 is damaged but never opened.
  WriteText(src.file("PackDLMap.zip"),
            ZipBytes({{"FG-GML-533946-ALL-20161001.zip",
                       ZipBytes({{"FG-GML-533946-WL-20161001-0001.xml", line},
                                 {"FG-GML-533946-RdEdg-20161001-0001.xml", line}})},
                      {"FG-GML-523945-ALL-20161001.zip", "damaged"}}));
  WriteText(src.file("FG-GML-533945-ALL-20161001.zip"),
            ZipBytes({{"FG-GML-533945-WL-20161001-0001.xml", cut},
                      {"FG-GML-533947-WL-20161001-0001.xml", line}}));

  // Counting takes every member of the group's pattern.
  scanTree(*t, tree, src.str(), 0, 0x7fffffff);
  EXPECT_EQ(t->fileCount, 3);
  EXPECT_EQ(t->errorText, "");

  scanTree(*t, tree, src.str(), 1, 992);
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[0], 0)).lines.size(), 1u);
  EXPECT_EQ(t->errorText, "GML32Poly(" + src.file("FG-GML-533945-ALL-20161001.zip") +
                              "/FG-GML-533945-WL-20161001-0001.xml)で異常\r\n");
  EXPECT_EQ(t.host.labelsOf(LabelRole::FileName),
            (std::vector<std::string>{"FG-GML-533945-WL-20161001-0001.xml", "FG-GML-533946-WL-20161001-0001.xml"}));

  // A damaged zip that may hold the tile is named; the others are read.
  WriteText(src.file("FG-GML-533945-ALL-20161001.zip"),
            ZipBytes({{"FG-GML-533945-WL-20161001-0001.xml", line}}));
  WriteText(src.file("FG-GML-533946-09-20161001.zip"), "damaged");
  t->errorText.clear();
  scanTree(*t, tree, src.str(), 1, 992);
  EXPECT_EQ(t->errorText, "書庫(" + src.file("FG-GML-533946-09-20161001.zip") + ")で異常\r\n");
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[0], 0)).lines.size(), 1u + 2u);
}

TEST_F(ScanFixture, AbortDeletesTheGroupsFilesAndStops) {
  tree.groups.push_back(Group("WL-1", "水涯線", GML32Poly, {{"一条河川", true}}));
  tree.groups.push_back(Group("Cstline-1", "海岸線", GML32Poly, {{"海岸線", true}, {"防波堤", true}}));
  tree.groups.push_back(Group("RdEdg-1", "道路縁", GML256Poly, {{"真幅道路", true}}));
  WriteText(src.file("FG-GML-533946-WL-20161001-0001.xml"), LineFile("WL", "一条河川"));
  for (const char* serial : {"0001", "0002", "0003", "0004"})
    WriteText(src.file(std::string("FG-GML-533946-Cstline-20161001-") + serial + ".xml"),
              LineFile("Cstline", "海岸線"));
  WriteText(src.file("FG-GML-533946-RdEdg-20161001-0001.xml"), LineFile("RdEdg", "真幅道路"));
  // Pumps: group 1, its file, group 2, its files 1, 2, 3 -> abort before the third.
  t.host.abortAtPump = 6;
  scanTree(*t, tree, src.str(), 1, 992);
  EXPECT_FALSE(t->runFlag);
  EXPECT_EQ(ReadPolylines(scratch(tree.groups[0], 0)).lines.size(), 1u);  // an earlier group stays
  EXPECT_FALSE(fs::exists(scratch(tree.groups[1], 0)));
  EXPECT_FALSE(fs::exists(scratch(tree.groups[1], 1)));
  EXPECT_FALSE(fs::exists(scratch(tree.groups[2], 0)));                  // never visited
  EXPECT_EQ(t.host.labelsOf(LabelRole::Group), (std::vector<std::string>{"水涯線", "海岸線"}));
}

TEST_F(ScanFixture, AtMostThirtyTwoOutputs) {
  std::vector<std::pair<std::string, bool>> children;
  for (int i = 0; i < 34; ++i) children.emplace_back("k" + std::to_string(i), true);
  tree.groups.push_back(Group("WL-1", "水涯線", GML32Poly, children));
  WriteText(src.file("FG-GML-533946-WL-20161001-0001.xml"), LineFile("WL", "k33"));
  ScanContext scan;
  scanTree(*t, tree, src.str(), 1, 992, scan);
  EXPECT_EQ(scan.outputs.size(), 32u);
  EXPECT_EQ(scan.elementName, "WL");
  EXPECT_EQ(scan.startTag, "<WL");
  EXPECT_EQ(scan.endTag, "</WL>");
  EXPECT_EQ(scan.outputs[31].path(), scratch(tree.groups[0], 31));
  EXPECT_EQ(t->errorText, "");
}

}  // namespace
}  // namespace velkaro
