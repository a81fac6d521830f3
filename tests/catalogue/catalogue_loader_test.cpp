#include "catalogue/catalogue_loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

const std::string kFixtures = VELKARO_SOURCE_DIR "/tests/data/catalogue/";

// A throw-away program folder holding definition files written by a test.
class ProgramFolder {
 public:
  ProgramFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            ("velkaro-catalogue-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ProgramFolder() { fs::remove_all(path_); }

  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
  }
  std::string file(const char* name) const { return (path_ / name).string(); }
  std::string folder() const { return path_.string() + "/"; }

 private:
  fs::path path_;
};

// One layer line of either tree; the FGD form has the spare byte column.
struct Line {
  std::string name = "WL-1";
  std::string group = "水涯線";
  std::string layer = "河川";
  std::string colour = "0";
  std::string size = "12";
  std::string width = "0";
  std::string mask = "32";
  std::string type;
  std::string sub;
  std::string on = "0";
  std::string spare = "0";

  std::string fgd() const { return kkj() + "\t" + spare; }
  std::string kkj() const {
    return name + "\t" + group + "\t" + layer + "\t" + colour + "\t" + size + "\t" + width + "\t" +
           mask + "\t" + type + "\t" + sub + "\t" + on;
  }
};

Line Layer(const std::string& name, const std::string& group) {
  Line line;
  line.name = name;
  line.group = group;
  line.layer = name;
  return line;
}

const char* const kHeader = "header\n";

std::string ElevationLines() {
  std::string text;
  for (int k = 0; k < 5; ++k) text += "cMesh" + std::to_string(k) + "\tmesh" + std::to_string(k) + "\n";
  text.replace(text.find("mesh0"), 5, std::string(kElevationCaptionMarker));
  for (int k = 0; k < 5; ++k) text += "cCntr" + std::to_string(k) + "\tcntr" + std::to_string(k) + "\n";
  return text;
}

std::string FgdFile(const std::vector<Line>& lines, bool withElevation = true) {
  std::string text = kHeader;
  for (const Line& line : lines) text += line.fgd() + "\n";
  if (withElevation) text += ElevationLines();
  return text;
}

std::string KkjFile(const std::vector<Line>& lines, bool withEnd = true) {
  std::string text = kHeader;
  for (const Line& line : lines) text += line.kkj() + "\n";
  if (withEnd) text += "eod\n";
  return text;
}

std::string KsjFile(int themes) {
  std::string text;
  for (int i = 0; i < themes; ++i) {
    text += "T" + std::to_string(i) + "\tテーマ" + std::to_string(i) + "\t8421504\t4\t\t\t\t\n";
  }
  return text;
}

std::vector<std::string> ChildNames(const LayerTree& tree) {
  std::vector<std::string> names;
  for (const LayerGroup& group : tree.groups) {
    for (const LayerNode& child : group.children) names.push_back(child.entry.name);
  }
  return names;
}

// ---------------------------------------------------------------------------

