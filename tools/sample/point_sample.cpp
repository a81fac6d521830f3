// The point features of the sample area in the real point layout: the
// feature's "<pos>" holds a "<gml:Point>" whose "<gml:pos>" line is
// "lat lon", attributes follow the geometry. FGD: place names (AdmPt,
// CommPt), spot heights (ElevPt) and control points (GCP); KKJ: annotation
// (Anno, horizontal and vertical, some at an angle) and map symbols
// (SymbolPt by type, PwrPlnt/Monument/RTwr by element). One file per
// element and secondary mesh, named like the FGD files.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sample_area.h"

namespace velkaro::sample {

namespace {

namespace fs = std::filesystem;
using Tags = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kDate = "20161001";

// The six-digit secondary mesh code of a point.
std::string MeshCode(double lat, double lon) {
  const int p = static_cast<int>(std::floor(lat * 1.5));
  const int u = static_cast<int>(std::floor(lon - 100));
  const int q = static_cast<int>(std::floor((lat * 1.5 - p) * 8));
  const int v = static_cast<int>(std::floor((lon - 100 - u) * 8));
  char code[16];
  std::snprintf(code, sizeof code, "%02d%02d%d%d", p, u, q, v);
  return code;
}

std::string Metres(double v, const char* format = "%.1f") {
  char text[32];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

class PointFiles {
 public:
  // One point feature: common attributes, the point, then the attributes.
  void add(const std::string& element, double lat, double lon, const std::string& level, const Tags& after) {
    const std::string mesh = MeshCode(lat, lon);
    std::string& body = files_[{mesh, element}];
    const std::string id = "K_" + element + "_" + std::to_string(++count_);
    auto line = [&](const std::string& s) { body += s + "\r\n"; };
    line("<" + element + " gml:id=\"" + id + "\">");
    line("<fid>sample-" + element + "-" + std::to_string(count_) + "</fid>");
    line("<lfSpanFr gml:id=\"" + id + "-1\">");
    line("<gml:timePosition>2016-05-17</gml:timePosition>");
    line("</lfSpanFr>");
    line("<orgGILvl>" + level + "</orgGILvl>");
    line("<pos>");
    line("<gml:Point gml:id=\"" + id + "-g\" srsName=\"fguuid:jgd2011.bl\">");
    char pos[64];
    std::snprintf(pos, sizeof pos, "%.9f %.9f", lat, lon);
    line(std::string("<gml:pos>") + pos + "</gml:pos>");
    line("</gml:Point>");
    line("</pos>");
    for (const auto& [k, v] : after) line("<" + k + ">" + v + "</" + k + ">");
    line("</" + element + ">");
  }

  std::string write(const std::string& folder, bool shiftJis) const {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return folder + ": " + ec.message();
    for (const auto& [key, body] : files_) {
      const std::string path =
          (fs::path(folder) / ("FG-GML-" + key.first + "-" + key.second + "-" + kDate + "-0001.xml")).string();
      std::ofstream out(path, std::ios::binary);
      out << FgdDocument(body, shiftJis);
      if (!out) return path + ": cannot be written";
    }
    return {};
  }

 private:
  std::map<std::pair<std::string, std::string>, std::string> files_;
  int count_ = 0;
};

void AddNames(PointFiles& f) {
  struct Name {
    const char* element;
    const char* type;
    const char* name;
    double lat, lon;
  };
  const Name names[] = {
      {"AdmPt", "町村・指定都市の区", "南浜町", 35.6500, 139.7400},
      {"AdmPt", "町村・指定都市の区", "北丘町", 35.7280, 139.7150},
      {"CommPt", "大字・町・丁目", "港町", 35.7010, 139.7560},
      {"CommPt", "大字・町・丁目", "駅前", 35.6915, 139.7380},
      {"CommPt", "大字・町・丁目", "谷口", 35.6790, 139.6650},
      {"CommPt", "大字・町・丁目", "丘上", 35.6180, 139.7050},
      {"CommPt", "大字・町・丁目", "＿なし", 35.6600, 139.6900},   // a placeholder: never drawn
  };
  for (const Name& n : names)
    f.add(n.element, n.lat, n.lon, "25000", {{"type", n.type}, {"name", n.name}, {"admCode", "13901"}});
}

void AddSpotHeights(PointFiles& f) {
  const std::pair<double, double> points[] = {
      {35.7100, 139.6600}, {35.6300, 139.6800}, {35.7300, 139.6350}, {35.6920, 139.6900},
      {35.6550, 139.6400}, {35.6050, 139.6550}, {35.7380, 139.6900}, {35.6700, 139.7000},
      {35.6450, 139.7250}, {35.7200, 139.7450}, {35.6150, 139.7500},
  };
  for (const auto& [lat, lon] : points)
    f.add("ElevPt", lat, lon, "25000", {{"type", "標高点（測点）"}, {"alti", Metres(Elevation(lat, lon))}});
}

void AddControlPoints(PointFiles& f) {
  struct Gcp {
    const char* type;
    const char* cls;
    const char* name;
    const char* level;
    double lat, lon;
  };
  const Gcp points[] = {
      {"三角点", "一等三角点", "大丘山", "KJ11", 35.7080, 139.6560},
      {"三角点", "三等三角点", "南丘", "KJ13", 35.6320, 139.6850},
      {"水準点", "一等水準点", "見本１", "SJ11", 35.6865, 139.7050},
      {"水準点", "一等水準点", "見本２", "SJ11", 35.6865, 139.7600},
      {"電子基準点", "電子基準点", "見本浜", "KJ10", 35.6600, 139.7700},
      {"三角点", "四等三角点", "大丘山（付）", "KJ14", 35.7060, 139.6620},
  };
  int n = 0;
  for (const Gcp& g : points)
    f.add("GCP", g.lat, g.lon, g.level,
          {{"advNo", "sample-" + std::to_string(++n)}, {"orgName", "国土地理院"}, {"type", g.type},
           {"gcpClass", g.cls}, {"gcpCode", "TR" + std::to_string(5339460 + n)}, {"name", g.name},
           {"B", Metres(g.lat, "%.9f")}, {"L", Metres(g.lon, "%.9f")},
           {"alti", Metres(Elevation(g.lat, g.lon), "%.2f")}, {"altiAcc", "1"}});
}

void AddAnnotation(PointFiles& f) {
  struct Anno {
    const char* category;
    const char* text;
    int arrangement;
    double angle;
    double lat, lon;
  };
  const Anno annos[] = {
      {"海域、海岸地形（海、湾等）", "見本湾", 1, 0, 35.6700, 139.8250},
      {"海域、海岸地形（岬、磯等）", "見本崎", 1, 0, 35.7330, 139.7880},
      {"山地（山、岳、峰等）", "大丘山", 1, 0, 35.7145, 139.6480},
      {"山地（尖峰、丘、塚等）", "南丘", 1, 0, 35.6345, 139.6720},
      {"河川、湖沼（河川、用水等）", "谷川", 1, 18, 35.6640, 139.7330},
      {"河川、湖沼（湖、沼、池等）", "窪池", 1, 0, 35.6745, 139.6990},
      {"陸上交通施設（鉄道路線名）", "見本線", 1, 12, 35.7090, 139.6930},
      {"陸上交通施設（道路名）", "谷街道", 1, 0, 35.6825, 139.6550},
      {"山地（山の総称）", "北見本山地", 2, 0, 35.7450, 139.6600},
      {"河川、湖沼（沢、谷、滝等）", "奥沢", 2, 0, 35.6350, 139.6420},
      {"陸域自然地名（高原、森等）", "丘の森", 2, 20, 35.6150, 139.7150},
  };
  for (const Anno& a : annos)
    f.add("Anno", a.lat, a.lon, "25000",
          {{"annoCtg", a.category}, {"knj", a.text}, {"arrng", std::to_string(a.arrangement)},
           {"arrngAgl", Metres(a.angle, "%g")}, {"dspPos", "LC"}});
}

void AddSymbols(PointFiles& f) {
  struct Symbol {
    const char* type;
    double lat, lon;
  };
  const Symbol symbols[] = {
      {"町村役場・政令指定都市の区役所", 35.6955, 139.7450},
      {"郵便局", 35.6955, 139.7570},
      {"警察署", 35.6925, 139.7530},
      {"消防署", 35.7015, 139.7490},
      {"小中学校", 35.7045, 139.7370},
      {"高等学校・中等教育学校", 35.6895, 139.7620},
      {"病院", 35.6985, 139.7650},
      {"図書館", 35.7015, 139.7410},
      {"神社", 35.7120, 139.7260},
      {"寺院", 35.6800, 139.7380},
      {"大学", 35.7230, 139.7320},
      {"老人ホーム", 35.6760, 139.7560},
      {"墓地", 35.6840, 139.7250},
      {"温泉", 35.6560, 139.6650},
      {"灯台", 35.7320, 139.7830},
      {"漁港", 35.6420, 139.7850},
      {"城跡", 35.7200, 139.6850},
      {"工場", 35.6640, 139.7550},
      {"史跡・名勝・天然記念物", 35.6420, 139.7000},
  };
  for (const Symbol& s : symbols) f.add("SymbolPt", s.lat, s.lon, "25000", {{"type", s.type}});
  // Fields and woods: a few of each, spread like the fill of a real map.
  for (int i = 0; i < 4; ++i) {
    f.add("SymbolPt", 35.6520 + 0.004 * i, 139.7600 + 0.003 * (i % 2), "25000", {{"type", "田"}});
    f.add("SymbolPt", 35.6120 + 0.005 * i, 139.7250 + 0.006 * (i % 2), "25000", {{"type", "畑"}});
    f.add("SymbolPt", 35.7000 + 0.006 * i, 139.6400 + 0.008 * (i % 2), "25000", {{"type", "広葉樹林"}});
    f.add("SymbolPt", 35.6150 + 0.006 * i, 139.6600 + 0.008 * (i % 2), "25000", {{"type", "針葉樹林"}});
  }
  // Shields of the national route along the valley road.
  for (double lon : {139.6600, 139.7250})
    f.add("SymbolPt", 35.6855, lon, "25000", {{"type", "国道番号"}, {"nRNo", "16"}});
  // Symbols whose element names their type.
  f.add("PwrPlnt", 35.6280, 139.7780, "25000", {});
  f.add("Monument", 35.6900, 139.7100, "25000", {});
  f.add("RTwr", 35.7130, 139.6680, "25000", {});
}

}  // namespace

std::string WriteFgdPointSample(const std::string& folder, const SampleOptions& options) {
  PointFiles files;
  AddNames(files);
  AddSpotHeights(files);
  AddControlPoints(files);
  return files.write(folder, options.shiftJis);
}

std::string WriteKkjSample(const std::string& folder, const SampleOptions& options) {
  PointFiles files;
  AddAnnotation(files);
  AddSymbols(files);
  return files.write(folder, options.shiftJis);
}

}  // namespace velkaro::sample
