// The FGD part of the sample area: vector layers in the GSI file naming
// (FG-GML-<mesh>-<Element>-<date>-0001.xml) and line layout, one file per
// element and secondary mesh, every feature cut at the mesh edges as the real
// data are. Shapes follow the shared terrain model: the coastline is
// CoastLon, the river runs down the valley, the pond lies in the closed
// depression, the railway tunnels through the big hill.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/text_encoding.h"
#include "sample_area.h"

namespace velkaro::sample {

namespace {

namespace fs = std::filesystem;

struct Pt {
  double lat, lon;
};
using Line = std::vector<Pt>;
using Tags = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kDate = "20161001";
constexpr double kMetresPerLat = 111000.0;
// Ground heights above which the road through the second hill and the
// railway through the big hill run in tunnels.
constexpr double kTunnelRoadAbove = 100.0;
constexpr double kTunnelRailAbove = 175.0;

double MetresPerLon(double lat) { return kMetresPerLat * std::cos(lat * M_PI / 180.0); }

// ---- secondary mesh cells ----------------------------------------------------

struct Cell {
  std::string code;
  double latS, latN, lonW, lonE;
};

std::vector<Cell> SampleCells() {
  std::vector<Cell> cells;
  for (int row = 3; row <= 4; ++row)
    for (int col = 5; col <= 6; ++col) {
      const double latS = (53 + row / 8.0) / 1.5;
      const double lonW = 139 + col / 8.0;
      cells.push_back({"5339" + std::to_string(row) + std::to_string(col), latS, latS + 1.0 / 12, lonW,
                       lonW + 0.125});
    }
  return cells;
}

bool Inside(const Cell& c, const Pt& p) {
  return p.lat >= c.latS && p.lat <= c.latN && p.lon >= c.lonW && p.lon <= c.lonE;
}

// The pieces of a polyline inside a cell; where the line crosses an edge a
// vertex is placed exactly on it, as in the sources.
std::vector<Line> ClipLine(const Line& line, const Cell& c) {
  std::vector<Line> pieces;
  Line current;
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    Pt a = line[i], b = line[i + 1];
    // Liang-Barsky on the segment.
    double t0 = 0, t1 = 1;
    const double dLat = b.lat - a.lat, dLon = b.lon - a.lon;
    const double p[4] = {-dLon, dLon, -dLat, dLat};
    const double q[4] = {a.lon - c.lonW, c.lonE - a.lon, a.lat - c.latS, c.latN - a.lat};
    bool visible = true;
    for (int k = 0; k < 4 && visible; ++k) {
      if (p[k] == 0) {
        if (q[k] < 0) visible = false;
      } else {
        const double r = q[k] / p[k];
        if (p[k] < 0) t0 = std::max(t0, r);
        else t1 = std::min(t1, r);
        if (t0 > t1) visible = false;
      }
    }
    if (!visible) {
      if (current.size() > 1) pieces.push_back(current);
      current.clear();
      continue;
    }
    const Pt from{a.lat + t0 * dLat, a.lon + t0 * dLon};
    const Pt to{a.lat + t1 * dLat, a.lon + t1 * dLon};
    if (current.empty() || t0 > 0) {
      if (current.size() > 1) pieces.push_back(current);
      current = {from};
    }
    current.push_back(to);
    if (t1 < 1) {
      if (current.size() > 1) pieces.push_back(current);
      current.clear();
    }
  }
  if (current.size() > 1) pieces.push_back(current);
  return pieces;
}

// A closed ring clipped to a cell (Sutherland-Hodgman); the result is closed
// again (its last vertex repeats the first) or empty.
Line ClipRing(Line ring, const Cell& c) {
  if (!ring.empty() && ring.front().lat == ring.back().lat && ring.front().lon == ring.back().lon)
    ring.pop_back();
  auto clip = [&](auto inside, auto cross) {
    Line out;
    for (size_t i = 0; i < ring.size(); ++i) {
      const Pt& a = ring[i];
      const Pt& b = ring[(i + 1) % ring.size()];
      if (inside(b)) {
        if (!inside(a)) out.push_back(cross(a, b));
        out.push_back(b);
      } else if (inside(a)) {
        out.push_back(cross(a, b));
      }
    }
    ring = out;
  };
  auto atLon = [](double lon) {
    return [lon](const Pt& a, const Pt& b) {
      return Pt{a.lat + (b.lat - a.lat) * (lon - a.lon) / (b.lon - a.lon), lon};
    };
  };
  auto atLat = [](double lat) {
    return [lat](const Pt& a, const Pt& b) {
      return Pt{lat, a.lon + (b.lon - a.lon) * (lat - a.lat) / (b.lat - a.lat)};
    };
  };
  clip([&](const Pt& p) { return p.lon >= c.lonW; }, atLon(c.lonW));
  clip([&](const Pt& p) { return p.lon <= c.lonE; }, atLon(c.lonE));
  clip([&](const Pt& p) { return p.lat >= c.latS; }, atLat(c.latS));
  clip([&](const Pt& p) { return p.lat <= c.latN; }, atLat(c.latN));
  if (ring.size() < 3) return {};
  ring.push_back(ring.front());
  return ring;
}

// ---- GML text in the FGD layout --------------------------------------------------

class FgdFile {
 public:
  explicit FgdFile(std::string element) : element_(std::move(element)) {}

