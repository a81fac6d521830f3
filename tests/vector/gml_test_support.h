#pragma once
// Helpers of the GML reader and scan tests: a job on a tile of plane zone 9,
// a temporary output folder, GML text in the real FGD line layout, scratch
// file reading and an independent projection through PROJ.

#include <proj.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "vector/gml_scan_context.h"
#include "catalogue/layer_catalogue.h"
#include "scratch/scratch_file.h"

namespace velkaro::testing {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("velkaro-vector-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string str() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

inline void WriteText(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The lines of a scratch file; every line must end with CR LF.
inline std::vector<std::string> ScratchLines(const std::string& path, bool* allCrlf = nullptr) {
  const std::string text = ReadText(path);
  std::vector<std::string> lines;
  bool crlf = true;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      crlf = false;
      lines.push_back(text.substr(start));
      break;
    }
    if (nl == start || text[nl - 1] != '\r') crlf = false;
    lines.push_back(text.substr(start, nl - start - (nl > start && text[nl - 1] == '\r' ? 1 : 0)));
    start = nl + 1;
  }
  if (allCrlf) *allCrlf = crlf;
  return lines;
}

// Geographic -> JGD2011 plane zone 9 (metres, easting and northing) by PROJ,
// independent of the program's own series.
class Zone9 {
 public:
  Zone9() {
    ctx_ = proj_context_create();
    pj_ = proj_create(ctx_,
                      "+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad "
                      "+step +proj=tmerc +lat_0=36 +lon_0=139.833333333333333 +k=0.9999 "
                      "+x_0=0 +y_0=0 +ellps=GRS80");
  }
  ~Zone9() {
    proj_destroy(pj_);
    proj_context_destroy(ctx_);
  }
  // Returns {easting, northing}.
  std::pair<double, double> operator()(double lat, double lon) const {
    PJ_COORD c = proj_coord(lon, lat, 0, 0);
    PJ_COORD r = proj_trans(pj_, PJ_FWD, c);
    return {r.xy.x, r.xy.y};
  }

 private:
  PJ_CONTEXT* ctx_ = nullptr;
  PJ* pj_ = nullptr;
};

// A host that records labels and can clear the run flag on the n-th pump.
class RecordingHost : public JobHost {
 public:
  void setLabel(LabelRole role, const std::string& text) override {
    labels.emplace_back(role, text);
  }
  void pump() override {
    ++pumps;
    if (job != nullptr && abortAtPump > 0 && pumps >= abortAtPump) job->runFlag = false;
  }
  Answer ask(const std::string&, const std::string&, Buttons) override { return Answer::Yes; }

  std::vector<std::string> labelsOf(LabelRole role) const {
    std::vector<std::string> out;
    for (const auto& [r, t] : labels)
      if (r == role) out.push_back(t);
    return out;
  }

  std::vector<std::pair<LabelRole, std::string>> labels;
  int pumps = 0;
  int abortAtPump = 0;
  JobContext* job = nullptr;
};

// A running job on zone 9 in metres whose tile covers the given box.
struct TestJob {
  RecordingHost host;
  CellBuffer cells;
  std::unique_ptr<JobContext> job;

