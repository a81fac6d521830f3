// Checks the definition files, presets and link file shipped beside the
// program (copied into the build's bin folder).

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "job/job_settings.h"
#include "job/settings_file.h"
#include "catalogue/catalogue_loader.h"

namespace velkaro {
namespace {

const std::string kProgramFolder = VELKARO_BIN_DIR "/";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// section (lower case) -> keys, in file order.
std::map<std::string, std::vector<std::string>> IniKeys(const std::string& path) {
  std::map<std::string, std::vector<std::string>> sections;
  std::string section;
  for (const std::string& line : ReadLines(path)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      section = line.substr(1, line.find(']') - 1);
      for (char& c : section) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      sections[section];
      continue;
    }
    sections[section].push_back(line.substr(0, line.find('=')));
  }
  return sections;
}

class ShippedCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    result_ = LoadLayerCatalogue(catalogue_, kProgramFolder);
    ASSERT_TRUE(result_.clean()) << result_.messages.front().text;
  }

  static std::vector<std::string> Names(const LayerTree& tree) {
    std::vector<std::string> names;
    for (const LayerGroup& group : tree.groups) {
      for (const LayerNode& child : group.children) names.push_back(child.entry.name);
    }
    return names;
  }
  std::vector<std::string> Codes() const {
    std::vector<std::string> codes;
    for (const KsjTheme& theme : catalogue_.ksj) codes.push_back(theme.code);
    return codes;
  }

  LayerCatalogue catalogue_;
  CatalogueLoadResult result_;
};

TEST_F(ShippedCatalogue, LayerNumbersRunWithoutGapFromTwo) {
  int expected = 2;
  auto check = [&](int number, const std::string& text) {
    EXPECT_EQ(number, expected) << text;
    EXPECT_EQ(text.rfind(FormatLayerNumber(expected), 0), 0u) << text;
    ++expected;
  };
  for (const LayerGroup& group : catalogue_.fgd.groups) {
    for (const LayerNode& child : group.children) check(child.layerNumber, child.text);
  }
  for (const KsjTheme& theme : catalogue_.ksj) check(theme.layerNumber, theme.caption);
  for (const LayerGroup& group : catalogue_.kkj.groups) {
    for (const LayerNode& child : group.children) check(child.layerNumber, child.text);
  }
  EXPECT_EQ(result_.lastLayerNumber, expected - 1);
}

TEST_F(ShippedCatalogue, EveryLayerLineOfTheFilesIsLoaded) {
  // A layer line lost to the end-of-file rule would show as a missing layer.
  const auto fgd = ReadLines(kProgramFolder + kFgdTreeFile);
  const auto kkj = ReadLines(kProgramFolder + kKkjTreeFile);
  EXPECT_EQ(static_cast<int>(fgd.size()), 1 + catalogue_.fgd.childCount() + 2 * kElevationClasses);
  EXPECT_EQ(static_cast<int>(kkj.size()), 1 + catalogue_.kkj.childCount() + 1);
  EXPECT_EQ(kkj.back(), "eod");
  EXPECT_GE(catalogue_.ksj.size(), 20u);
  EXPECT_LE(catalogue_.ksj.size(), static_cast<size_t>(kMaxKsjThemes));
  for (int k = 0; k < kElevationClasses; ++k) {
    EXPECT_FALSE(catalogue_.meshCaptions[k].empty()) << k;
    EXPECT_FALSE(catalogue_.contourCaptions[k].empty()) << k;
  }
}

TEST_F(ShippedCatalogue, NamesAndCodesAreUnique) {
  for (const LayerTree* tree : {&catalogue_.fgd, &catalogue_.kkj}) {
    std::set<std::string> names, captions;
    for (const std::string& name : Names(*tree)) EXPECT_TRUE(names.insert(name).second) << name;
    for (const LayerGroup& group : tree->groups) {
      EXPECT_TRUE(captions.insert(group.node.text).second) << group.node.text;
    }
  }
  std::set<std::string> codes;
  for (const std::string& code : Codes()) EXPECT_TRUE(codes.insert(code).second) << code;
}