  void curve(const Line& line, const std::string& level, const Tags& before, const Tags& after) {
    begin(level, before);
    add("<loc>");
    add("<gml:Curve gml:id=\"" + id_ + "-g\" srsName=\"fguuid:jgd2011.bl\">");
    segment(line);
    add("</gml:Curve>");
    add("</loc>");
    end(after);
  }

  void surface(const std::vector<Line>& rings, const std::string& level, const Tags& before,
               const Tags& after) {
    begin(level, before);
    add("<area>");
    add("<gml:Surface gml:id=\"" + id_ + "-g\" srsName=\"fguuid:jgd2011.bl\">");
    add("<gml:patches>");
    add("<gml:PolygonPatch>");
    for (size_t r = 0; r < rings.size(); ++r) {
      add(r == 0 ? "<gml:exterior>" : "<gml:interior>");
      add("<gml:Ring>");
      add("<gml:curveMember>");
      add("<gml:Curve gml:id=\"" + id_ + "-" + std::to_string(r + 3) + "\">");
      segment(rings[r]);
      add("</gml:Curve>");
      add("</gml:curveMember>");
      add("</gml:Ring>");
      add(r == 0 ? "</gml:exterior>" : "</gml:interior>");
    }
    add("</gml:PolygonPatch>");
    add("</gml:patches>");
    add("</gml:Surface>");
    add("</area>");
    end(after);
  }

  bool empty() const { return features_ == 0; }

  std::string document(bool shiftJis) const { return FgdDocument(body_, shiftJis); }

 private:
  void add(const std::string& line) {
    body_ += line;
    body_ += "\r\n";
  }
  void begin(const std::string& level, const Tags& before) {
    ++features_;
    id_ = "K_" + element_ + "_" + std::to_string(features_);
    add("<" + element_ + " gml:id=\"" + id_ + "\">");
    add("<fid>sample-" + element_ + "-" + std::to_string(features_) + "</fid>");
    add("<lfSpanFr gml:id=\"" + id_ + "-1\">");
    add("<gml:timePosition>2016-05-17</gml:timePosition>");
    add("</lfSpanFr>");
    add("<devDate gml:id=\"" + id_ + "-2\">");
    add("<gml:timePosition>2016-08-01</gml:timePosition>");
    add("</devDate>");
    add("<orgGILvl>" + level + "</orgGILvl>");
    for (const auto& [k, v] : before) add("<" + k + ">" + v + "</" + k + ">");
  }
  void end(const Tags& after) {
    for (const auto& [k, v] : after) add("<" + k + ">" + v + "</" + k + ">");
    add("</" + element_ + ">");
  }
  void segment(const Line& line) {
    add("<gml:segments>");
    add("<gml:LineStringSegment>");
    add("<gml:posList>");
    char buf[64];
    for (const Pt& p : line) {
      std::snprintf(buf, sizeof buf, "%.9f %.9f", p.lat, p.lon);
      add(buf);
    }
    add("</gml:posList>");
    add("</gml:LineStringSegment>");
    add("</gml:segments>");
  }

  std::string element_;
  std::string body_;
  std::string id_;
  int features_ = 0;
};

// The files of every element, per mesh code.
class SampleWriter {
 public:
  explicit SampleWriter(std::vector<Cell> cells) : cells_(std::move(cells)) {}