  explicit TestJob(const std::string& writeFolder, double latS = 35.70, double lonW = 139.74,
                   double latN = 35.72, double lonE = 139.78) {
    JobSettings settings;
    settings.writefolder = writeFolder;
    job = std::make_unique<JobContext>(settings, host, cells);
    host.job = job.get();
    SetZoneNumber(job->coords, 9, 1.0);
    setTile(latS, lonW, latN, lonE);
    job->image.unitsPerPixel = 1.0;
    job->runFlag = true;
  }
  void setTile(double latS, double lonW, double latN, double lonE) {
    const PlaneXY sw = bltoxy(job->coords, lonW, latS);
    const PlaneXY ne = bltoxy(job->coords, lonE, latN);
    job->tile.west = sw.y;
    job->tile.south = sw.x;
    job->tile.east = ne.y;
    job->tile.north = ne.x;
  }
  JobContext& operator*() { return *job; }
  JobContext* operator->() { return job.get(); }
};

// A ScanContext of one group with outputs in folder, one per type key.
inline ScanContext MakeScan(const std::string& folder, const std::string& groupName,
                            const std::vector<std::string>& typeKeys) {
  ScanContext scan;
  scan.setGroup(groupName, "テスト群");
  scan.outputs.reserve(typeKeys.size());
  for (size_t k = 0; k < typeKeys.size(); ++k) {
    const std::string text = std::to_string(k + 1) + "out";
    scan.childTexts.push_back(text);
    scan.typeKeys.push_back(typeKeys[k]);
    scan.subKeys.emplace_back();
    scan.outputs.emplace_back();
    scan.outputs.back().create(ScratchPath(folder, text));
  }
  return scan;
}

struct LatLon {
  double lat, lon;
};

// GML text in the FGD line layout: CR LF, no indentation, one element per
// line, one "lat lon" pair per vertex line.
class Gml {
 public:
  Gml& line(const std::string& s) {
    body_ += s;
    body_ += "\r\n";
    return *this;
  }
  Gml& begin(const std::string& element) {
    return line("<" + element + " gml:id=\"K_" + std::to_string(++ids_) + "\">");
  }
  Gml& end(const std::string& element) { return line("</" + element + ">"); }
  Gml& tag(const std::string& name, const std::string& value) {
    return line("<" + name + ">" + value + "</" + name + ">");
  }
  Gml& posList(const std::vector<LatLon>& vertices) {
    line("<gml:posList>");
    char buf[64];
    for (const LatLon& v : vertices) {
      std::snprintf(buf, sizeof buf, "%.9f %.9f", v.lat, v.lon);
      line(buf);
    }
    return line("</gml:posList>");
  }
  // A curve feature as the sources write it.
  Gml& curve(const std::string& element, const std::vector<std::pair<std::string, std::string>>& before,
             const std::vector<LatLon>& vertices,
             const std::vector<std::pair<std::string, std::string>>& after) {
    begin(element);
    for (const auto& [k, v] : before) tag(k, v);
    line("<loc>").line("<gml:Curve gml:id=\"c\" srsName=\"fguuid:jgd2011.bl\">");
    line("<gml:segments>").line("<gml:LineStringSegment>");
    posList(vertices);
    line("</gml:LineStringSegment>").line("</gml:segments>").line("</gml:Curve>").line("</loc>");
    for (const auto& [k, v] : after) tag(k, v);
    return end(element);
  }
  // A surface feature: the first ring is the exterior, the others holes.
  Gml& surface(const std::string& element, const std::vector<std::pair<std::string, std::string>>& before,
               const std::vector<std::vector<LatLon>>& rings,
               const std::vector<std::pair<std::string, std::string>>& after) {
    begin(element);
    for (const auto& [k, v] : before) tag(k, v);
    line("<area>").line("<gml:Surface gml:id=\"s\" srsName=\"fguuid:jgd2011.bl\">");
    line("<gml:patches>").line("<gml:PolygonPatch>");
    for (size_t r = 0; r < rings.size(); ++r) {
      line(r == 0 ? "<gml:exterior>" : "<gml:interior>").line("<gml:Ring>").line("<gml:curveMember>");
      line("<gml:Curve gml:id=\"r\">").line("<gml:segments>").line("<gml:LineStringSegment>");
      posList(rings[r]);
      line("</gml:LineStringSegment>").line("</gml:segments>").line("</gml:Curve>");
      line("</gml:curveMember>").line("</gml:Ring>").line(r == 0 ? "</gml:exterior>" : "</gml:interior>");
    }
    line("</gml:PolygonPatch>").line("</gml:patches>").line("</gml:Surface>").line("</area>");
    for (const auto& [k, v] : after) tag(k, v);
    return end(element);
  }
  std::string file(const std::string& encoding = "utf-8") const {
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\r\n" +
           "<Dataset xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema FGD_GMLSchema.xsd\"\r\n"
           "\tgml:id=\"Dataset1\">\r\n"
           "  <gml:description>基盤地図情報メタデータ ID=fmdid:17-0101</gml:description>\r\n"
           "  <gml:name>基盤地図情報ダウンロードデータ（GML版）</gml:name>\r\n" +
           body_ + "</Dataset>\r\n";
  }

 private:
  std::string body_;
  int ids_ = 0;
};

// The vertices (easting, northing) of the polyline records of a scratch file,
// one vector per record; "lw" lines give the width in widths.
struct Polylines {
  std::vector<std::vector<std::pair<double, double>>> lines;
  std::vector<int> widths;
};
inline Polylines ReadPolylines(const std::string& path) {
  Polylines out;
  const std::vector<std::string> lines = ScratchLines(path);
  std::vector<std::pair<double, double>> current;
  for (size_t i = 0; i < lines.size();) {
    if (lines[i] == "lw") {
      out.widths.push_back(std::stoi(lines[i + 1]));
      i += 2;
    } else if (lines[i] == "sep") {
      out.lines.push_back(current);
      current.clear();
      ++i;
    } else {
      current.emplace_back(std::stod(lines[i]), std::stod(lines[i + 1]));
      i += 2;
    }
  }
  return out;
}

}  // namespace velkaro::testing
