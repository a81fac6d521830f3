#include "job/settings_file.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <type_traits>
#include <variant>

#include "job/tile_grid.h"
#include "platform/text_scan.h"

namespace velkaro {
namespace {

// ---------------------------------------------------------------- helpers

constexpr std::array<const char*, kElevationClasses> kMeshKeys = {
    "alti5", "alti10", "alti50", "alti250", "alti1500"};
constexpr std::array<const char*, kElevationClasses> kContourKeys = {
    "cont5", "cont10", "cont50", "cont250", "cont1500"};

// The three sections that hold a tree's states, colours and style words.
struct StyleSections {
  const char* onOff;
  const char* colour;
  const char* weight;
};
constexpr StyleSections kFgdSections = {"GSI-OnOff", "GSI-Color", "GSI--LineWeight"};
constexpr StyleSections kKkjSections = {"KKJ-OnOff", "KKJ-Color", "KKJ-LineWeight"};
constexpr StyleSections kOldFgdSections = {"gml", "gml", "gml"};  // layout 5

constexpr int kNeutralSize = 12;   // "1.00"
constexpr int kMaxSizeIndex = 28;  // "8.00"
constexpr int kMaxWidthIndex = 14; // width 15
constexpr int kCheckBoxStyleBase = kNeutralSize * 256;  // 3072

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}
bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Decimal(long value) { return std::to_string(value); }
std::string Flag(bool on) { return on ? "1" : "0"; }
std::string HexColour(int32_t colour) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%06X", static_cast<unsigned>(colour));
  return buffer;
}

int ReadIntField(const IniFile& ini, const char* section, const char* key, int current) {
  return static_cast<int>(ini.ReadInt(section, key, current));
}

// A setting kept in one INI key: its place and its field. The tables list
// them in the order the writer writes them; reading and writing both go
// through them, so a key is named once.
struct SettingKey {
  const char* section;
  const char* key;
  std::variant<std::string JobSettings::*, int JobSettings::*, bool JobSettings::*> field;
};

const SettingKey kKihonKeys[] = {
    {"kihon", "readfolder", &JobSettings::readfolder},   {"kihon", "meshfolder", &JobSettings::meshfolder},
    {"kihon", "kkjfolder", &JobSettings::kkjfolder},     {"kihon", "syoufolder", &JobSettings::syoufolder},
    {"kihon", "writefolder", &JobSettings::writefolder}, {"kihon", "subfolder", &JobSettings::subfolder},
    {"kihon", "type", &JobSettings::type},               {"kihon", "size", &JobSettings::size},
    {"kihon", "tanni", &JobSettings::tanni},
};

const SettingKey kAreaAndMovieKeys[] = {
    {"area", "namae", &JobSettings::namae},       {"area", "zahyokei", &JobSettings::zahyokei},
    {"area", "kita", &JobSettings::kita},         {"area", "minami", &JobSettings::minami},
    {"area", "nisi", &JobSettings::nisi},         {"area", "higasi", &JobSettings::higasi},
    {"area", "yokodiv", &JobSettings::yokodiv},   {"area", "tatediv", &JobSettings::tatediv},
    {"area", "kasane", &JobSettings::kasane},     {"area", "haikei", &JobSettings::haikei},
    {"movie", "top", &JobSettings::movieTop},     {"movie", "btm", &JobSettings::movieBtm},
    {"movie", "fps", &JobSettings::fps},          {"movie", "format", &JobSettings::movieFormat},
};

// The elevation switches (alti5 … cont1500) come before these.
const SettingKey kAltiKeys[] = {
    {"alti", "shadow", &JobSettings::shadow},         {"alti", "shadowmd", &JobSettings::shadowmd},
    {"alti", "height", &JobSettings::height},         {"alti", "houi", &JobSettings::houi},
    {"alti", "lineweight", &JobSettings::lineweight}, {"alti", "taisyo", &JobSettings::taisyo},
    {"alti", "syoryaku", &JobSettings::syoryaku},     {"alti", "hose", &JobSettings::hose},
    {"alti", "iro", &JobSettings::iro},               {"alti", "hanreisu", &JobSettings::hanreisu},
    {"alti", "jido", &JobSettings::jido},             {"alti", "zentai", &JobSettings::zentai},
    {"alti", "kankaku", &JobSettings::kankaku},       {"alti", "kamen", &JobSettings::kamen},
};