// What the scans rely on: a group reads the files of its own element with its
// own reader bit, routes by distinct keys and opens at most 32 outputs.
TEST_F(ShippedCatalogue, GroupsAreScannableAsDefined) {
  const std::set<int32_t> readerBits = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024};
  for (const LayerTree* tree : {&catalogue_.fgd, &catalogue_.kkj}) {
    for (const LayerGroup& group : tree->groups) {
      const std::string& caption = group.node.text;
      EXPECT_LE(group.children.size(), 32u) << caption;
      EXPECT_TRUE(readerBits.count(group.node.entry.readerMask)) << caption;
      std::set<std::string> keys;
      for (size_t k = 0; k < group.children.size(); ++k) {
        const LayerEntry& entry = group.children[k].entry;
        EXPECT_EQ(entry.elementName(), group.node.entry.elementName()) << entry.name;
        EXPECT_EQ(entry.readerMask, group.node.entry.readerMask) << entry.name;
        EXPECT_TRUE(keys.insert(entry.typeKey).second) << entry.name << " repeats its key";
        // An empty key routes every feature to the first child that is on.
        EXPECT_TRUE(k == 0 || !entry.typeKey.empty()) << entry.name;
        if (entry.readerMask == GML8LayoutStr) {
          EXPECT_EQ(entry.subKey, group.children[0].entry.subKey) << entry.name;
          EXPECT_TRUE(entry.subKey == "1" || entry.subKey == "2") << entry.name;
        }
        EXPECT_LT(static_cast<size_t>(entry.sizeIndex), kSizeList.size()) << entry.name;
        EXPECT_LE(entry.widthIndex, 14) << entry.name;
      }
    }
  }
}

TEST_F(ShippedCatalogue, ThemesCarryTheReaderTextsTheirReadersNeed) {
  // Reader bit -> the reader texts (1-based) that reader looks for.
  const std::map<int32_t, std::vector<int>> needs = {
      {0x40, {1}}, {0x20, {1, 3, 4}}, {0x10, {1, 2, 3}}, {0x08, {1, 2, 4}},
      {0x04, {}},  {0x02, {1, 2, 3, 4}}, {0x01, {1, 3, 4}}, {0x80, {1, 3, 4}},
  };
  for (const KsjTheme& theme : catalogue_.ksj) {
    EXPECT_NE(theme.readerMask, 0) << theme.code;
    EXPECT_EQ(theme.readerMask & ~0xFF, 0) << theme.code;
    for (const auto& [bit, texts] : needs) {
      if (!(theme.readerMask & bit)) continue;
      for (int t : texts) EXPECT_FALSE(theme.readerTexts[t - 1].empty()) << theme.code << " text " << t;
    }
  }
}

// The reader texts of the themes whose real files are at hand must find
// their features in them.
TEST_F(ShippedCatalogue, ReaderTextsMatchRealKsjFiles) {
  auto theme = [&](const std::string& code) -> const KsjTheme* {
    for (const KsjTheme& t : catalogue_.ksj) {
      if (t.code == code) return &t;
    }
    return nullptr;
  };
  const KsjTheme* parks = theme("P13-");
  ASSERT_NE(parks, nullptr);
  const std::string parkFile = ReadFile(VELKARO_SAMPLES_DIR "/ksj/P13-11_19.xml");
  ASSERT_FALSE(parkFile.empty());
  // The point of feature 1 and the attribute key built from its number.
  EXPECT_NE(parkFile.find(parks->readerTexts[0] + "1\""), std::string::npos);
  EXPECT_NE(parkFile.find(parks->readerTexts[2] + "1\""), std::string::npos);
  EXPECT_NE(parkFile.find(parks->readerTexts[3] + "笛吹川フルーツ公園<"), std::string::npos);

  const KsjTheme* gusts = theme("A30b");
  ASSERT_NE(gusts, nullptr);
  const std::string gustFile = ReadFile(VELKARO_SAMPLES_DIR "/ksj/A30b-11.xml");
  ASSERT_FALSE(gustFile.empty());
  EXPECT_NE(gustFile.find(gusts->readerTexts[0] + "2495" + gusts->readerTexts[1]), std::string::npos);
  EXPECT_NE(gustFile.find(gusts->readerTexts[3] + "F1<"), std::string::npos);
}