TEST(CatalogueLoader, ReadsEveryColumnOfTheThreeFiles) {
  LayerCatalogue catalogue;
  const CatalogueLoadResult result = LoadLayerCatalogue(catalogue, kFixtures + "basic");
  ASSERT_TRUE(result.clean()) << result.messages.front().text;
  EXPECT_FALSE(result.stopStartup);
  EXPECT_EQ(result.lastLayerNumber, 10);

  // FGD: a group from the first line of each run, children from every line.
  ASSERT_EQ(catalogue.fgd.groups.size(), 2u);
  const LayerGroup& water = catalogue.fgd.groups[0];
  EXPECT_EQ(water.node.text, "水域");
  EXPECT_EQ(water.node.entry.name, "WA-1");
  EXPECT_EQ(water.node.entry.readerMask, 1024);
  EXPECT_EQ(water.node.entry.spare, 1);  // column 9 of the group's first line
  EXPECT_TRUE(water.node.entry.typeKey.empty());
  EXPECT_EQ(water.node.layerNumber, 0);
  ASSERT_EQ(water.children.size(), 2u);
  EXPECT_EQ(water.children[0].text, "002水域海");
  EXPECT_TRUE(water.children[0].on);
  EXPECT_EQ(water.children[0].entry.spare, 7);
  EXPECT_FALSE(water.children[1].on);

  const LayerGroup& roads = catalogue.fgd.groups[1];
  const LayerEntry& footpath = roads.children[1].entry;
  EXPECT_EQ(roads.children[1].text, "005道路縁徒歩道");
  EXPECT_EQ(roads.children[1].layerNumber, 5);
  EXPECT_EQ(footpath.colour, 9211020);
  EXPECT_EQ(footpath.sizeIndex, 12);
  EXPECT_EQ(footpath.widthIndex, 1);
  EXPECT_EQ(footpath.readerMask, 256);
  EXPECT_EQ(footpath.typeKey, "徒歩道");
  EXPECT_EQ(footpath.subKey, "x");
  EXPECT_EQ(footpath.spare, 3);
  EXPECT_EQ(roads.children[0].entry.sizeIndex, 14);

  // Groups are refreshed and the ones that are on expanded.
  EXPECT_TRUE(water.node.on);
  EXPECT_TRUE(water.expanded);
  EXPECT_EQ(water.node.entry.colour, 16765630);
  EXPECT_EQ(roads.node.entry.colour, 0);

  EXPECT_EQ(catalogue.meshCaptions[0], "標高Mesh   5m");
  EXPECT_EQ(catalogue.meshCaptions[4], "標高Mesh 1分");
  EXPECT_EQ(catalogue.contourCaptions[0], "等高線   5m");
  EXPECT_EQ(catalogue.contourCaptions[4], "等高線 1分");

  // KSJ themes.
  ASSERT_EQ(catalogue.ksj.size(), 2u);
  const KsjTheme& flood = catalogue.ksj[0];
  EXPECT_EQ(flood.code, "A31-12");
  EXPECT_EQ(flood.caption, "006洪水浸水想定区域");
  EXPECT_EQ(flood.colour, 0x808080);
  EXPECT_EQ(flood.textColour, 0);
  EXPECT_EQ(flood.readerMask, 32);
  EXPECT_EQ(flood.styleWord, 3073);
  EXPECT_FALSE(flood.on);
  EXPECT_EQ(flood.readerTexts[0], "<gml:Curve gml:id=\"c");
  EXPECT_EQ(flood.readerTexts[1], "");
  EXPECT_EQ(flood.readerTexts[2], "<ksj:bounds xlink:href=\"#a");
  EXPECT_EQ(flood.readerTexts[3], "<ksj:waterDepth>");
  EXPECT_EQ(catalogue.ksj[1].textColour, 0xFFFFFF - 255);
  EXPECT_EQ(catalogue.ksj[1].layerNumber, 7);

  // KKJ: children store five times their width index, groups do not.
  ASSERT_EQ(catalogue.kkj.groups.size(), 2u);
  const LayerGroup& centreLines = catalogue.kkj.groups[0];
  EXPECT_EQ(centreLines.children[0].text, "008道路中心線国道");
  EXPECT_EQ(centreLines.children[0].entry.widthIndex, 2);
  EXPECT_EQ(centreLines.children[1].entry.widthIndex, 1);
  EXPECT_EQ(centreLines.node.entry.widthIndex, 12);
  EXPECT_EQ(centreLines.node.entry.colour, 255);
  EXPECT_EQ(centreLines.children[0].entry.spare, 0);  // the KKJ tree has no spare column
  const LayerNode& mountains = catalogue.kkj.groups[1].children[0];
  EXPECT_EQ(mountains.text, "010注記山地");
  EXPECT_EQ(mountains.entry.subKey, "2");
  EXPECT_FALSE(catalogue.kkj.groups[1].node.on);
  EXPECT_FALSE(catalogue.kkj.groups[1].expanded);
}

