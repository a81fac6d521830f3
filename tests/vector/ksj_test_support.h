#pragma once
// Helpers of the KSJ reader tests: a theme with its reader texts, one reader
// call into a scratch file, KSJ GML text in the published line layout, and
// the real sample files.

#include <string>
#include <vector>

#include "gml_test_support.h"
#include "catalogue/layer_catalogue.h"
#include "scratch/scratch_reader.h"
#include "scratch/scratch_records.h"
#include "vector/ksj_readers.h"
#include "vector/reader_request.h"

namespace velkaro::testing {

inline std::string KsjSample(const std::string& name) {
  return std::string(VELKARO_SAMPLES_DIR) + "/ksj/" + name;
}

inline KsjTheme Theme(const std::string& code, int mask, std::vector<std::string> texts = {}) {
  KsjTheme theme;
  theme.code = code;
  theme.caption = "050" + code;
  theme.readerMask = mask;
  theme.on = true;
  for (size_t k = 0; k < texts.size() && k < 4; ++k) theme.readerTexts[k] = texts[k];
  return theme;
}

// Runs one reader on one file into a fresh scratch file; returns its lines.
inline std::vector<std::string> RunReader(TestJob& t, const TempFolder& out, const KsjTheme& theme,
                                          ksj::KsjReader reader, const std::string& path,
                                          ksj::BulletSize bullet = {}) {
  const std::string scratch = ScratchPath(out.str(), theme.caption);
  {
    ScratchFile file;
    file.create(scratch);
    const ReaderRequest req = ReaderRequestOf(*t);
    const ksj::KsjRun run{req, theme, 0, file, bullet};
    reader(run, path);
  }
  return ScratchLines(scratch);
}

// KSJ GML in the published layout: declaration, root, then one element per
// line with tab indentation and one "lat lon" pair per position list line.
class KsjGml {
 public:
  explicit KsjGml(const std::string& encoding = "UTF-8") {
    line("<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>");
    line("<ksj:Dataset gml:id=\"T\" xmlns:ksj=\"http://nlftp.mlit.go.jp/ksj/schemas/ksj-app\">");
    line("<gml:description>国土数値情報 テスト インスタンス文書</gml:description>");
  }
  KsjGml& line(const std::string& s) {
    text_ += s + "\r\n";
    return *this;
  }
  KsjGml& curve(const std::string& id, const std::vector<LatLon>& points) {
    line("\t<gml:Curve gml:id=\"" + id + "\">");
    line("\t\t<gml:segments>");
    line("\t\t\t<gml:LineStringSegment>");
    line("\t\t\t\t<gml:posList>");
    for (const LatLon& p : points) line("\t\t\t\t" + Pair(p));
    line("\t\t\t\t</gml:posList>");
    line("\t\t\t</gml:LineStringSegment>");
    line("\t\t</gml:segments>");
    line("\t</gml:Curve>");
    return *this;
  }
  KsjGml& point(const std::string& id, LatLon p) {
    line("  <gml:Point gml:id=\"" + id + "\">");
    line("    <gml:pos>" + Pair(p) + "</gml:pos>");
    line("  </gml:Point>");
    return *this;
  }
  std::string text() const { return text_ + "</ksj:Dataset>\r\n"; }

  static std::string Pair(LatLon p) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.8f %.8f", p.lat, p.lon);
    return buf;
  }

 private:
  std::string text_;
};

// A closed square ring of side `d` degrees from its south-west corner.
inline std::vector<LatLon> Square(double lat, double lon, double d) {
  return {{lat, lon}, {lat, lon + d}, {lat + d, lon + d}, {lat + d, lon}, {lat, lon}};
}

}  // namespace velkaro::testing