const SettingKey kRankKeys[] = {
    {"KKJ-Rank", "objsize", &JobSettings::objsize},
    {"KKJ-Rank", "czoom", &JobSettings::czoom},
    {"KKJ-Rank", "road", &JobSettings::road},
    {"KKJ-Rank", "bld", &JobSettings::bld},
};

template <size_t N>
void ReadKeys(const SettingKey (&keys)[N], JobSettings& s, const IniFile& ini) {
  for (const SettingKey& k : keys) {
    std::visit(
        [&](auto member) {
          auto& value = s.*member;
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, std::string>)
            value = ini.ReadString(k.section, k.key, value);
          else if constexpr (std::is_same_v<T, bool>)
            value = ini.ReadBool(k.section, k.key, value);
          else
            value = ReadIntField(ini, k.section, k.key, value);
        },
        k.field);
  }
}

template <size_t N>
void WriteKeys(const SettingKey (&keys)[N], const JobSettings& s, IniFile& ini) {
  for (const SettingKey& k : keys) {
    std::visit(
        [&](auto member) {
          const auto& value = s.*member;
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, std::string>)
            ini.Write(k.section, k.key, value);
          else if constexpr (std::is_same_v<T, bool>)
            ini.Write(k.section, k.key, Flag(value));
          else
            ini.Write(k.section, k.key, Decimal(value));
        },
        k.field);
  }
}

// A tile count of the division fields, or `current` when the text is not a
// count of 1..255 (the grids then keep their layout).
int TileCount(const std::string& text, int current) {
  int count = 0;
  if (!ParseCount(text, count) || count < 1 || count > 255) return current;
  return count;
}

void ResizeLegendGrids(LegendGrid& interval, LegendGrid& bottom, const JobSettings& s) {
  const int rows = TileCount(s.tatediv, interval.rows);
  const int cols = TileCount(s.yokodiv, interval.cols);
  interval.resize(rows, cols);
  bottom.resize(rows, cols);
}

// ------------------------------------------------------- tree layer styles

// A width index as stored; a ".pxk" preset stores widths four times finer.
uint8_t TreeWidthIndex(long stored, bool pxk) {
  long width = pxk ? (stored - 1) / 4 : stored;
  return (width < 0 || width > kMaxWidthIndex) ? 0 : static_cast<uint8_t>(width);
}

uint8_t SizeIndex(long size) {
  return (size < 0 || size > kMaxSizeIndex) ? kNeutralSize : static_cast<uint8_t>(size);
}

// State, colour and style word of one layer stored under `key`; a key that is
// missing keeps the layer's value (the state takes stateDefault).
void ReadTreeStyle(LayerNode& node, const IniFile& ini, const StyleSections& sections,
                   std::string_view key, bool stateDefault, bool pxk) {
  node.on = ini.ReadBool(sections.onOff, key, stateDefault);
  node.entry.colour = static_cast<int32_t>(ini.ReadInt(sections.colour, key, node.entry.colour));
  if (const auto text = ini.Get(sections.weight, key)) {
    if (const auto style = ParseIniInt(*text)) {
      node.entry.sizeIndex = SizeIndex(*style / 256);
      node.entry.widthIndex = TreeWidthIndex(*style & 0xFF, pxk);
    }
  }
}

// Layouts 5 to 7 stored the FGD layers under numbered keys: cb k, color k and
// lineweight k (a bare width index), with the neutral size.
void ReadNumberedStyle(LayerNode& node, const IniFile& ini, const StyleSections& sections, int k,
                       bool pxk) {
  const std::string n = std::to_string(k);
  node.on = ini.ReadBool(sections.onOff, "cb" + n, false);
  node.entry.colour =
      static_cast<int32_t>(ini.ReadInt(sections.colour, "color" + n, node.entry.colour));
  if (const auto text = ini.Get(sections.weight, "lineweight" + n))
    if (const auto width = ParseIniInt(*text)) node.entry.widthIndex = TreeWidthIndex(*width, pxk);
  node.entry.sizeIndex = kNeutralSize;
}

void NormaliseTreeStyle(LayerNode& node) {
  node.entry.sizeIndex = SizeIndex(node.entry.sizeIndex);
  if (node.entry.widthIndex > kMaxWidthIndex) node.entry.widthIndex = 0;
}

template <typename Fn>
void ForEachChild(LayerTree& tree, Fn fn) {
  for (LayerGroup& group : tree.groups)
    for (LayerNode& child : group.children) fn(child);
}