  // A line feature, cut into the cells it crosses.
  void line(const std::string& element, const Line& line, const std::string& level, const Tags& before,
            const Tags& after) {
    for (const Cell& c : cells_)
      for (const Line& piece : ClipLine(line, c)) file(element, c).curve(piece, level, before, after);
  }
  // An area feature, cut into the cells it meets; holes go with the cell
  // holding them whole.
  void area(const std::string& element, const std::vector<Line>& rings, const std::string& level,
            const Tags& before, const Tags& after) {
    for (const Cell& c : cells_) {
      std::vector<Line> parts;
      const Line outer = ClipRing(rings.front(), c);
      if (outer.empty()) continue;
      parts.push_back(outer);
      for (size_t r = 1; r < rings.size(); ++r)
        if (std::all_of(rings[r].begin(), rings[r].end(), [&](const Pt& p) { return Inside(c, p); }))
          parts.push_back(rings[r]);
      file(element, c).surface(parts, level, before, after);
    }
  }

  std::string write(const std::string& folder, bool shiftJis) const {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return folder + ": " + ec.message();
    for (const auto& [key, f] : files_) {
      if (f.empty()) continue;
      const std::string name = "FG-GML-" + key.first + "-" + key.second + "-" + kDate + "-0001.xml";
      const std::string path = (fs::path(folder) / name).string();
      std::ofstream out(path, std::ios::binary);
      out << f.document(shiftJis);
      if (!out) return path + ": cannot be written";
    }
    return {};
  }

 private:
  FgdFile& file(const std::string& element, const Cell& c) {
    return files_.try_emplace({c.code, element}, element).first->second;
  }

  std::vector<Cell> cells_;
  std::map<std::pair<std::string, std::string>, FgdFile> files_;
};

// ---- shapes --------------------------------------------------------------------

Line Coast() {
  Line coast;
  for (double lat = kLatS; lat < kLatN; lat += 0.0015) coast.push_back({lat, CoastLon(lat)});
  coast.push_back({kLatN, CoastLon(kLatN)});
  return coast;
}

double ValleyLat(double lon) { return 35.67 + 0.01 * std::sin((lon - kLonW) * 30.0); }

// A line offset sideways by metres (positive: to the left of the direction).
Line Offset(const Line& line, double metres) {
  Line out;
  for (size_t i = 0; i < line.size(); ++i) {
    const Pt& a = line[i == 0 ? 0 : i - 1];
    const Pt& b = line[i + 1 < line.size() ? i + 1 : i];
    const double mx = MetresPerLon(line[i].lat);
    const double dx = (b.lon - a.lon) * mx, dy = (b.lat - a.lat) * kMetresPerLat;
    const double len = std::hypot(dx, dy);
    if (len == 0) {
      out.push_back(line[i]);
      continue;
    }
    out.push_back({line[i].lat + dx / len * metres / kMetresPerLat, line[i].lon - dy / len * metres / mx});
  }
  return out;
}

Line Reversed(Line l) {
  std::reverse(l.begin(), l.end());
  return l;
}

// A closed rectangle of the given size in metres centred on c.
Line Rectangle(Pt c, double widthM, double heightM) {
  const double dLon = widthM / 2 / MetresPerLon(c.lat), dLat = heightM / 2 / kMetresPerLat;
  return {{c.lat - dLat, c.lon - dLon}, {c.lat - dLat, c.lon + dLon}, {c.lat + dLat, c.lon + dLon},
          {c.lat + dLat, c.lon - dLon}, {c.lat - dLat, c.lon - dLon}};
}

// A closed ellipse-shaped ring.
Line Ellipse(Pt c, double radiusLatM, double radiusLonM, int n) {
  Line ring;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * M_PI * i / n;
    ring.push_back({c.lat + radiusLatM * std::sin(a) / kMetresPerLat,
                    c.lon + radiusLonM * std::cos(a) / MetresPerLon(c.lat)});
  }
  ring.push_back(ring.front());
  return ring;
}

