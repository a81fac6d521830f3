// The KSJ part of the sample area, in the layouts of the published files:
// storm-surge depth classes (A49) over the low coastal ground, a zoning area
// (A29), a tornado track (A30b), a river (W05), parks with names (P13) and
// two municipalities with their names (N03). Shapes follow the shared
// terrain model.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "sample_area.h"

namespace velkaro::sample {

namespace {

namespace fs = std::filesystem;

struct Pt {
  double lat, lon;
};
using Ring = std::vector<Pt>;

std::string Pair(Pt p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.8f %.8f", p.lat, p.lon);
  return buf;
}

// One KSJ GML document: declaration, root, description, envelope, then the
// parts the caller adds, one element per line, CR LF.
class KsjDocument {
 public:
  KsjDocument(const std::string& datasetId, const std::string& schema, const std::string& description,
              bool shiftJis)
      : shiftJis_(shiftJis) {
    line(shiftJis ? "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" : "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    line("<ksj:Dataset gml:id=\"" + datasetId +
         "\" xmlns:ksj=\"http://nlftp.mlit.go.jp/ksj/schemas/ksj-app\" xmlns:gml=\"http://www.opengis.net/gml/3.2\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xsi:schemaLocation=\"http://nlftp.mlit.go.jp/ksj/schemas/ksj-app " + schema + "\">");
    line("<gml:description>" + description + "</gml:description>");
    line("<gml:boundedBy>");
    line("\t<gml:EnvelopeWithTimePeriod srsName=\"JGD2000 / (B, L)\" frame=\"GC / JST\">");
    line("\t\t<gml:lowerCorner>20.0 123.0</gml:lowerCorner>");
    line("\t\t<gml:upperCorner>46.0 154.0</gml:upperCorner>");
    line("\t\t<gml:beginPosition calendarEraName=\"西暦\">1900</gml:beginPosition>");
    line("\t\t<gml:endPosition indeterminatePosition=\"unknown\"/>");
    line("\t</gml:EnvelopeWithTimePeriod>");
    line("</gml:boundedBy>");
  }

  KsjDocument& line(const std::string& s) {
    text_ += s;
    text_ += "\r\n";
    return *this;
  }

  // A curve with its ring or line in a position list, one pair per line.
  void curve(const std::string& id, const Ring& points, const std::string& indent = "\t") {
    line("\t<gml:Curve gml:id=\"" + id + "\">");
    line("\t\t<gml:segments>");
    line("\t\t\t<gml:LineStringSegment>");
    line("\t\t\t\t<gml:posList>");
    for (const Pt& p : points) line(indent + "\t\t\t\t" + Pair(p));
    line("\t\t\t\t</gml:posList>");
    line("\t\t\t</gml:LineStringSegment>");
    line("\t\t</gml:segments>");
    line("\t</gml:Curve>");
  }

  // A surface whose exterior and interiors are the given curves.
  void surface(const std::string& id, const std::vector<std::string>& curveIds) {
    line("\t<gml:Surface gml:id=\"" + id + "\">");
    line("\t\t<gml:patches>");
    line("\t\t\t<gml:PolygonPatch>");
    for (size_t k = 0; k < curveIds.size(); ++k) {
      const std::string part = k == 0 ? "exterior" : "interior";
      line("\t\t\t\t<gml:" + part + ">");
      line("\t\t\t\t\t<gml:Ring>");
      line("\t\t\t\t\t\t<gml:curveMember xlink:href=\"#" + curveIds[k] + "\"/>");
      line("\t\t\t\t\t</gml:Ring>");
      line("\t\t\t\t</gml:" + part + ">");
    }
    line("\t\t\t</gml:PolygonPatch>");
    line("\t\t</gml:patches>");
    line("\t</gml:Surface>");
  }

  void point(const std::string& id, Pt p, const std::string& indent = "\t") {
    line(indent + "<gml:Point gml:id=\"" + id + "\">");
    line(indent + "\t<gml:pos>" + Pair(p) + "</gml:pos>");
    line(indent + "</gml:Point>");
  }

  // The closed document in its encoding.
  std::string bytes() {
    line("</ksj:Dataset>");
    return shiftJis_ ? Utf8ToCp932(text_) : text_;
  }