// The numbered keys an FGD layer reads in layouts 5 to 7, in reading order
// (a later key overrides what an earlier one set).
std::vector<int> NumberedKeysOf(std::string_view name) {
  static constexpr std::array<const char*, 11> kEntries = {
      "dummy", "dummy", "CommBdry", "AdmPt", "CommPt", "Cstline",
      "WL",    "WA",    "RdEdg",    "RdCompt", "RailCL"};
  std::vector<int> keys;
  for (int k = 1; k <= 11; ++k)
    if (Contains(name, kEntries[k - 1])) keys.push_back(k);
  if (name == "AdmArea-12" || name == "AdmArea-23") keys.push_back(1);
  if (StartsWith(name, "BldL-")) keys.push_back(12);
  if (StartsWith(name, "BldA-")) keys.push_back(13);
  if (StartsWith(name, "GCP-")) keys.push_back(14);
  if (name == "ElevPt-1") keys.push_back(15);
  return keys;
}

// Shared group keys of layouts 8 and 9 (empty when none applies).
std::string GcpGroupKey(std::string_view name) {
  if (name == "GCP-3" || name == "GCP-5") return "GCP-1";
  if (name == "GCP-4" || name == "GCP-6") return "GCP-2";
  return {};
}

std::string FgdGroupKey(std::string_view name) {
  std::string key;
  for (const char* group : {"RailCL", "RdEdg", "RdCompt", "Cstline", "WL", "WA"})
    if (key.empty() && Contains(name, group)) key = group;
  if (name == "AdmBdry-1") key = "AdmBdry";
  if (name == "AdmArea-12" || name == "AdmArea-23") key = "AdmArea";
  if (StartsWith(name, "BldL-")) key = "BldA-1";
  if (StartsWith(name, "BldA-")) key = "BldA-2";
  if (const std::string gcp = GcpGroupKey(name); !gcp.empty()) key = gcp;
  return key;
}

std::string KkjGroupKey(std::string_view name) {
  std::string key;
  if (name == "AdmArea-12") key = "AdmArea";
  if (StartsWith(name, "AdmBdry-")) key = "AdmBdry";
  if (StartsWith(name, "WL-")) key = "WL";
  if (name == "WA-3") key = "WA-2";
  if (StartsWith(name, "Cstline-")) key = "Cstline";
  if (StartsWith(name, "RdCompt-")) key = "RdCompt";
  if (StartsWith(name, "BldL-")) key = "BldA-1";
  if (StartsWith(name, "BldA-")) key = "BldA-2";
  if (const std::string gcp = GcpGroupKey(name); !gcp.empty()) key = gcp;
  return key;
}

void RefreshTree(LayerTree& tree) {
  tree.refreshGroups();
  tree.expandGroupsThatAreOn();
}

void ReadFgdLayers(LayerTree& tree, const IniFile& ini, int ver, bool pxk) {
  if (ver >= 5 && ver <= 7) {
    const StyleSections& sections = ver == 5 ? kOldFgdSections : kFgdSections;
    ForEachChild(tree, [&](LayerNode& node) {
      for (const int k : NumberedKeysOf(node.entry.name))
        ReadNumberedStyle(node, ini, sections, k, pxk);
    });
  } else if (ver > 7) {
    ForEachChild(tree, [&](LayerNode& node) {
      ReadTreeStyle(node, ini, kFgdSections, node.entry.name, node.on, pxk);
      if (ver == 8 || ver == 9)
        if (const std::string key = FgdGroupKey(node.entry.name); !key.empty())
          ReadTreeStyle(node, ini, kFgdSections, key, false, pxk);
    });
  }
  ForEachChild(tree, NormaliseTreeStyle);
  RefreshTree(tree);
}

void ReadKkjRank(JobSettings& s, const IniFile& ini) { ReadKeys(kRankKeys, s, ini); }

void ReadKkjLayers(JobSettings& s, const IniFile& ini, int ver, bool pxk) {
  LayerTree& tree = s.layers.kkj;
  if (ver < 8) {
    // Older files knew no KKJ layers: all off at the neutral size, width 3.
    ForEachChild(tree, [](LayerNode& node) {
      node.on = false;
      node.entry.sizeIndex = kNeutralSize;
      node.entry.widthIndex = 2;
    });
    s.objsize = 0;
    s.czoom = "1.0";
    s.road = "0.0";
    s.bld = 0;
  } else {
    ForEachChild(tree, [&](LayerNode& node) {
      const std::string& name = node.entry.name;
      ReadTreeStyle(node, ini, kKkjSections, name, node.on, pxk);
      if (ver == 8 || ver == 9)
        if (const std::string key = KkjGroupKey(name); !key.empty())
          ReadTreeStyle(node, ini, kKkjSections, key, node.on, pxk);
      if (ver == 10 && name == "RailCL-9")
        ReadTreeStyle(node, ini, kKkjSections, "RailCL-8", node.on, pxk);
    });
    ReadKkjRank(s, ini);
  }
  ForEachChild(tree, NormaliseTreeStyle);
  RefreshTree(tree);
}