void AddAdministration(SampleWriter& w) {
  // Land: the area west of the coast, two towns divided at 35.70 N.
  constexpr double kTownLine = 35.70;
  auto landBetween = [](double latS, double latN) {
    Line ring = {{latS, kLonW}};
    for (double lat = latS; lat < latN; lat += 0.0015) ring.push_back({lat, CoastLon(lat)});
    ring.push_back({latN, CoastLon(latN)});
    ring.push_back({latN, kLonW});
    ring.push_back(ring.front());
    return ring;
  };
  w.area("AdmArea", {landBetween(kLatS, kTownLine)}, "25000", {},
         {{"type", "町村・指定都市の区"}, {"name", "南浜町"}, {"admCode", "13901"}});
  w.area("AdmArea", {landBetween(kTownLine, kLatN)}, "25000", {},
         {{"type", "町村・指定都市の区"}, {"name", "北丘町"}, {"admCode", "13902"}});
  w.line("AdmBdry", {{kTownLine, kLonW}, {kTownLine, 139.70}, {kTownLine, CoastLon(kTownLine)}}, "25000", {},
         {{"type", "町村・指定都市の区界"}});
  w.line("Cstline", Coast(), "25000", {}, {{"type", "海岸線"}});
}

void AddWater(SampleWriter& w) {
  // The sea east of the coast.
  Line sea = Coast();
  sea.push_back({kLatN, kLonE});
  sea.push_back({kLatS, kLonE});
  sea.push_back(sea.front());
  w.area("WA", {sea}, "25000", {}, {{"type", "海"}, {"name", "見本湾"}});

  // The river down the valley, from the hills to the sea, 30 m wide.
  Line centre;
  for (double lon = 139.632; lon < 139.85; lon += 0.001) {
    const Pt p{ValleyLat(lon), lon};
    if (p.lon > CoastLon(p.lat) + 0.001) break;
    centre.push_back(p);
  }
  const Line north = Offset(centre, 15.0), south = Offset(centre, -15.0);
  Line river = north;
  for (const Pt& p : Reversed(south)) river.push_back(p);
  river.push_back(river.front());
  w.area("WA", {river}, "25000", {}, {{"type", "河川"}, {"name", "谷川"}});
  w.line("WL", north, "25000", {}, {{"type", "水涯線（河川）"}, {"name", "谷川"}});
  w.line("WL", south, "25000", {}, {{"type", "水涯線（河川）"}, {"name", "谷川"}});

  // The pond in the closed depression.
  const Line pond = Ellipse({35.6715, 139.702}, 140, 180, 24);
  w.area("WA", {pond}, "25000", {}, {{"type", "湖池"}, {"name", "窪池"}});
  w.line("WL", pond, "25000", {}, {{"type", "水涯線（湖池）"}, {"name", "窪池"}});
}

// Both edges of a road along a centre line; a stretch in a tunnel gets the
// tunnel type (and is hidden in the source, as tunnel edges are).
void Road(SampleWriter& w, const Line& centre, double widthM, bool tunnelThroughHills) {
  for (double side : {widthM / 2, -widthM / 2}) {
    const Line edge = Offset(centre, side);
    Line run = {edge.front()};
    bool inTunnel = tunnelThroughHills && Elevation(edge.front().lat, edge.front().lon) > kTunnelRoadAbove;
    auto flush = [&]() {
      if (run.size() < 2) return;
      if (inTunnel)
        w.line("RdEdg", run, "25000", {{"vis", "非表示"}}, {{"type", "トンネル内の道路"}, {"admOffice", "都道府県"}});
      else
        w.line("RdEdg", run, "2500", {{"vis", "表示"}}, {{"type", "真幅道路"}, {"admOffice", "市町村"}});
    };
    for (size_t i = 1; i < edge.size(); ++i) {
      run.push_back(edge[i]);
      const bool tunnel = tunnelThroughHills && Elevation(edge[i].lat, edge[i].lon) > kTunnelRoadAbove;
      if (tunnel != inTunnel) {
        flush();
        run = {edge[i]};
        inTunnel = tunnel;
      }
    }
    flush();
  }
}