// The line grammar's end rules: the line in hand at the end of the file is
// never used, so a file without its closing line loses its last layer.
TEST(CatalogueLoader, LastLayerLineNeedsTheClosingLine) {
  const std::vector<Line> layers = {Layer("WL-1", "水涯線"), Layer("WL-2", "水涯線"),
                                    Layer("WL-3", "水涯線")};
  struct Case {
    const char* what;
    bool fgdClosed, kkjClosed;
    size_t fgdLayers, kkjLayers;
  } cases[] = {
      {"both closed", true, true, 3, 3},
      {"no elevation lines", false, true, 2, 3},
      {"no eod line", true, false, 3, 2},
  };
  for (const Case& c : cases) {
    ProgramFolder folder;
    folder.write(kFgdTreeFile, FgdFile(layers, c.fgdClosed));
    folder.write(kKsjThemeFile, "");
    folder.write(kKkjTreeFile, KkjFile(layers, c.kkjClosed));
    LayerCatalogue catalogue;
    const CatalogueLoadResult result = LoadLayerCatalogue(catalogue, folder.folder());
    EXPECT_TRUE(result.clean()) << c.what;
    EXPECT_EQ(catalogue.fgd.childCount(), static_cast<int>(c.fgdLayers)) << c.what;
    EXPECT_EQ(catalogue.kkj.childCount(), static_cast<int>(c.kkjLayers)) << c.what;
    EXPECT_EQ(catalogue.meshCaptions[0].empty(), !c.fgdClosed) << c.what;
    EXPECT_EQ(catalogue.contourCaptions[4], c.fgdClosed ? "cntr4" : "") << c.what;
    // The KKJ numbers follow the FGD ones without a gap.
    EXPECT_EQ(catalogue.kkj.groups[0].children[0].layerNumber, 2 + static_cast<int>(c.fgdLayers))
        << c.what;
  }
}

TEST(CatalogueLoader, KkjStopsAtAnyLineContainingEod) {
  ProgramFolder folder;
  folder.write(kFgdTreeFile, FgdFile({Layer("WL-1", "水涯線")}));
  folder.write(kKsjThemeFile, "");
  Line ending = Layer("Geodesy-1", "測地");  // "eod" inside a name ends the layers too
  folder.write(kKkjTreeFile,
               KkjFile({Layer("WL-1", "水涯線"), ending, Layer("WL-2", "水涯線")}));
  LayerCatalogue catalogue;
  EXPECT_TRUE(LoadLayerCatalogue(catalogue, folder.folder()).clean());
  EXPECT_EQ(ChildNames(catalogue.kkj), std::vector<std::string>{"WL-1"});
}

TEST(CatalogueLoader, ACaptionChangeAlwaysStartsAGroup) {
  ProgramFolder folder;
  Line first = Layer("WL-1", "水涯線");
  first.colour = "255";
  Line road = Layer("RdEdg-1", "道路縁");
  Line again = Layer("WL-2", "水涯線");
  again.mask = "256";
  again.on = "1";
  folder.write(kFgdTreeFile, FgdFile({first, road, again, Layer("WL-3", "水涯線")}));
  folder.write(kKsjThemeFile, "");
  folder.write(kKkjTreeFile, KkjFile({first, road, again, Layer("WL-3", "水涯線")}));
  LayerCatalogue catalogue;
  ASSERT_TRUE(LoadLayerCatalogue(catalogue, folder.folder()).clean());
  for (const LayerTree* tree : {&catalogue.fgd, &catalogue.kkj}) {
    ASSERT_EQ(tree->groups.size(), 3u);
    EXPECT_EQ(tree->groups[0].node.text, "水涯線");
    EXPECT_EQ(tree->groups[2].node.text, "水涯線");
    EXPECT_EQ(tree->groups[0].children.size(), 1u);
    ASSERT_EQ(tree->groups[2].children.size(), 2u);
    // The second group's entry comes from the first line of its own run.
    EXPECT_EQ(tree->groups[2].node.entry.name, "WL-2");
    EXPECT_EQ(tree->groups[2].node.entry.readerMask, 256);
    EXPECT_FALSE(tree->groups[0].node.on);
    EXPECT_TRUE(tree->groups[2].node.on);
  }
}