// ------------------------------------------------ KSJ themes and mesh switch

// The style word of a check-box layer (1-based width). `fromFile` tells
// whether s came from the file, whose ".pxk" presets store widths four times
// finer; a value the file did not hold is never rescaled.
int NormaliseCheckBoxStyle(long s, bool pxk, bool fromFile) {
  const long size = (s >= 0 && s <= kMaxSizeIndex * 256 + 255) ? s / 256 : kNeutralSize;
  long width = s % 256;
  if (pxk && fromFile) width = static_cast<long>(std::trunc((width - 1) / 4.0 + 1));
  if (width < 1 || width > 15) width = 1;
  return static_cast<int>(size * 256 + width);
}

int32_t CaptionTextColour(int32_t colour) { return colour == 0x808080 ? 0 : 0xFFFFFF - colour; }

void ReadKsjThemes(std::vector<KsjTheme>& themes, const IniFile& ini, int ver, bool pxk) {
  for (std::size_t i = 0; i < themes.size(); ++i) {
    KsjTheme& theme = themes[i];
    long style = theme.styleWord;
    bool fromFile = false;
    if (ver <= 5) {
      if (i <= 72) {
        const std::string n = std::to_string(i);
        theme.on = ini.ReadBool("JPGIS", "cb" + n, false);
        theme.colour = static_cast<int32_t>(ini.ReadInt("JPGIS", "color" + n, theme.colour));
        style = ini.ReadInt("JPGIS", "lineweight" + n, 1) + kCheckBoxStyleBase;
        fromFile = true;
      }
    } else {
      const bool oldLayout = ver <= 7;
      theme.on = ini.ReadBool("MLIT-OnOff", theme.code, oldLayout ? false : theme.on);
      theme.colour = static_cast<int32_t>(ini.ReadInt("MLIT-Color", theme.code, theme.colour));
      if (oldLayout) {
        style = ini.ReadInt("MLIT-LineWeight", theme.code, 1) + kCheckBoxStyleBase;
        fromFile = true;
      } else if (const auto text = ini.Get("MLIT-LineWeight", theme.code)) {
        if (const auto stored = ParseIniInt(*text)) {
          style = *stored;
          fromFile = true;
        }
      }
    }
    theme.textColour = CaptionTextColour(theme.colour);
    theme.styleWord = NormaliseCheckBoxStyle(style, pxk, fromFile);
  }
}

void ReadMeshSwitch(MeshSwitch& mesh, const IniFile& ini, int ver, bool pxk) {
  mesh.on = ini.ReadBool("tiikimesh", "cb", mesh.on);
  mesh.colour = static_cast<int32_t>(ini.ReadInt("tiikimesh", "color", mesh.colour));
  long style = mesh.styleWord;
  bool fromFile = false;
  if (const auto text = ini.Get("tiikimesh", "lineweight")) {
    if (const auto stored = ParseIniInt(*text)) {
      // Layouts before 8 stored the bare width.
      style = ver < 8 ? *stored + kCheckBoxStyleBase : *stored;
      fromFile = true;
    }
  }
  mesh.styleWord = NormaliseCheckBoxStyle(style, pxk, fromFile);
  mesh.keta = static_cast<int>(ini.ReadInt("tiikimesh", "keta", 1));
}

// ------------------------------------------------------- record sections

void ReadKihon(JobSettings& s, const IniFile& ini, int ver) {
  ReadKeys(kKihonKeys, s, ini);
  if (ver == 1) {
    // Layout 1 lacked the presets 3 "縦長 2172*3072" and 8 "横長 3072*2172".
    if (s.size > 2) ++s.size;
    if (s.size > 7) ++s.size;
  }
}

void ReadAreaAndMovie(JobSettings& s, const IniFile& ini) { ReadKeys(kAreaAndMovieKeys, s, ini); }