void AddRoads(SampleWriter& w) {
  // A grid of streets in the town by the coast.
  for (int i = 0; i < 6; ++i) {
    const double lat = 35.690 + 0.003 * i;
    Road(w, {{lat, 139.733}, {lat, 139.749}, {lat, 139.767}}, 6.0, false);
  }
  for (int j = 0; j < 9; ++j) {
    const double lon = 139.735 + 0.004 * j;
    Road(w, {{35.688, lon}, {35.698, lon}, {35.707, lon}}, 6.0, false);
  }
  // The main road along the valley to the coast, and a road south through the
  // second hill in a tunnel.
  Line main;
  for (double lon = 139.63; lon <= CoastLon(35.685) - 0.003; lon += 0.002) main.push_back({35.685, lon});
  Road(w, main, 16.0, false);
  Line south;
  for (double lat = 35.600; lat <= 35.6841; lat += 0.001) south.push_back({lat, 139.68});
  Road(w, south, 8.0, true);
}

void AddRailway(SampleWriter& w) {
  // From the north-west hills to the coast, through the big hill in a tunnel.
  Line track;
  for (double lon = 139.630; lon <= 139.772; lon += 0.001) {
    const double t = (lon - 139.630) / 0.142;
    track.push_back({35.712 - 0.012 * t + 0.004 * std::sin(t * 3), lon});
  }
  Line run = {track.front()};
  bool inTunnel = Elevation(track.front().lat, track.front().lon) > kTunnelRailAbove;
  auto flush = [&]() {
    if (run.size() < 2) return;
    w.line("RailCL", run, "25000", {}, {{"type", inTunnel ? "トンネル内の鉄道" : "普通鉄道"}, {"name", "見本線"}});
  };
  for (size_t i = 1; i < track.size(); ++i) {
    run.push_back(track[i]);
    const bool tunnel = Elevation(track[i].lat, track[i].lon) > kTunnelRailAbove;
    if (tunnel != inTunnel) {
      flush();
      run = {track[i]};
      inTunnel = tunnel;
    }
  }
  flush();
}

void Building(SampleWriter& w, const std::vector<Line>& rings, const char* type, const Tags& extra = {}) {
  Tags after = {{"type", type}};
  after.insert(after.end(), extra.begin(), extra.end());
  w.area("BldA", rings, "2500", {}, after);
  for (const Line& ring : rings) w.line("BldL", ring, "2500", {}, {{"type", type}});
}

void AddBuildings(SampleWriter& w) {
  // Blocks of houses between the streets, three by three per block; houses
  // that would straddle a mesh edge are left out.
  int n = 0;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 8; ++j)
      for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
          const Pt c{35.690 + 0.003 * i + 0.00075 * (a + 1), 139.735 + 0.004 * j + 0.001 * (b + 1)};
          if (std::fabs(c.lon - 139.75) < 0.0003) continue;
          if (i == 2 && j == 1) continue;  // the block of the big building
          const bool solid = (++n % 7) == 0;
          Building(w, {Rectangle(c, 12.0 + (n % 3) * 2, 9.0 + (n % 2) * 3)}, solid ? "堅ろう建物" : "普通建物");
        }
  // One big building with a courtyard.
  const Pt hall{35.6975, 139.741};
  Building(w, {Rectangle(hall, 70, 60), Reversed(Rectangle(hall, 24, 20))}, "堅ろう建物", {{"name", "市民会館"}});
}

}  // namespace

std::string FgdDocument(const std::string& body, bool shiftJis) {
  std::string out;
  out += shiftJis ? "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                  : "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
  out += "<Dataset xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema FGD_GMLSchema.xsd\"\r\n"
         "\txmlns:gml=\"http://www.opengis.net/gml/3.2\"\r\n"
         "\txmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\r\n"
         "\txmlns:xlink=\"http://www.w3.org/1999/xlink\"\r\n"
         "\txmlns=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema\"\r\n"
         "\tgml:id=\"Dataset1\">\r\n"
         "  <gml:description>基盤地図情報メタデータ ID=fmdid:17-0101</gml:description>\r\n"
         "  <gml:name>基盤地図情報ダウンロードデータ（GML版）</gml:name>\r\n";
  out += body;
  out += "</Dataset>\r\n";
  return shiftJis ? Utf8ToCp932(out) : out;
}

std::string WriteFgdSample(const std::string& folder, const SampleOptions& options) {
  SampleWriter writer(SampleCells());
  AddAdministration(writer);
  AddWater(writer);
  AddRoads(writer);
  AddRailway(writer);
  AddBuildings(writer);
  return writer.write(folder, options.shiftJis);
}

}  // namespace velkaro::sample