TEST(CatalogueLoader, LayerNumbersContinueAcrossTheTrees) {
  std::vector<Line> fgd;
  for (int i = 1; i <= 40; ++i) fgd.push_back(Layer("WL-" + std::to_string(i), "水涯線"));
  ProgramFolder folder;
  folder.write(kFgdTreeFile, FgdFile(fgd));
  folder.write(kKsjThemeFile, KsjFile(30));
  Line first = Layer("RdCL-1", "道路中心線");
  first.layer = "国道";
  folder.write(kKkjTreeFile, KkjFile({first, Layer("RdCL-2", "道路中心線")}));
  LayerCatalogue catalogue;
  const CatalogueLoadResult result = LoadLayerCatalogue(catalogue, folder.folder());
  ASSERT_TRUE(result.clean());
  EXPECT_EQ(catalogue.fgd.groups[0].children.front().text.substr(0, 3), "002");
  EXPECT_EQ(catalogue.fgd.groups[0].children.back().text.substr(0, 3), "041");
  EXPECT_EQ(catalogue.ksj.front().caption, "042テーマ0");
  EXPECT_EQ(catalogue.ksj.back().caption, "071テーマ29");
  EXPECT_EQ(catalogue.kkj.groups[0].children[0].text, "072道路中心線国道");
  EXPECT_EQ(result.lastLayerNumber, 73);
}

TEST(CatalogueLoader, LayerNumbersKeepGrowingPastThreeDigits) {
  EXPECT_EQ(FormatLayerNumber(1), "001");
  EXPECT_EQ(FormatLayerNumber(72), "072");
  EXPECT_EQ(FormatLayerNumber(1234), "1234");
}

TEST(CatalogueLoader, ThemeListHoldsAtMost101Themes) {
  for (int themes : {101, 102}) {
    ProgramFolder folder;
    folder.write(kFgdTreeFile, FgdFile({Layer("WL-1", "水涯線")}));
    folder.write(kKsjThemeFile, KsjFile(themes));
    folder.write(kKkjTreeFile, KkjFile({Layer("WL-1", "水涯線")}));
    LayerCatalogue catalogue;
    const CatalogueLoadResult result = LoadLayerCatalogue(catalogue, folder.folder());
    if (themes == 101) {
      EXPECT_TRUE(result.clean());
      EXPECT_EQ(catalogue.ksj.size(), 101u);
      EXPECT_EQ(catalogue.kkj.childCount(), 1);
      continue;
    }
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].title, "起動時に障害発生");
    EXPECT_EQ(result.messages[0].text, folder.file(kKsjThemeFile) + " の項目が多すぎます。");
    EXPECT_TRUE(result.terminate);
    EXPECT_TRUE(result.stopStartup);
    EXPECT_EQ(catalogue.kkj.childCount(), 0);  // start-up ends before the KKJ tree
  }
}

TEST(CatalogueLoader, BlankLinesInTheThemeListAreNotThemes) {
  ProgramFolder folder;
  folder.write(kFgdTreeFile, FgdFile({Layer("WL-1", "水涯線")}));
  folder.write(kKsjThemeFile, KsjFile(1) + "\n" + KsjFile(100) + "\r\n\n");
  folder.write(kKkjTreeFile, KkjFile({Layer("WL-1", "水涯線")}));
  LayerCatalogue catalogue;
  EXPECT_TRUE(LoadLayerCatalogue(catalogue, folder.folder()).clean());
  EXPECT_EQ(catalogue.ksj.size(), 101u);
}

TEST(CatalogueLoader, MissingFilesAreReportedAndDecideWhetherStartUpGoesOn) {
  struct Case {
    const char* missing;
    bool stopStartup;
    size_t themes;
    int kkjLayers;
  } cases[] = {
      {kFgdTreeFile, true, 0, 0},   // nothing after the FGD tree is built
      {kKsjThemeFile, false, 0, 1}, // only the themes are lost
      {kKkjTreeFile, true, 2, 0},
  };
  for (const Case& c : cases) {
    ProgramFolder folder;
    folder.write(kFgdTreeFile, FgdFile({Layer("WL-1", "水涯線")}));
    folder.write(kKsjThemeFile, KsjFile(2));
    folder.write(kKkjTreeFile, KkjFile({Layer("WL-1", "水涯線")}));
    fs::remove(folder.file(c.missing));
    LayerCatalogue catalogue;
    const CatalogueLoadResult result = LoadLayerCatalogue(catalogue, folder.folder());
    ASSERT_EQ(result.messages.size(), 1u) << c.missing;
    EXPECT_EQ(result.messages[0].title, "警告") << c.missing;
    EXPECT_EQ(result.messages[0].text, folder.file(c.missing) + " が見つかりません");
    EXPECT_EQ(result.stopStartup, c.stopStartup) << c.missing;
    EXPECT_FALSE(result.terminate) << c.missing;
    EXPECT_EQ(catalogue.ksj.size(), c.themes) << c.missing;
    EXPECT_EQ(catalogue.kkj.childCount(), c.kkjLayers) << c.missing;
  }
}