void ReadElevationToggles(JobSettings& s, const IniFile& ini, int ver) {
  if (ver > 7) {
    for (int k = 0; k < kElevationClasses; ++k) {
      s.alti[k] = ini.ReadBool("alti", kMeshKeys[k], s.alti[k]);
      s.cont[k] = ini.ReadBool("alti", kContourKeys[k], s.cont[k]);
    }
    return;
  }
  // Numbered check boxes: cb16..cb19 mesh, cb20..cb23 contours of the four
  // DEM classes; layout 7 added cb24 and cb25 for the 1-arc-minute grid.
  for (int k = 0; k < 4; ++k) {
    s.alti[k] = ini.ReadBool("alti", "cb" + std::to_string(16 + k), false);
    s.cont[k] = ini.ReadBool("alti", "cb" + std::to_string(20 + k), false);
  }
  s.alti[4] = ver == 7 && ini.ReadBool("alti", "cb24", false);
  s.cont[4] = ver == 7 && ini.ReadBool("alti", "cb25", false);
}

void ReadAlti(JobSettings& s, const IniFile& ini) { ReadKeys(kAltiKeys, s, ini); }

void ReadLegendGrids(JobSettings& s, const IniFile& ini) {
  ResizeLegendGrids(s.legendInterval, s.legendBottom, s);
  const int rows = s.legendInterval.rows;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < s.legendInterval.cols; ++c) {
      const std::string key = LegendCellKey(r, c, rows);
      s.legendInterval.cell(r, c) = ini.ReadString("kankaku", key, s.legendInterval.cell(r, c));
      s.legendBottom.cell(r, c) = ini.ReadString("kamen", key, s.legendBottom.cell(r, c));
    }
}

// -------------------------------------------------------------- writing

void WriteTree(const LayerTree& tree, const StyleSections& sections, IniFile& ini) {
  for (const LayerGroup& group : tree.groups)
    for (const LayerNode& child : group.children) {
      const std::string& name = child.entry.name;
      if (name.empty()) continue;  // an empty key could not be read back
      ini.Write(sections.onOff, name, Flag(child.on));
      ini.Write(sections.colour, name, HexColour(child.entry.colour));
      ini.Write(sections.weight, name, Decimal(child.entry.styleWord()));
    }
}

void WriteKsjThemes(const std::vector<KsjTheme>& themes, IniFile& ini) {
  for (const KsjTheme& theme : themes)
    if (!theme.code.empty()) ini.Write("MLIT-OnOff", theme.code, Flag(theme.on));
  for (const KsjTheme& theme : themes) {
    if (theme.code.empty()) continue;
    ini.Write("MLIT-Color", theme.code, HexColour(theme.colour));
    ini.Write("MLIT-LineWeight", theme.code, Decimal(theme.styleWord));
  }
}

void WriteLegendGrid(const LegendGrid& grid, const char* section, IniFile& ini) {
  for (int r = 0; r < grid.rows; ++r)
    for (int c = 0; c < grid.cols; ++c) ini.Write(section, LegendCellKey(r, c, grid.rows), grid.cell(r, c));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}


}  // namespace

std::string LegendCellKey(int r, int c, int rows) { return rowst(r, "", rows) + std::to_string(c); }

void ReadSettings(JobSettings& s, const IniFile& ini, const std::string& path) {
  const int ver = static_cast<int>(ini.ReadInt("kihon", "ver", 0));
  const bool pxk = Contains(path, ".pxk");
  ReadKihon(s, ini, ver);
  ReadAreaAndMovie(s, ini);
  ReadElevationToggles(s, ini, ver);
  ReadAlti(s, ini);
  ReadFgdLayers(s.layers.fgd, ini, ver, pxk);
  ReadKsjThemes(s.layers.ksj, ini, ver, pxk);
  ReadKkjLayers(s, ini, ver, pxk);
  ReadMeshSwitch(s.tiikimesh, ini, ver, pxk);
  ReadLegendGrids(s, ini);
}

bool ReadSettings(JobSettings& s, const std::string& path) {
  std::string error;
  const IniFile ini = IniFile::Load(path, &error);
  if (!error.empty()) {
    // A file that is not there changes nothing (an empty file would reset
    // the toggles that older layouts lacked).
    RefreshTree(s.layers.fgd);
    RefreshTree(s.layers.kkj);
    return false;
  }
  ReadSettings(s, ini, path);
  return true;
}

