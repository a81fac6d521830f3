#include "job/settings_file.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace velkaro {
namespace {

// ---------------------------------------------------------------- fixture

LayerNode Child(const std::string& name, int number, int32_t colour = 0x404040) {
  LayerNode node;
  node.entry.name = name;
  node.entry.colour = colour;
  node.entry.sizeIndex = 12;
  node.entry.widthIndex = 1;
  node.text = std::to_string(number) + name;
  node.layerNumber = number;
  return node;
}

LayerGroup Group(const std::string& name, std::vector<LayerNode> children) {
  LayerGroup group;
  group.node.entry.name = name;
  group.node.text = name;
  group.children = std::move(children);
  return group;
}

KsjTheme Theme(const std::string& code) {
  KsjTheme theme;
  theme.code = code;
  return theme;
}

// A small catalogue with the layer names the upgrade rules look for.
JobSettings SmallJob() {
  JobSettings s;
  s.layers.fgd.groups = {
      Group("RdEdg", {Child("RdEdg-1", 2), Child("RdEdg-2", 3)}),
      Group("WL", {Child("WL-1", 4)}),
      Group("BldA", {Child("BldL-1", 5), Child("BldA-1", 6)}),
      Group("GCP", {Child("GCP-3", 7), Child("GCP-4", 8)}),
      Group("AdmArea", {Child("AdmArea-12", 9)}),
  };
  s.layers.ksj = {Theme("A09"), Theme("W05"), Theme("N03")};
  s.layers.kkj.groups = {
      Group("RailCL", {Child("RailCL-8", 13), Child("RailCL-9", 14)}),
      Group("WL", {Child("WL-1", 15), Child("WL-2", 16)}),
      Group("AdmBdry", {Child("AdmBdry-1", 17)}),
  };
  return s;
}

LayerNode& Fgd(JobSettings& s, const char* name) { return *s.layers.fgd.findChild(name); }
LayerNode& Kkj(JobSettings& s, const char* name) { return *s.layers.kkj.findChild(name); }

JobSettings ReadText(const std::string& text, const std::string& path = "job.pxj",
                     JobSettings s = SmallJob()) {
  ReadSettings(s, IniFile::FromText(text), path);
  return s;
}

std::string WrittenText(const JobSettings& s) {
  IniFile ini;
  WriteSettings(s, ini);
  return ini.Text();
}

class TempFolder {
 public:
  TempFolder()
      : path_(std::filesystem::temp_directory_path() /
              ("velkaro-settings-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ------------------------------------------------------------ round trips

JobSettings ChangedJob() {
  JobSettings s = SmallJob();
  s.readfolder = "/データ/基盤地図情報";
  s.meshfolder = "/data/dem";
  s.kkjfolder = "/data/kkj";
  s.syoufolder = "/data/ksj";
  s.writefolder = "/out/地図";
  s.subfolder = false;
  s.type = 2;
  s.size = 9;
  s.tanni = 0;
  s.namae = "東京駅周辺";
  s.zahyokei = 8;
  s.kita = "-35000.5";
  s.minami = "-36000";
  s.nisi = "-9000";
  s.higasi = "-8000";
  s.yokodiv = "3";
  s.tatediv = "2";
  s.kasane = 10;
  s.haikei = 0x123456;
  s.movieTop = "12.5";
  s.movieBtm = "1.0";
  s.fps = 20;
  s.alti = {false, true, false, false, false};
  s.cont = {false, false, false, false, true};
  s.shadow = true;
  s.shadowmd = 1;
  s.height = -20;
  s.houi = 300;
  s.lineweight = 3;
  s.taisyo = 2;
  s.syoryaku = 5;
  s.hose = "-1.5";
  s.iro = 3;
  s.hanreisu = 6;
  s.jido = false;
  s.kankaku = 9;
  s.kamen = 0;
  Fgd(s, "RdEdg-2").on = true;
  Fgd(s, "RdEdg-2").entry.colour = 0x0000FF;
  Fgd(s, "RdEdg-2").entry.sizeIndex = 20;
  Fgd(s, "RdEdg-2").entry.widthIndex = 14;
  s.layers.ksj[1].on = true;
  s.layers.ksj[1].colour = 0x00FF00;
  s.layers.ksj[1].textColour = 0xFF00FF;
  s.layers.ksj[1].styleWord = 5 * 256 + 15;
  Kkj(s, "WL-2").on = true;
  Kkj(s, "WL-2").entry.colour = 0xABCDEF;
  s.objsize = 3;
  s.czoom = "1.5";
  s.road = "5.5";
  s.bld = 100;
  s.tiikimesh.on = true;
  s.tiikimesh.colour = 0xFF0000;
  s.tiikimesh.styleWord = 20 * 256 + 3;
  s.tiikimesh.keta = 2;
  s.legendInterval.resize(2, 3);
  s.legendBottom.resize(2, 3);
  s.legendInterval.cell(0, 0) = "5";
  s.legendInterval.cell(1, 2) = "12.5";
  s.legendBottom.cell(1, 1) = "-3";
  return s;
}

TEST(SettingsFileTest, EveryFieldSurvivesASaveAndLoad) {
  TempFolder dir;
  const std::string path = dir.file("tokyo.pxj");
  const JobSettings saved = ChangedJob();
  std::string error;
  ASSERT_TRUE(WriteSettings(saved, path, &error)) << error;

  JobSettings loaded = SmallJob();
  ASSERT_TRUE(ReadSettings(loaded, path));
  EXPECT_EQ(WrittenText(loaded), WrittenText(saved));
  // Spot checks that the comparison above compares what it should.
  EXPECT_EQ(loaded.namae, "東京駅周辺");
  EXPECT_EQ(loaded.readfolder, "/データ/基盤地図情報");
  EXPECT_FALSE(loaded.subfolder);
  EXPECT_EQ(loaded.haikei, 0x123456);
  EXPECT_TRUE(loaded.alti[1]);
  EXPECT_TRUE(loaded.cont[4]);
  EXPECT_EQ(Fgd(loaded, "RdEdg-2").entry.styleWord(), 20 * 256 + 14);
  EXPECT_EQ(Fgd(loaded, "RdEdg-2").entry.colour, 0x0000FF);
  EXPECT_EQ(loaded.layers.ksj[1].styleWord, 5 * 256 + 15);
  EXPECT_EQ(loaded.layers.ksj[1].textColour, 0xFF00FF);  // 0xFFFFFF - colour
  EXPECT_TRUE(Kkj(loaded, "WL-2").on);
  EXPECT_EQ(loaded.tiikimesh.styleWord, 20 * 256 + 3);
  EXPECT_EQ(loaded.legendInterval.cell(1, 2), "12.5");
  EXPECT_EQ(loaded.legendBottom.cell(1, 1), "-3");
  // Groups follow their children after a read, and the ones that are on open.
  EXPECT_TRUE(loaded.layers.fgd.groups[0].node.on);
  EXPECT_TRUE(loaded.layers.fgd.groups[0].expanded);
  EXPECT_FALSE(loaded.layers.fgd.groups[1].node.on);
}

// A current-layout file typed by hand from the format (CR LF lines, UTF-8,
// keys in any letter case, blanks around values), not written by the writer.
TEST(SettingsFileTest, AHandTypedFileReadsIntoTheFields) {
  TempFolder dir;
  const std::string path = dir.file("typed.pxj");
  const char* lines[] = {
      "[kihon]",         "ver=12",          "readfolder=/data/fgd", "WriteFolder = /maps ",
      "subfolder=0",     "type=2",          "size=7",                "tanni=1",
      "[area]",          "namae=港町",       "zahyokei=33",          "kita=-28000",
      "minami=-45000",   "nisi=-18500",     "higasi=3500",          "yokodiv=2",
      "tatediv=3",       "kasane=5",        "haikei=$00FF00",       "[movie]",
      "top=4.5",         "btm=-1",          "fps=12",               "[alti]",
      "alti10=1",        "cont5=1",         "shadow=1",             "houi=270",
      "taisyo=3",        "hose=1.5",        "hanreisu=2",           "jido=0",
      "[GSI-OnOff]",     "RdEdg-2=1",       "[GSI-Color]",          "RdEdg-2=$0000FF",
      "[GSI--LineWeight]", "RdEdg-2=1282",  "[KKJ-OnOff]",          "WL-2=1",
      "[KKJ-Rank]",      "objsize=2",       "czoom=2.0",            "bld=30",
      "[tiikimesh]",     "cb=1",            "keta=2",               "[kankaku]",
      "B1=25",           "[kamen]",         "C0=-10",
  };
  {
    std::ofstream out(path, std::ios::binary);
    for (const char* line : lines) out << line << "\r\n";
  }
  JobSettings s = SmallJob();
  ASSERT_TRUE(ReadSettings(s, path));
  EXPECT_EQ(s.readfolder, "/data/fgd");
  EXPECT_EQ(s.writefolder, "/maps");
  EXPECT_FALSE(s.subfolder);
  EXPECT_EQ(s.type, kOutputGeoTiff);
  EXPECT_EQ(s.size, 7);
  EXPECT_EQ(s.tanni, 1);
  EXPECT_EQ(s.namae, "港町");
  EXPECT_EQ(s.zahyokei, 33);
  EXPECT_EQ(s.kita, "-28000");
  EXPECT_EQ(s.higasi, "3500");
  EXPECT_EQ(s.yokodiv, "2");
  EXPECT_EQ(s.tatediv, "3");
  EXPECT_EQ(s.kasane, 5);
  EXPECT_EQ(s.haikei, 0x00FF00);
  EXPECT_EQ(s.movieTop, "4.5");
  EXPECT_EQ(s.movieBtm, "-1");
  EXPECT_EQ(s.fps, 12);
  EXPECT_TRUE(s.alti[1]);
  EXPECT_FALSE(s.alti[0]);
  EXPECT_TRUE(s.cont[0]);
  EXPECT_TRUE(s.shadow);
  EXPECT_EQ(s.houi, 270);
  EXPECT_EQ(s.taisyo, kDepressionAreas);
  EXPECT_EQ(s.hose, "1.5");
  EXPECT_EQ(s.hanreisu, 2);
  EXPECT_FALSE(s.jido);
  EXPECT_TRUE(Fgd(s, "RdEdg-2").on);
  EXPECT_FALSE(Fgd(s, "RdEdg-1").on);
  EXPECT_EQ(Fgd(s, "RdEdg-2").entry.colour, 0x0000FF);
  EXPECT_EQ(Fgd(s, "RdEdg-2").entry.styleWord(), 1282);   // size index 5, width index 1
  EXPECT_TRUE(Kkj(s, "WL-2").on);
  EXPECT_EQ(s.objsize, 2);
  EXPECT_EQ(s.czoom, "2.0");
  EXPECT_EQ(s.bld, 30);
  EXPECT_TRUE(s.tiikimesh.on);
  EXPECT_EQ(s.tiikimesh.keta, 2);
  // The legend grids take the division fields' size: 3 rows (A-C) x 2 columns.
  ASSERT_EQ(s.legendInterval.rows, 3);
  ASSERT_EQ(s.legendInterval.cols, 2);
  EXPECT_EQ(s.legendInterval.cell(1, 1), "25");
  EXPECT_EQ(s.legendBottom.cell(2, 0), "-10");
}

TEST(SettingsFileTest, SectionsKeysAndValueFormsAreWrittenInOrder) {
  JobSettings s = SmallJob();
  Fgd(s, "RdEdg-1").entry.colour = 0x0000FF;  // red
  s.tiikimesh.colour = 0;
  s.tatediv = "2";
  s.yokodiv = "3";
  const std::string text = WrittenText(s);

  const char* sections[] = {"[kihon]",         "[area]",          "[movie]",
                            "[alti]",          "[GSI-OnOff]",     "[GSI-Color]",
                            "[GSI--LineWeight]", "[MLIT-OnOff]",  "[MLIT-Color]",
                            "[MLIT-LineWeight]", "[KKJ-OnOff]",   "[KKJ-Color]",
                            "[KKJ-LineWeight]", "[KKJ-Rank]",     "[tiikimesh]",
                            "[kankaku]",       "[kamen]"};
  size_t at = 0;
  for (const char* section : sections) {
    const size_t found = text.find(std::string(section) + "\r\n", at);
    ASSERT_NE(found, std::string::npos) << section << " missing or out of order";
    at = found;
  }
  EXPECT_NE(text.find("[kihon]\r\nver=12\r\nreadfolder=\r\nmeshfolder=\r\nkkjfolder=\r\n"
                      "syoufolder=\r\nwritefolder=\r\nsubfolder=1\r\ntype=0\r\nsize=-1\r\n"
                      "tanni=2\r\n[area]\r\nnamae=\r\nzahyokei=-1\r\nkita=0.01\r\nminami=0\r\n"
                      "nisi=0\r\nhigasi=0.01\r\nyokodiv=3\r\ntatediv=2\r\nkasane=0\r\n"
                      "haikei=16777215\r\n[movie]\r\ntop=6.0\r\nbtm=0.0\r\nfps=5\r\nformat=0\r\n"
                      "[alti]\r\nalti5=0\r\nalti10=0\r\nalti50=0\r\nalti250=0\r\nalti1500=0\r\n"
                      "cont5=0\r\ncont10=0\r\ncont50=0\r\ncont250=0\r\ncont1500=0\r\nshadow=0\r\n"
                      "shadowmd=0\r\nheight=0\r\nhoui=135\r\nlineweight=0\r\ntaisyo=1\r\n"
                      "syoryaku=0\r\nhose=0\r\niro=6\r\nhanreisu=4\r\njido=1\r\nzentai=0\r\nkankaku=5\r\n"
                      "kamen=2\r\n[GSI-OnOff]\r\nRdEdg-1=0\r\nRdEdg-2=0\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[GSI-Color]\r\nRdEdg-1=$0000FF\r\nRdEdg-2=$404040\r\n"), std::string::npos);
  EXPECT_NE(text.find("[GSI--LineWeight]\r\nRdEdg-1=3073\r\n"), std::string::npos);
  EXPECT_NE(text.find("[MLIT-OnOff]\r\nA09=0\r\nW05=0\r\nN03=0\r\n[MLIT-Color]\r\nA09=$808080\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("[KKJ-Rank]\r\nobjsize=0\r\nczoom=1.0\r\nroad=0.0\r\nbld=0\r\n"
                      "[tiikimesh]\r\ncb=0\r\ncolor=$000000\r\nlineweight=3073\r\nketa=1\r\n"
                      "[kankaku]\r\nA0=\r\nA1=\r\nA2=\r\nB0=\r\nB1=\r\nB2=\r\n"
                      "[kamen]\r\nA0=\r\nA1=\r\nA2=\r\nB0=\r\nB1=\r\nB2=\r\n"),
            std::string::npos)
      << text;
}

TEST(SettingsFileTest, SavingOverAFileKeepsKeysTheWriterDoesNotWrite) {
  TempFolder dir;
  const std::string path = dir.file("old.pxj");
  WriteBytes(path,
             "; written by hand\r\n[kihon]\r\nver=7\r\nExtra=keep\r\n[alti]\r\ncb16=1\r\n"
             "[JPGIS]\r\ncb0=1\r\n[GSI-OnOff]\r\nRemovedLayer-1=1\r\n[custom]\r\nfoo=bar\r\n");
  std::string error;
  ASSERT_TRUE(WriteSettings(SmallJob(), path, &error)) << error;
  const IniFile saved = IniFile::Load(path);
  EXPECT_EQ(saved.ReadInt("kihon", "ver", 0), 12);
  EXPECT_EQ(saved.ReadString("kihon", "extra", ""), "keep");
  EXPECT_EQ(saved.ReadString("alti", "cb16", ""), "1");
  EXPECT_EQ(saved.ReadString("JPGIS", "cb0", ""), "1");
  EXPECT_EQ(saved.ReadString("GSI-OnOff", "RemovedLayer-1", ""), "1");
  EXPECT_EQ(saved.ReadString("custom", "foo", ""), "bar");
  EXPECT_EQ(ReadBytes(path).rfind("; written by hand\r\n[kihon]\r\nver=12\r\nExtra=keep\r\n", 0), 0u);
}

TEST(SettingsFileTest, AShiftJisFileWithJapaneseTextReadsAndSurvivesASave) {
  TempFolder dir;
  const std::string path = dir.file("sjis.pxj");
  const std::string utf8 =
      "[kihon]\r\nver=12\r\nreadfolder=C:\\データ\\基盤地図情報\r\n"
      "[area]\r\nnamae=ソ表示の東京ﾃｽﾄ\r\n[kankaku]\r\nA0=１０\r\n";
  // The fixture bytes come from the system's converter.
  iconv_t cd = iconv_open("CP932", "UTF-8");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string sjis(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size(), outLeft = sjis.size();
  char* out = sjis.data();
  ASSERT_NE(iconv(cd, &in, &inLeft, &out, &outLeft), static_cast<size_t>(-1));
  iconv_close(cd);
  sjis.resize(sjis.size() - outLeft);
  WriteBytes(path, sjis);

  JobSettings s = SmallJob();
  ASSERT_TRUE(ReadSettings(s, path));
  EXPECT_EQ(s.namae, "ソ表示の東京ﾃｽﾄ");
  EXPECT_EQ(s.readfolder, "C:\\データ\\基盤地図情報");
  EXPECT_EQ(s.legendInterval.cell(0, 0), "１０");

  std::string error;
  ASSERT_TRUE(WriteSettings(s, path, &error)) << error;
  JobSettings again = SmallJob();
  ASSERT_TRUE(ReadSettings(again, path));
  EXPECT_EQ(again.namae, "ソ表示の東京ﾃｽﾄ");
  EXPECT_EQ(again.readfolder, "C:\\データ\\基盤地図情報");
  EXPECT_NE(ReadBytes(path).find("namae=ソ表示の東京ﾃｽﾄ\r\n"), std::string::npos);
}

TEST(SettingsFileTest, AMissingFileChangesNothing) {
  JobSettings s = ChangedJob();
  const std::string before = WrittenText(s);
  EXPECT_FALSE(ReadSettings(s, "/nonexistent/folder/job.pxj"));
  EXPECT_EQ(WrittenText(s), before);
}

TEST(SettingsFileTest, WritingIntoAMissingFolderReportsIt) {
  std::string error;
  EXPECT_FALSE(WriteSettings(SmallJob(), "/nonexistent/folder/job.pxj", &error));
  EXPECT_FALSE(error.empty());
}

// ------------------------------------------------------- upgrade rules

TEST(SettingsFileTest, VersionOneImageSizesShiftToTodaysList) {
  struct Case {
    int ver, stored, expected;
  };
  const Case cases[] = {{1, 0, 0}, {1, 2, 2}, {1, 3, 4}, {1, 5, 6},
                        {1, 7, 9}, {1, 11, 13}, {2, 3, 3}, {12, 7, 7}};
  for (const Case& c : cases) {
    const JobSettings s = ReadText("[kihon]\nver=" + std::to_string(c.ver) +
                                   "\nsize=" + std::to_string(c.stored) + "\n");
    EXPECT_EQ(s.size, c.expected) << "ver " << c.ver << " size " << c.stored;
  }
}

TEST(SettingsFileTest, VersionZeroTakesTheOldElevationAndKkjBranches) {
  JobSettings before = SmallJob();
  before.alti = {true, true, true, true, true};
  before.cont = {true, true, true, true, true};
  Kkj(before, "WL-1").on = true;
  Kkj(before, "WL-1").entry.sizeIndex = 20;
  Kkj(before, "WL-1").entry.widthIndex = 7;
  before.objsize = 4;
  before.czoom = "2.0";
  before.road = "3.0";
  before.bld = 50;
  // No kihon/ver; cb24 belongs to layout 7 only; KKJ keys of today are ignored.
  const JobSettings s = ReadText(
      "[alti]\ncb17=1\ncb20=1\ncb24=1\ncb25=1\n[KKJ-OnOff]\nWL-1=1\n[KKJ-Rank]\nobjsize=2\n",
      "job.pxj", before);
  EXPECT_EQ(s.alti, (std::array<bool, 5>{false, true, false, false, false}));
  EXPECT_EQ(s.cont, (std::array<bool, 5>{true, false, false, false, false}));
  for (const LayerGroup& group : s.layers.kkj.groups) {
    EXPECT_FALSE(group.node.on);
    for (const LayerNode& child : group.children) {
      EXPECT_FALSE(child.on) << child.entry.name;
      EXPECT_EQ(child.entry.sizeIndex, 12) << child.entry.name;
      EXPECT_EQ(child.entry.widthIndex, 2) << child.entry.name;
    }
  }
  EXPECT_EQ(s.objsize, 0);
  EXPECT_EQ(s.czoom, "1.0");
  EXPECT_EQ(s.road, "0.0");
  EXPECT_EQ(s.bld, 0);
}

TEST(SettingsFileTest, ElevationTogglesByVersion) {
  const std::string keys =
      "[alti]\ncb19=1\ncb23=1\ncb24=1\ncb25=1\nalti50=1\ncont10=1\n";
  struct Case {
    int ver;
    std::array<bool, 5> alti, cont;
  };
  const Case cases[] = {
      {6, {false, false, false, true, false}, {false, false, false, true, false}},
      {7, {false, false, false, true, true}, {false, false, false, true, true}},
      {8, {false, false, true, false, false}, {false, true, false, false, false}},
  };
  for (const Case& c : cases) {
    const JobSettings s = ReadText("[kihon]\nver=" + std::to_string(c.ver) + "\n" + keys);
    EXPECT_EQ(s.alti, c.alti) << "ver " << c.ver;
    EXPECT_EQ(s.cont, c.cont) << "ver " << c.ver;
  }
}

TEST(SettingsFileTest, FgdNumberedKeysOfLayoutsFiveToSeven) {
  const std::string keys =
      "cb9=1\ncolor9=$0000FF\nlineweight9=4\n"    // RdEdg
      "cb12=1\ncolor12=$00FF00\nlineweight12=5\n"  // BldL-
      "cb14=1\nlineweight14=6\n"                   // GCP-
      "cb1=1\ncolor1=$111111\n";                   // AdmArea-12
  JobSettings before = SmallJob();
  Fgd(before, "WL-1").on = true;  // WL is cb7, missing: state default 0
  Fgd(before, "RdEdg-1").entry.sizeIndex = 20;

  const std::string layout5 = "[kihon]\nver=5\n[gml]\n" + keys;
  const std::string layout6 =
      "[kihon]\nver=6\n"
      "[GSI-OnOff]\ncb9=1\ncb12=1\ncb14=1\ncb1=1\n"
      "[GSI-Color]\ncolor9=$0000FF\ncolor12=$00FF00\ncolor1=$111111\n"
      "[GSI--LineWeight]\nlineweight9=4\nlineweight12=5\nlineweight14=6\n";
  for (const std::string& layout : {layout5, layout6}) {
    JobSettings s = ReadText(layout, "job.pxj", before);
    for (const char* name : {"RdEdg-1", "RdEdg-2"}) {
      EXPECT_TRUE(Fgd(s, name).on) << name;
      EXPECT_EQ(Fgd(s, name).entry.colour, 0x0000FF) << name;
      EXPECT_EQ(Fgd(s, name).entry.widthIndex, 4) << name;
      EXPECT_EQ(Fgd(s, name).entry.sizeIndex, 12) << name;
    }
    EXPECT_FALSE(Fgd(s, "WL-1").on);
    EXPECT_TRUE(Fgd(s, "BldL-1").on);
    EXPECT_EQ(Fgd(s, "BldL-1").entry.colour, 0x00FF00);
    EXPECT_EQ(Fgd(s, "BldL-1").entry.widthIndex, 5);
    EXPECT_FALSE(Fgd(s, "BldA-1").on);  // key 13 missing
    EXPECT_TRUE(Fgd(s, "GCP-3").on);
    EXPECT_EQ(Fgd(s, "GCP-4").entry.widthIndex, 6);
    EXPECT_TRUE(Fgd(s, "AdmArea-12").on);
    EXPECT_EQ(Fgd(s, "AdmArea-12").entry.colour, 0x111111);
  }
}

TEST(SettingsFileTest, FgdLayersBeforeLayoutFiveKeepTheirValues) {
  JobSettings before = SmallJob();
  Fgd(before, "WL-1").on = true;
  Fgd(before, "WL-1").entry.widthIndex = 6;
  const JobSettings s = ReadText("[kihon]\nver=4\n[gml]\ncb7=0\n[GSI-OnOff]\nWL-1=0\n",
                                 "job.pxj", before);
  const LayerNode& wl = *s.layers.fgd.findChild("WL-1");
  EXPECT_TRUE(wl.on);
  EXPECT_EQ(wl.entry.widthIndex, 6);
  EXPECT_TRUE(s.layers.fgd.groups[1].node.on);
}

TEST(SettingsFileTest, GroupKeysOfLayoutsEightAndNine) {
  const JobSettings fgd = ReadText(
      "[kihon]\nver=8\n"
      "[GSI-OnOff]\nRdEdg=1\nBldA-1=1\nGCP-1=1\nAdmArea=1\n"
      "[GSI-Color]\nRdEdg=$0000FF\nGCP-2=$00FF00\n"
      "[GSI--LineWeight]\nRdEdg=5123\n");
  JobSettings s = fgd;
  EXPECT_TRUE(Fgd(s, "RdEdg-1").on);
  EXPECT_TRUE(Fgd(s, "RdEdg-2").on);
  EXPECT_EQ(Fgd(s, "RdEdg-2").entry.colour, 0x0000FF);
  EXPECT_EQ(Fgd(s, "RdEdg-2").entry.sizeIndex, 20);
  EXPECT_EQ(Fgd(s, "RdEdg-2").entry.widthIndex, 3);
  EXPECT_TRUE(Fgd(s, "BldL-1").on);     // BldL- reads "BldA-1"
  EXPECT_FALSE(Fgd(s, "BldA-1").on);    // BldA- reads "BldA-2"
  EXPECT_TRUE(Fgd(s, "GCP-3").on);
  EXPECT_FALSE(Fgd(s, "GCP-4").on);
  EXPECT_EQ(Fgd(s, "GCP-4").entry.colour, 0x00FF00);
  EXPECT_TRUE(Fgd(s, "AdmArea-12").on);

  JobSettings kkjBefore = SmallJob();
  Kkj(kkjBefore, "WL-2").on = true;  // KKJ group keys default to the current state
  JobSettings k = ReadText("[kihon]\nver=9\n[KKJ-OnOff]\nWL=1\n[KKJ-Color]\nWL=$0000FF\n"
                           "AdmBdry=$00FF00\n",
                           "job.pxj", kkjBefore);
  EXPECT_TRUE(Kkj(k, "WL-1").on);
  EXPECT_TRUE(Kkj(k, "WL-2").on);
  EXPECT_EQ(Kkj(k, "WL-1").entry.colour, 0x0000FF);
  EXPECT_EQ(Kkj(k, "AdmBdry-1").entry.colour, 0x00FF00);
}

TEST(SettingsFileTest, KkjRailwayNineReadsRailwayEightInLayoutTen) {
  const std::string text =
      "[KKJ-OnOff]\nRailCL-8=1\n[KKJ-Color]\nRailCL-8=$0000FF\n[KKJ-LineWeight]\nRailCL-8=3076\n";
  JobSettings ten = ReadText("[kihon]\nver=10\n" + text);
  EXPECT_TRUE(Kkj(ten, "RailCL-9").on);
  EXPECT_EQ(Kkj(ten, "RailCL-9").entry.colour, 0x0000FF);
  EXPECT_EQ(Kkj(ten, "RailCL-9").entry.widthIndex, 4);
  JobSettings twelve = ReadText("[kihon]\nver=12\n" + text);
  EXPECT_FALSE(Kkj(twelve, "RailCL-9").on);
  EXPECT_TRUE(Kkj(twelve, "RailCL-8").on);
}

TEST(SettingsFileTest, PresetFilesStoreWidthsFourTimesFiner) {
  const std::string text =
      "[kihon]\nver=12\n[GSI--LineWeight]\nRdEdg-1=3081\n[KKJ-LineWeight]\nWL-1=3081\n"
      "[MLIT-LineWeight]\nA09=3081\n";
  JobSettings before = SmallJob();
  Fgd(before, "RdEdg-2").entry.widthIndex = 9;  // not in the file: never rescaled
  before.layers.ksj[1].styleWord = 3072 + 9;

  const JobSettings preset = ReadText(text, "/opt/velkaro/基盤地図情報標準.pxk", before);
  EXPECT_EQ(preset.layers.fgd.findChild("RdEdg-1")->entry.widthIndex, 2);
  EXPECT_EQ(preset.layers.kkj.findChild("WL-1")->entry.widthIndex, 2);
  EXPECT_EQ(preset.layers.ksj[0].styleWord, 3072 + 3);
  EXPECT_EQ(preset.layers.fgd.findChild("RdEdg-2")->entry.widthIndex, 9);
  EXPECT_EQ(preset.layers.ksj[1].styleWord, 3072 + 9);

  const JobSettings job = ReadText(text, "/home/me/job.pxj", before);
  EXPECT_EQ(job.layers.fgd.findChild("RdEdg-1")->entry.widthIndex, 9);
  EXPECT_EQ(job.layers.ksj[0].styleWord, 3072 + 9);
}

TEST(SettingsFileTest, TreeStyleWordsAreNormalised) {
  struct Case {
    const char* stored;
    int size, width;
  };
  const Case cases[] = {
      {"5123", 20, 3},   {"7182", 28, 14}, {"7424", 12, 0},  // size 29 -> 12
      {"3087", 12, 0},                                        // width index 15 -> 0
      {"3327", 12, 0},   {"-1", 0, 0},    {"abc", 12, 1},    // unparsable: kept
  };
  for (const Case& c : cases) {
    JobSettings s = ReadText(std::string("[kihon]\nver=12\n[GSI--LineWeight]\nRdEdg-1=") +
                             c.stored + "\n");
    EXPECT_EQ(Fgd(s, "RdEdg-1").entry.sizeIndex, c.size) << c.stored;
    EXPECT_EQ(Fgd(s, "RdEdg-1").entry.widthIndex, c.width) << c.stored;
  }
}

TEST(SettingsFileTest, KsjThemesByVersionAndTheirStyleNormalisation) {
  struct Case {
    std::string text;
    bool on;
    int32_t colour;
    int style;
  };
  const Case cases[] = {
      {"[kihon]\nver=12\n[MLIT-OnOff]\nA09=1\n[MLIT-Color]\nA09=$0000FF\n"
       "[MLIT-LineWeight]\nA09=8000\n",
       true, 0x0000FF, 3073},  // 8000: size 12, width 64 -> 1
      {"[kihon]\nver=12\n[MLIT-LineWeight]\nA09=1284\n", false, 0x808080, 1284},
      {"[kihon]\nver=12\n[MLIT-LineWeight]\nA09=3088\n", false, 0x808080, 3073},
      {"[kihon]\nver=12\n[MLIT-LineWeight]\nA09=-5\n", false, 0x808080, 3073},
      {"[kihon]\nver=7\n[MLIT-OnOff]\nA09=1\n[MLIT-LineWeight]\nA09=4\n", true, 0x808080, 3076},
      {"[kihon]\nver=6\n[MLIT-OnOff]\nA09=1\n", true, 0x808080, 3073},
      {"[kihon]\nver=5\n[JPGIS]\ncb0=1\ncolor0=$00FF00\nlineweight0=7\n", true, 0x00FF00, 3079},
      {"[JPGIS]\ncb0=1\n", true, 0x808080, 3073},
  };
  for (const Case& c : cases) {
    const JobSettings s = ReadText(c.text);
    const KsjTheme& theme = s.layers.ksj[0];
    EXPECT_EQ(theme.on, c.on) << c.text;
    EXPECT_EQ(theme.colour, c.colour) << c.text;
    EXPECT_EQ(theme.styleWord, c.style) << c.text;
    EXPECT_EQ(theme.textColour, c.colour == 0x808080 ? 0 : 0xFFFFFF - c.colour) << c.text;
  }
}

TEST(SettingsFileTest, MeshSwitchOfOldAndNewLayouts) {
  JobSettings before = SmallJob();
  before.tiikimesh.keta = 2;
  const JobSettings old = ReadText("[kihon]\nver=7\n[tiikimesh]\ncb=1\ncolor=$0000FF\nlineweight=3\n",
                                   "job.pxj", before);
  EXPECT_TRUE(old.tiikimesh.on);
  EXPECT_EQ(old.tiikimesh.colour, 0x0000FF);
  EXPECT_EQ(old.tiikimesh.styleWord, 3072 + 3);
  EXPECT_EQ(old.tiikimesh.keta, 1);  // missing keta reads as 1

  // An old file without the key leaves the style word as it is.
  const JobSettings missing = ReadText("[kihon]\nver=7\n", "job.pxj", before);
  EXPECT_EQ(missing.tiikimesh.styleWord, 3073);

  const JobSettings now = ReadText("[kihon]\nver=12\n[tiikimesh]\nlineweight=5125\nketa=0\n");
  EXPECT_EQ(now.tiikimesh.styleWord, 5125);
  EXPECT_EQ(now.tiikimesh.keta, 0);
}

// ---------------------------------------------------------- legend grids

TEST(SettingsFileTest, LegendGridsFollowTheDivisionFields) {
  const JobSettings s = ReadText(
      "[kihon]\nver=12\n[area]\nyokodiv=3\ntatediv=2\n"
      "[kankaku]\nA0=1\nA1=2\nA2=3\nB0=4\nB1=5\nB2=6\nC0=stray\n"
      "[kamen]\nA0=-1\nB2=-6\n");
  for (const LegendGrid* grid : {&s.legendInterval, &s.legendBottom}) {
    EXPECT_EQ(grid->rows, 2);
    EXPECT_EQ(grid->cols, 3);
  }
  EXPECT_EQ(s.legendInterval.cells, (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(s.legendBottom.cells, (std::vector<std::string>{"-1", "", "", "", "", "-6"}));

  // Empty fields count as one tile; a field that is not a count keeps the layout.
  const JobSettings empty = ReadText("[area]\nyokodiv=\ntatediv=\n[kihon]\nver=12\n");
  EXPECT_EQ(empty.legendInterval.rows, 1);
  EXPECT_EQ(empty.legendInterval.cols, 1);
  JobSettings before = SmallJob();
  before.legendInterval.resize(2, 2);
  before.legendBottom.resize(2, 2);
  const JobSettings bad = ReadText("[kihon]\nver=12\n[area]\nyokodiv=x\ntatediv=99999\n",
                                   "job.pxj", before);
  EXPECT_EQ(bad.legendInterval.rows, 2);
  EXPECT_EQ(bad.legendInterval.cols, 2);
}

TEST(SettingsFileTest, LegendCellKeysUseTheRowLabels) {
  struct Case {
    int r, c, rows;
    const char* key;
  };
  const Case cases[] = {{0, 0, 1, "A0"},    {1, 3, 2, "B3"},     {25, 0, 26, "Z0"},
                        {0, 12, 30, "A12"}, {26, 0, 30, "AA0"},  {29, 1, 30, "AD1"},
                        {701, 0, 702, "ZZ0"}, {702, 0, 800, "AAA0"}};
  for (const Case& c : cases) EXPECT_EQ(LegendCellKey(c.r, c.c, c.rows), c.key) << c.key;
}

// --------------------------------------------------- command-line sets

TEST(SettingsFileTest, SettingAssignmentsChangeOneSetting) {
  JobSettings s = SmallJob();
  std::string error;
  ASSERT_TRUE(ApplySettingAssignment(s, "area/namae=tokyo", &error)) << error;
  EXPECT_EQ(s.namae, "tokyo");
  ASSERT_TRUE(ApplySettingAssignment(s, "AREA/Namae = 富士 山 ", &error)) << error;
  EXPECT_EQ(s.namae, "富士 山");
  ASSERT_TRUE(ApplySettingAssignment(s, "GSI-OnOff/RdEdg-1=1", &error)) << error;
  EXPECT_TRUE(Fgd(s, "RdEdg-1").on);
  EXPECT_TRUE(s.layers.fgd.groups[0].node.on);
  ASSERT_TRUE(ApplySettingAssignment(s, "movie/format=1", &error)) << error;
  EXPECT_EQ(s.movieFormat, kMovieMp4);
  ASSERT_TRUE(ApplySettingAssignment(s, "alti/zentai=1", &error)) << error;
  EXPECT_TRUE(s.zentai);
  ASSERT_TRUE(ApplySettingAssignment(s, "kihon/type=3", &error)) << error;
  EXPECT_EQ(s.type, kOutputPng);
  ASSERT_TRUE(ApplySettingAssignment(s, "MLIT-Color/W05=$0000FF", &error)) << error;
  EXPECT_EQ(s.layers.ksj[1].colour, 0x0000FF);
  ASSERT_TRUE(ApplySettingAssignment(s, "area/tatediv=2", &error)) << error;
  ASSERT_TRUE(ApplySettingAssignment(s, "kankaku/B0=5", &error)) << error;
  EXPECT_EQ(s.legendInterval.cell(1, 0), "5");
  ASSERT_TRUE(ApplySettingAssignment(s, "kihon/writefolder=/tmp/a=b", &error)) << error;
  EXPECT_EQ(s.writefolder, "/tmp/a=b");
  ASSERT_TRUE(ApplySettingAssignment(s, "alti/hose=", &error)) << error;
  EXPECT_EQ(s.hose, "");
}

TEST(SettingsFileTest, BadSettingAssignmentsAreRefusedWithAMessage) {
  const char* bad[] = {"namae=tokyo", "area/namae", "", "a=b/c", "/namae=x", "area/=x",
                       "area/nosuchkey=1", "nosuchsection/namae=1", "kankaku/B0=5",
                       "kihon/ver=1", "GSI-OnOff/RdEdg=1", "area/namae=a\nb"};
  for (const char* assignment : bad) {
    JobSettings s = SmallJob();
    const std::string before = WrittenText(s);
    std::string error;
    EXPECT_FALSE(ApplySettingAssignment(s, assignment, &error)) << assignment;
    EXPECT_FALSE(error.empty()) << assignment;
    EXPECT_EQ(WrittenText(s), before) << assignment;
  }
}

// A list goes through the file layout once, yet ends as the assignments
// one after the other would (a legend cell of a grid the list enlarges
// included); a bad one stops the list where it stands.
TEST(SettingsFileTest, AListOfAssignmentsActsAsOneAfterTheOther) {
  const std::vector<std::string> sets = {"area/namae=tokyo", "GSI-OnOff/RdEdg-1=1", "area/tatediv=2",
                                         "kankaku/B0=5",     "area/namae=osaka",    "alti/hose="};
  JobSettings one = SmallJob();
  JobSettings all = SmallJob();
  std::string error;
  for (const std::string& set : sets) ASSERT_TRUE(ApplySettingAssignment(one, set, &error)) << set << error;
  ASSERT_TRUE(ApplySettingAssignments(all, sets, &error)) << error;
  EXPECT_EQ(WrittenText(all), WrittenText(one));
  EXPECT_EQ(all.legendInterval.cell(1, 0), "5");

  JobSettings part = SmallJob();
  const std::string rows = part.tatediv;
  size_t failedAt = 99;
  EXPECT_FALSE(ApplySettingAssignments(part, {"area/namae=kyoto", "area/nosuchkey=1", "area/tatediv=3"}, &error,
                                       &failedAt));
  EXPECT_EQ(failedAt, 1u);
  EXPECT_NE(error.find("area/nosuchkey"), std::string::npos) << error;
  EXPECT_EQ(part.namae, "kyoto");
  EXPECT_EQ(part.tatediv, rows);
}

}  // namespace
}  // namespace velkaro