 private:
  bool shiftJis_;
  std::string text_;
};

Ring Rectangle(double latS, double lonW, double latN, double lonE) {
  return {{latS, lonW}, {latS, lonE}, {latN, lonE}, {latN, lonW}, {latS, lonW}};
}

Ring Circle(Pt c, double radiusM, int n) {
  Ring r;
  for (int i = 0; i <= n; ++i) {
    const double a = 2 * M_PI * (i % n) / n;
    r.push_back({c.lat + radiusM * std::sin(a) / 111000.0,
                 c.lon + radiusM * std::cos(a) / (111000.0 * std::cos(c.lat * M_PI / 180))});
  }
  return r;
}

// ---- storm-surge depth classes ---------------------------------------------------

struct DepthArea {
  std::vector<Ring> rings;   // exterior first
  std::string depthClass;
};

// The published class texts, from the deepest down.
const char* DepthClassOf(double elevation) {
  if (elevation < 2.0) return "1m 以上 3m 未満";
  if (elevation < 3.5) return "0.5m 以上 1m 未満";
  return "0.3m 未満";
}

// Runs of equal depth class along rows of cells over the coastal plain.
std::vector<DepthArea> DepthAreas() {
  std::vector<DepthArea> areas;
  const double cell = 0.0025;
  for (double lat = kLatS + cell / 2; lat < kLatN; lat += cell) {
    const double coast = CoastLon(lat);
    std::string runClass;
    double runStart = 0;
    auto flush = [&](double lonEnd) {
      if (!runClass.empty())
        areas.push_back({{Rectangle(lat - cell / 2, runStart, lat + cell / 2, lonEnd)}, runClass});
      runClass.clear();
    };
    for (double lon = coast - 0.06; lon < coast; lon += cell) {
      const double z = Elevation(lat, lon + cell / 2);
      const std::string cls = z < 5.0 ? DepthClassOf(z) : "";
      if (cls != runClass) {
        flush(lon);
        runClass = cls;
        runStart = lon;
      }
    }
    flush(coast);
  }
  // The closed depression inland, with a dry mound in its middle: a hole.
  areas.push_back({{Circle({35.67, 139.70}, 800, 24), Circle({35.67, 139.70}, 250, 12)}, "0.5m 以上 3m 未満"});
  return areas;
}

std::string StormSurgeFile(bool shiftJis) {
  KsjDocument doc("A49Dataset", "KsjAppSchema-A49-v1_0.xsd", "国土数値情報 高潮浸水想定区域 インスタンス文書", shiftJis);
  const std::vector<DepthArea> areas = DepthAreas();
  for (size_t i = 0; i < areas.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    std::vector<std::string> refs;
    for (size_t k = 0; k < areas[i].rings.size(); ++k) {
      doc.curve("Cv" + n + "_" + std::to_string(k), areas[i].rings[k]);
      refs.push_back("cv" + n + "_" + std::to_string(k));
    }
    doc.surface("Sf" + n, refs);
  }
  for (size_t i = 0; i < areas.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    doc.line("\t<ksj:AreasExpectedToBeFloodedByStormSurges gml:id=\"ss" + n + "\">");
    doc.line("\t\t<ksj:bounds xlink:href=\"#sf" + n + "\"/>");
    doc.line("\t\t<ksj:prefectureName>東京都</ksj:prefectureName>");
    doc.line("\t\t<ksj:prefectureCode>13</ksj:prefectureCode>");
    doc.line("\t\t<ksj:classificationOfWaterDepth>" + areas[i].depthClass + "</ksj:classificationOfWaterDepth>");
    doc.line("\t</ksj:AreasExpectedToBeFloodedByStormSurges>");
  }
  return doc.bytes();
}

// ---- zoning ------------------------------------------------------------------------

std::string ZoningFile(bool shiftJis) {
  KsjDocument doc("A29Dataset", "KsjAppSchema-A29-v1_0.xsd", "国土数値情報 用途地域 インスタンス文書", shiftJis);
  struct Zone {
    Ring ring;
    int cls;
    const char* name;
  };
  const double lon = CoastLon(35.70) - 0.045;
  const Zone zones[] = {
      {Rectangle(35.690, lon, 35.705, lon + 0.025), 5, "第一種住居地域"},
      {Rectangle(35.705, lon + 0.005, 35.712, lon + 0.02), 9, "商業地域"},
  };
  int n = 0;
  for (const Zone& z : zones) {
    ++n;
    doc.curve("cv" + std::to_string(n) + "_0", z.ring);
    doc.surface("sf" + std::to_string(n), {"cv" + std::to_string(n) + "_0"});
  }
  n = 0;
  for (const Zone& z : zones) {
    ++n;
    doc.line("\t<ksj:DesignatedArea gml:id=\"da" + std::to_string(n) + "\">");
    doc.line("\t\t<ksj:cda xlink:href=\"#sf" + std::to_string(n) + "\"/>");
    doc.line("\t\t<ksj:aac>13999</ksj:aac>");
    doc.line("\t\t<ksj:pfn>東京都</ksj:pfn>");
    doc.line("\t\t<ksj:lgn>見本市</ksj:lgn>");
    doc.line("\t\t<ksj:dac>" + std::to_string(z.cls) + "</ksj:dac>");
    doc.line(std::string("\t\t<ksj:kda>") + z.name + "</ksj:kda>");
    doc.line("\t\t<ksj:bar>60</ksj:bar>");
    doc.line("\t\t<ksj:cbr>200</ksj:cbr>");
    doc.line("\t</ksj:DesignatedArea>");
  }
  return doc.bytes();
}

// ---- tornado track ---------------------------------------------------------------------

std::string TornadoFile(bool shiftJis) {
  KsjDocument doc("KsjAppSchema-A30b-v1_0.xsd", "KsjAppSchema-disaster-v1_1.xsd", "竜巻等の突風クラス", shiftJis);
  doc.point("pt_1", {35.615, 139.66}, "  ");
  doc.point("pt_2", {35.655, 139.75}, "  ");
  doc.line("  <ksj:Gust gml:id=\"wind_00001\">");
  doc.line("    <ksj:gustNo>1</ksj:gustNo>");
  doc.line("    <ksj:type>竜巻</ksj:type>");
  doc.line("    <ksj:fujitaScale>F1</ksj:fujitaScale>");
  doc.line("    <ksj:damageAreaLength>9km</ksj:damageAreaLength>");
  doc.line("    <ksj:appearancePoint xlink:href=\"#start_00001\" />");
  doc.line("    <ksj:disappearancePoint xlink:href=\"#end_00001\" />");
  doc.line("  </ksj:Gust>");
  doc.line("  <ksj:AppearancePoint gml:id=\"start_00001\">");
  doc.line("    <ksj:position xlink:href=\"#pt_1\" />");
  doc.line("    <ksj:gust xlink:href=\"#wind_00001\" />");
  doc.line("  </ksj:AppearancePoint>");
  doc.line("  <ksj:DisappearancePoint gml:id=\"end_00001\">");
  doc.line("    <ksj:position xlink:href=\"#pt_2\" />");
  doc.line("    <ksj:gust xlink:href=\"#wind_00001\" />");
  doc.line("  </ksj:DisappearancePoint>");
  return doc.bytes();
}

// ---- river -------------------------------------------------------------------------------

std::string RiverFile(bool shiftJis) {
  KsjDocument doc("W05Dataset", "KsjAppSchema-W05-v1_0.xsd", "国土数値情報 河川 インスタンス文書", shiftJis);
  Ring river;
  for (double lon = 139.665; lon <= CoastLon(35.67) + 0.002; lon += 0.002)
    river.push_back({35.67 + 0.01 * std::sin((lon - kLonW) * 30.0), lon});
  doc.curve("c-1", river, "");
  doc.line("<ksj:Stream gml:id=\"r-1\">");
  doc.line("\t<ksj:location xlink:href=\"#c-1\"/>");
  doc.line("\t<ksj:riverName>見本川</ksj:riverName>");
  doc.line("</ksj:Stream>");
  return doc.bytes();
}

// ---- parks ---------------------------------------------------------------------------------

std::string ParkFile(bool shiftJis) {
  KsjDocument doc("P13Dataset", "KsjAppSchema-P13-v1_1.xsd", "国土数値情報（都市公園）データ P13-11_13.xml", shiftJis);
  struct Park {
    Pt at;
    const char* name;
    int kind;
  };
  const Park parks[] = {
      {{35.705, 139.665}, "見本山公園", 6},
      {{35.640, 139.690}, "丘の上公園", 3},
      {{35.690, 139.745}, "海辺の公園", 2},
  };
  int n = 0;
  for (const Park& p : parks) doc.point("pt" + std::to_string(++n), p.at, "");
  n = 0;
  for (const Park& p : parks) {
    const std::string id = std::to_string(++n);
    doc.line("<ksj:Park gml:id=\"pk" + id + "\">");
    doc.line("  <ksj:loc xlink:href=\"#pt" + id + "\"/>");
    doc.line("  <ksj:adm>東京都</ksj:adm>");
    doc.line("  <ksj:lgn></ksj:lgn>");
    doc.line(std::string("  <ksj:nop>") + p.name + "</ksj:nop>");
    doc.line("  <ksj:kdp>" + std::to_string(p.kind) + "</ksj:kdp>");
    doc.line("  <ksj:rmk></ksj:rmk>");
    doc.line("</ksj:Park>");
  }
  return doc.bytes();
}

// ---- municipalities ------------------------------------------------------------------------

std::string MunicipalityFile(bool shiftJis) {
  KsjDocument doc("N03Dataset", "KsjAppSchema-N03-v2_3.xsd", "国土数値情報 行政区域 インスタンス文書", shiftJis);
  const double split = 139.715;
  struct City {
    Ring ring;
    const char* name;
  };
  const City cities[] = {
      {Rectangle(kLatS + 0.01, kLonW + 0.01, kLatN - 0.01, split), "見本市"},
      {Rectangle(kLatS + 0.01, split, kLatN - 0.01, CoastLon(35.67) - 0.01), "見本町"},
  };
  doc.line("\t<!--  図形 --> ");
  int n = 0;
  for (const City& c : cities) {
    const std::string id = std::to_string(++n);
    doc.curve("cv" + id + "_1", c.ring);
    doc.surface("sf" + id, {"cv" + id + "_1"});
  }
  doc.line("\t<!--  属性 --> ");
  n = 0;
  for (const City& c : cities) {
    const std::string id = std::to_string(++n);
    doc.line("\t<ksj:AdministrativeBoundary gml:id=\"gy" + id + "\">");
    doc.line("\t\t<ksj:bounds xlink:href=\"#sf" + id + "\"/>");
    doc.line("\t\t<ksj:prefectureName>東京都</ksj:prefectureName>");
    doc.line("\t\t<ksj:subPrefectureName></ksj:subPrefectureName>");
    doc.line("\t\t<ksj:countyName></ksj:countyName>");
    doc.line(std::string("\t\t<ksj:cityName>") + c.name + "</ksj:cityName>");
    doc.line("\t\t<ksj:administrativeAreaCode codeSpace=\"AdministrativeAreaCode.xml\">1399" + id +
             "</ksj:administrativeAreaCode>");
    doc.line("\t</ksj:AdministrativeBoundary>");
  }
  return doc.bytes();
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

std::string WriteKsjSample(const std::string& folder, const SampleOptions& options) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return folder + ": " + ec.message();
  const bool sjis = options.shiftJis;
  const std::pair<const char*, std::string> files[] = {
      {"A49-21_13.xml", StormSurgeFile(sjis)},
      {"A29-11_13.xml", ZoningFile(sjis)},
      {"A30b-11.xml", TornadoFile(sjis)},
      {"W05-08_13.xml", RiverFile(sjis)},
      {"P13-11_13.xml", ParkFile(sjis)},
      {"N03-19_13_190101.xml", MunicipalityFile(sjis)},
  };
  for (const auto& [name, bytes] : files)
    if (!WriteFile(fs::path(folder) / name, bytes)) return (fs::path(folder) / name).string() + " could not be written";
  return {};
}

}  // namespace velkaro::sample