TEST(CatalogueLoader, ProgramFolderWithoutTrailingSlash) {
  LayerCatalogue catalogue;
  EXPECT_TRUE(LoadLayerCatalogue(catalogue, kFixtures + "basic/").clean());
  EXPECT_EQ(catalogue.fgd.childCount(), 4);
}

// A malformed line ends start-up where it stands; what came before it stays.
TEST(CatalogueLoader, MalformedLineStopsTheLoadAndNamesFileAndLine) {
  Line badColour = Layer("WL-2", "水涯線");
  badColour.colour = "blue";
  Line badSize = Layer("WL-2", "水涯線");
  badSize.size = "300";
  Line badWidth = Layer("WL-2", "水涯線");
  badWidth.width = "-1";
  Line badSpare = Layer("WL-2", "水涯線");
  badSpare.spare = "";
  const std::string shortLine = "WL-2\t水涯線\t河川\t0\t12\t0\t32\n";
  const Line good = Layer("WL-1", "水涯線");

  struct Case {
    const char* what;
    const char* file;
    std::string fgd, ksj, kkj;
    std::string expectInText;
    int fgdLayers;
    size_t themes;
  } cases[] = {
      {"colour not a number", kFgdTreeFile, FgdFile({good, badColour, good}), KsjFile(1),
       KkjFile({good}), "3 行目の 4 列目「blue」は数値として読めません", 1, 0},
      {"size beyond a byte", kFgdTreeFile, FgdFile({good, badSize}), KsjFile(1), KkjFile({good}),
       "3 行目の 5 列目「300」は 0～255 の範囲にありません", 1, 0},
      {"negative width", kFgdTreeFile, FgdFile({badWidth, good}), KsjFile(1), KkjFile({good}),
       "2 行目の 6 列目「-1」は 0～255", 0, 0},
      {"empty spare byte", kFgdTreeFile, FgdFile({good, badSpare}), KsjFile(1), KkjFile({good}),
       "3 行目の 11 列目", 1, 0},
      {"too few columns", kFgdTreeFile, kHeader + good.fgd() + "\n" + shortLine + ElevationLines(),
       KsjFile(1), KkjFile({good}), "3 行目の列が足りません", 1, 0},
      {"elevation caption lines cut short", kFgdTreeFile,
       kHeader + good.fgd() + "\n" + good.fgd() + "\n" + ElevationLines().substr(0, 40), KsjFile(1),
       KkjFile({good}), "行目の列が足りません", 2, 0},
      {"theme mask not a number", kKsjThemeFile, FgdFile({good}),
       KsjFile(1) + "T9\tテーマ\t0\tfour\t\t\t\t\n", KkjFile({good}), "2 行目の 4 列目「four」", 1,
       1},
      {"theme line too short", kKsjThemeFile, FgdFile({good}), KsjFile(1) + "T9\tテーマ\t0\n",
       KkjFile({good}), "2 行目の列が足りません（8 列必要、3 列）", 1, 1},
      {"kkj colour not a number", kKkjTreeFile, FgdFile({good}), KsjFile(1),
       KkjFile({good, badColour, good}), "3 行目の 4 列目「blue」", 1, 1},
  };
  for (const Case& c : cases) {
    ProgramFolder folder;
    folder.write(kFgdTreeFile, c.fgd);
    folder.write(kKsjThemeFile, c.ksj);
    folder.write(kKkjTreeFile, c.kkj);
    LayerCatalogue catalogue;
    const CatalogueLoadResult result = LoadLayerCatalogue(catalogue, folder.folder());
    ASSERT_EQ(result.messages.size(), 1u) << c.what;
    EXPECT_EQ(result.messages[0].title, "起動時に障害発生") << c.what;
    const std::string& text = result.messages[0].text;
    EXPECT_EQ(text.rfind(folder.file(c.file), 0), 0u) << c.what << ": " << text;
    EXPECT_NE(text.find(c.expectInText), std::string::npos) << c.what << ": " << text;
    EXPECT_TRUE(result.stopStartup) << c.what;
    EXPECT_FALSE(result.terminate) << c.what;
    EXPECT_EQ(catalogue.fgd.childCount(), c.fgdLayers) << c.what;
    EXPECT_EQ(catalogue.ksj.size(), c.themes) << c.what;
    EXPECT_EQ(catalogue.kkj.childCount(), c.file == kKkjTreeFile ? 1 : 0) << c.what;
  }
}