TEST_F(ShippedCatalogue, PresetsHoldExactlyTheLayersOfTheirTree) {
  const std::vector<std::string> fgd = Names(catalogue_.fgd);
  const std::vector<std::string> kkj = Names(catalogue_.kkj);
  const std::vector<std::string> ksj = Codes();
  struct Case {
    const char* file;
    std::map<std::string, std::vector<std::string>> sections;
  } cases[] = {
      {"基盤地図情報標準.pxk",
       {{"kihon", {"ver"}}, {"gsi-onoff", fgd}, {"gsi-color", fgd}, {"gsi--lineweight", fgd}}},
      {"国土基本情報標準.pxk",
       {{"kihon", {"ver"}}, {"kkj-onoff", kkj}, {"kkj-color", kkj}, {"kkj-lineweight", kkj}}},
      {"国土数値情報標準色.pxk",
       {{"kihon", {"ver"}}, {"mlit-onoff", ksj}, {"mlit-color", ksj}, {"mlit-lineweight", ksj}}},
      {"Checkclear.pxk",
       {{"kihon", {"ver"}},
        {"alti",
         {"alti5", "alti10", "alti50", "alti250", "alti1500", "cont5", "cont10", "cont50",
          "cont250", "cont1500"}},
        {"gsi-onoff", fgd}, {"mlit-onoff", ksj}, {"kkj-onoff", kkj}, {"tiikimesh", {"cb"}}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IniKeys(kProgramFolder + c.file), c.sections) << c.file;
  }
}

// Reading a standard preset brings back exactly the styles of the definition
// files, which proves the preset stores widths in the ".pxk" scale.
TEST_F(ShippedCatalogue, StandardPresetsRestoreTheDefinedStyles) {
  JobSettings settings;
  settings.layers = catalogue_;
  for (LayerTree* tree : {&settings.layers.fgd, &settings.layers.kkj}) {
    for (LayerGroup& group : tree->groups) {
      for (LayerNode& child : group.children) {
        child.on = !child.on;
        child.entry.colour = 0x010203;
        child.entry.sizeIndex = 3;
        child.entry.widthIndex = 9;
      }
    }
  }
  for (KsjTheme& theme : settings.layers.ksj) {
    theme.on = true;
    theme.colour = 0x010203;
    theme.styleWord = 5 * 256 + 7;
  }
  for (const char* preset : {"基盤地図情報標準.pxk", "国土基本情報標準.pxk", "国土数値情報標準色.pxk"}) {
    ASSERT_TRUE(ReadSettings(settings, kProgramFolder + preset)) << preset;
  }
  for (auto [read, defined] : {std::pair{&settings.layers.fgd, &catalogue_.fgd},
                               std::pair{&settings.layers.kkj, &catalogue_.kkj}}) {
    for (size_t g = 0; g < defined->groups.size(); ++g) {
      for (size_t c = 0; c < defined->groups[g].children.size(); ++c) {
        const LayerNode& want = defined->groups[g].children[c];
        const LayerNode& got = read->groups[g].children[c];
        EXPECT_EQ(got.on, want.on) << want.entry.name;
        EXPECT_EQ(got.entry.colour, want.entry.colour) << want.entry.name;
        EXPECT_EQ(got.entry.sizeIndex, want.entry.sizeIndex) << want.entry.name;
        EXPECT_EQ(got.entry.widthIndex, want.entry.widthIndex) << want.entry.name;
      }
    }
  }
  for (size_t i = 0; i < catalogue_.ksj.size(); ++i) {
    const KsjTheme& got = settings.layers.ksj[i];
    EXPECT_EQ(got.on, catalogue_.ksj[i].on) << got.code;
    EXPECT_EQ(got.colour, catalogue_.ksj[i].colour) << got.code;
    EXPECT_EQ(got.styleWord / 256, 12) << got.code;
    EXPECT_GE(got.styleWord % 256, 1) << got.code;
    EXPECT_LE(got.styleWord % 256, 3) << got.code;
  }
}

TEST_F(ShippedCatalogue, CheckclearSwitchesEverythingOffAndKeepsStyles) {
  JobSettings settings;
  settings.layers = catalogue_;
  for (LayerTree* tree : {&settings.layers.fgd, &settings.layers.kkj}) {
    for (LayerGroup& group : tree->groups) {
      for (LayerNode& child : group.children) child.on = true;
    }
  }
  for (KsjTheme& theme : settings.layers.ksj) theme.on = true;
  settings.alti.fill(true);
  settings.cont.fill(true);
  settings.tiikimesh.on = true;
  ASSERT_TRUE(ReadSettings(settings, kProgramFolder + "Checkclear.pxk"));
  for (const LayerTree* tree : {&settings.layers.fgd, &settings.layers.kkj}) {
    for (const LayerGroup& group : tree->groups) {
      EXPECT_FALSE(group.node.on) << group.node.text;
      for (const LayerNode& child : group.children) EXPECT_FALSE(child.on) << child.entry.name;
    }
  }
  for (const KsjTheme& theme : settings.layers.ksj) EXPECT_FALSE(theme.on) << theme.code;
  EXPECT_FALSE(settings.anyMeshClass());
  EXPECT_FALSE(settings.anyContourClass());
  EXPECT_FALSE(settings.tiikimesh.on);
  const LayerNode* firstFgd = &settings.layers.fgd.groups[0].children[0];
  EXPECT_EQ(firstFgd->entry.colour, catalogue_.fgd.groups[0].children[0].entry.colour);
  EXPECT_EQ(firstFgd->entry.widthIndex, catalogue_.fgd.groups[0].children[0].entry.widthIndex);
}

TEST(ShippedLinks, EightLabelAndAddressPairs) {
  const auto lines = ReadLines(kProgramFolder + "maplink.txt");
  ASSERT_EQ(lines.size(), 16u);
  for (size_t i = 0; i < lines.size(); i += 2) {
    EXPECT_FALSE(lines[i].empty()) << i;
    EXPECT_EQ(lines[i + 1].rfind("https://", 0), 0u) << lines[i + 1];
    EXPECT_EQ(lines[i + 1].find(' '), std::string::npos) << lines[i + 1];
  }
}

}  // namespace
}  // namespace velkaro