void WriteSettings(const JobSettings& s, IniFile& ini) {
  ini.Write("kihon", "ver", Decimal(kSettingsVersion));
  WriteKeys(kKihonKeys, s, ini);
  WriteKeys(kAreaAndMovieKeys, s, ini);
  for (int k = 0; k < kElevationClasses; ++k) ini.Write("alti", kMeshKeys[k], Flag(s.alti[k]));
  for (int k = 0; k < kElevationClasses; ++k) ini.Write("alti", kContourKeys[k], Flag(s.cont[k]));
  WriteKeys(kAltiKeys, s, ini);

  WriteTree(s.layers.fgd, kFgdSections, ini);
  WriteKsjThemes(s.layers.ksj, ini);
  WriteTree(s.layers.kkj, kKkjSections, ini);

  WriteKeys(kRankKeys, s, ini);

  ini.Write("tiikimesh", "cb", Flag(s.tiikimesh.on));
  ini.Write("tiikimesh", "color", HexColour(s.tiikimesh.colour));
  ini.Write("tiikimesh", "lineweight", Decimal(s.tiikimesh.styleWord));
  ini.Write("tiikimesh", "keta", Decimal(s.tiikimesh.keta));

  LegendGrid interval = s.legendInterval;
  LegendGrid bottom = s.legendBottom;
  ResizeLegendGrids(interval, bottom, s);
  WriteLegendGrid(interval, "kankaku", ini);
  WriteLegendGrid(bottom, "kamen", ini);
}

bool WriteSettings(const JobSettings& s, const std::string& path, std::string* error) {
  std::string loadError;
  IniFile ini = IniFile::Load(path, &loadError);
  std::error_code ec;
  if (!loadError.empty() && std::filesystem::exists(path, ec)) {
    // Never replace a file whose other keys could not be read.
    if (error) *error = loadError;
    return false;
  }
  WriteSettings(s, ini);
  return ini.Save(path, error);
}

namespace {

// One "section/key=value" taken apart; false with a message when malformed.
struct SettingAssignment {
  std::string_view section, key, value;
};

bool SplitSettingAssignment(std::string_view assignment, SettingAssignment& out, std::string& message) {
  const std::string quoted = "\"" + std::string(assignment) + "\"";
  const std::size_t eq = assignment.find('=');
  const std::size_t slash = assignment.find('/');
  if (eq == std::string_view::npos || slash == std::string_view::npos || slash > eq)
    return message = "malformed setting " + quoted + ": expected section/key=value", false;
  out.section = Trim(assignment.substr(0, slash));
  out.key = Trim(assignment.substr(slash + 1, eq - slash - 1));
  out.value = assignment.substr(eq + 1);
  if (out.section.empty() || out.key.empty())
    return message = "malformed setting " + quoted + ": expected section/key=value", false;
  if (out.value.find_first_of("\r\n") != std::string_view::npos)
    return message = "setting " + quoted + ": the value must be a single line", false;
  return true;
}

}  // namespace

bool ApplySettingAssignment(JobSettings& s, std::string_view assignment, std::string* error) {
  return ApplySettingAssignments(s, {std::string(assignment)}, error);
}

// The settings go through the file layout once for the whole list: written,
// changed key by key, read back. A key that only exists once earlier
// assignments took effect (a legend cell of a grid just made larger) reads
// the pending ones back first and looks again.
bool ApplySettingAssignments(JobSettings& s, const std::vector<std::string>& assignments, std::string* error,
                             size_t* failedAt) {
  IniFile ini;
  WriteSettings(s, ini);
  bool pending = false;
  // The assignments before a bad one take effect.
  const auto takeEffect = [&] {
    if (pending) ReadSettings(s, ini, std::string());
    pending = false;
  };
  const auto fail = [&](std::string message) {
    if (error) *error = std::move(message);
    takeEffect();
    return false;
  };
  for (size_t i = 0; i < assignments.size(); ++i) {
    if (failedAt) *failedAt = i;
    SettingAssignment a;
    std::string message;
    if (!SplitSettingAssignment(assignments[i], a, message)) return fail(std::move(message));
    const std::string name = std::string(a.section) + "/" + std::string(a.key);
    if (!ini.Get(a.section, a.key) && pending) {
      takeEffect();
      ini = IniFile();
      WriteSettings(s, ini);
    }
    if (!ini.Get(a.section, a.key)) return fail("unknown setting \"" + name + "\"");
    if (EqualsIgnoringCase(a.section, "kihon") && EqualsIgnoringCase(a.key, "ver"))
      return fail("setting \"" + name + "\" is the file layout version and cannot be set");
    ini.Write(a.section, a.key, a.value);
    pending = true;
  }
  takeEffect();
  return true;
}

}  // namespace velkaro