// A definition file saved as Shift_JIS by an editor reads like its UTF-8 twin.
TEST(CatalogueLoader, ShiftJisDefinitionFilesRead) {
  Line line = Layer("WL-1", "水涯線");
  line.type = "水涯線（河川）";
  ProgramFolder folder;
  folder.write(kFgdTreeFile, Utf8ToCp932(FgdFile({line, line})));
  folder.write(kKsjThemeFile, Utf8ToCp932(KsjFile(1)));
  folder.write(kKkjTreeFile, Utf8ToCp932(KkjFile({line, line})));
  LayerCatalogue catalogue;
  ASSERT_TRUE(LoadLayerCatalogue(catalogue, folder.folder()).clean());
  EXPECT_EQ(catalogue.fgd.groups[0].node.text, "水涯線");
  EXPECT_EQ(catalogue.fgd.groups[0].children[1].entry.typeKey, "水涯線（河川）");
  EXPECT_EQ(catalogue.meshCaptions[0], kElevationCaptionMarker);
  EXPECT_EQ(catalogue.ksj[0].caption, "004テーマ0");
  EXPECT_EQ(catalogue.kkj.groups[0].children[0].text, "005水涯線WL-1");
}

TEST(CatalogueLoader, TextsAreCutToTheirShiftJisByteLimits) {
  Line line = Layer("ABCDEFGHIJKLMN", "長い");  // 14 bytes: name keeps 12
  line.type = "あいうえおかきくけこさしすせそた";  // 16 double-byte characters: keeps 15
  line.sub = "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁ";  // half-width katakana are one byte each
  Line mixed = Layer("水涯線WL-12345", "長い");  // 3 x 2 bytes + 9: the cut falls before "4"
  ProgramFolder folder;
  folder.write(kFgdTreeFile, FgdFile({line, mixed}));
  folder.write(kKsjThemeFile, "");
  folder.write(kKkjTreeFile, KkjFile({line, mixed}));
  LayerCatalogue catalogue;
  ASSERT_TRUE(LoadLayerCatalogue(catalogue, folder.folder()).clean());
  for (const LayerTree* tree : {&catalogue.fgd, &catalogue.kkj}) {
    const LayerGroup& group = tree->groups[0];
    EXPECT_EQ(group.node.entry.name, "ABCDEFGHIJKL");
    EXPECT_EQ(group.children[0].entry.typeKey, "あいうえおかきくけこさしすせそ");
    EXPECT_EQ(group.children[0].entry.subKey, "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ");
    EXPECT_EQ(group.children[1].entry.name, "水涯線WL-123");
    // The display text is not an entry text and keeps every character.
    EXPECT_EQ(group.children[0].text.substr(3), "長いABCDEFGHIJKLMN");
  }
}

// Notes in the theme list ("#" lines) say which layouts are confirmed; they
// are neither themes nor counted against the theme limit or layer numbers.
TEST(CatalogueLoader, ThemeListNoteLinesAreSkipped) {
  ProgramFolder folder;
  folder.write(kFgdTreeFile, FgdFile({Layer("WL-1", "水涯線"), Layer("WL-1", "水涯線")}));
  folder.write(kKsjThemeFile, "# confirmed on a real file\n" + KsjFile(1) +
                                  "#\tnot\ta\ttheme\t1\t2\t3\t4\n" + KsjFile(1).substr(0));
  folder.write(kKkjTreeFile, KkjFile({Layer("WL-1", "水涯線"), Layer("WL-1", "水涯線")}));
  LayerCatalogue catalogue;
  ASSERT_TRUE(LoadLayerCatalogue(catalogue, folder.folder()).clean());
  ASSERT_EQ(catalogue.ksj.size(), 2u);
  EXPECT_EQ(catalogue.ksj[0].caption, "004テーマ0");
  EXPECT_EQ(catalogue.ksj[1].caption, "005テーマ0");
}

}  // namespace
}  // namespace velkaro
