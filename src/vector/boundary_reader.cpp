#include "vector/boundary_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/file_search.h"

namespace velkaro {
namespace {

constexpr std::string_view kBoundaryTypes =
    "都道府県界,北海道の支庁界,郡市・東京都の区界,町村・指定都市の区界,大字・町・丁目界,その他,不明";

bool OnMeshLine(double v, double perDegree) {
  const double scaled = v * perDegree;
  return std::fabs(scaled - std::round(scaled)) < 1e-8;
}

bool OnSecondLevelMeshLine(const CellPair& p) { return OnMeshLine(p.x, 8) || OnMeshLine(p.y, 12); }

std::string_view StripLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view TrimLeadingBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// Walks the lines of a feature file: waits for the first feature, then
// collects the rings of every posList.
class RingReader {
 public:
  RingReader(std::string_view element, BoundaryStore& store, const std::function<void()>& pump)
      : store_(store), pump_(pump) {
    const std::string name(element);
    markers_[0] = "<" + name + " gml:id=";
    markers_[1] = "<" + name + "  gml:id=";
  }

  // False when the pool is full.
  bool line(std::string_view text) {
    text = StripLineEnd(text);
    if (!started_) {
      if (isFeatureStart(text)) started_ = true;
      else return true;
    }
    if (isFeatureStart(text)) featureFirstRing_ = store_.used;
    const std::string_view bare = TrimLeadingBlanks(text);
    if (inRing_) return ringLine(bare, text);
    if (bare.starts_with("<gml:posList>")) return openRing();
    if (const size_t at = text.find("<type>"); at != std::string_view::npos) setFeatureLevel(text.substr(at + 6));
    return true;
  }

 private:
  bool isFeatureStart(std::string_view text) const {
    return text.find(markers_[0]) != std::string_view::npos ||
           text.find(markers_[1]) != std::string_view::npos;
  }

  bool openRing() {
    if (store_.used + 1 > store_.capacity) return false;
    header_ = store_.used;
    store_.cells[store_.used++] = CellPair{0.0, 5.0};
    inRing_ = true;
    return true;
  }

  bool ringLine(std::string_view bare, std::string_view text) {
    if (bare.starts_with("</gml:posList>")) return closeRing();
    double lat = 0, lon = 0;
    // A line that holds no point is passed over; the ring goes on.
    if (!gml::ParseVertexLine(text, true, lat, lon)) return true;
    if (store_.used + 1 > store_.capacity) {
      closeRing();
      return false;
    }
    store_.cells[store_.used++] = CellPair{lon, lat};
    store_.cells[header_].x += 1.0;
    return true;
  }

  bool closeRing() {
    inRing_ = false;
    const int32_t n = static_cast<int32_t>(store_.cells[header_].x);
    if (n == 0) {   // an empty ring leaves no trace
      store_.used = header_;
      return true;
    }
    for (int32_t i = 1; i <= n; ++i) store_.box.add(store_.cells[header_ + i].x, store_.cells[header_ + i].y);
    ++store_.rings;
    if (store_.rings % 10000 == 0 && pump_) pump_();
    return true;
  }

  // The feature's type names the level of every ring the feature has so far
  // (an area's outer ring and its holes alike).
  void setFeatureLevel(std::string_view rest) {
    const size_t end = rest.find("</type>");
    const int level = BoundaryLevelOf(rest.substr(0, end));
    int32_t i = std::max(featureFirstRing_, 0);
    while (i < store_.used) {
      store_.cells[i].y = level;
      i += static_cast<int32_t>(store_.cells[i].x) + 1;
    }
  }

  BoundaryStore& store_;
  const std::function<void()>& pump_;
  std::string markers_[2];
  bool started_ = false;
  bool inRing_ = false;
  int32_t header_ = 0;
  int32_t featureFirstRing_ = -1;
};

}  // namespace

int BoundaryLevelOf(std::string_view type) {
  if (type.empty()) return 5;
  const size_t at = kBoundaryTypes.find(type);
  if (at == std::string_view::npos) return 5;
  const int level = static_cast<int>(std::count(kBoundaryTypes.begin(), kBoundaryTypes.begin() + static_cast<long>(at), ','));
  return std::min(level, kBoundaryLevels - 1);
}

BoundaryRead ReadBoundaryFile(const std::string& path, std::string_view element,
                              BoundaryStore& store, const std::function<void()>& pump) {
  gml::SourceText source;
  if (!source.open(path)) return BoundaryRead::Unreadable;
  RingReader reader(element, store, pump);
  std::string_view lines;
  while (true) {
    if (!source.next(lines)) return BoundaryRead::Unreadable;
    if (lines.empty()) return BoundaryRead::Ok;
    while (!lines.empty()) {
      const size_t nl = lines.find('\n');
      const std::string_view line = lines.substr(0, nl);
      lines = nl == std::string_view::npos ? std::string_view() : lines.substr(nl + 1);
      if (!reader.line(line)) return BoundaryRead::Full;
    }
  }
}

std::vector<std::string> BoundaryFiles(const std::string& folder, bool subfolders,
                                       std::string* element) {
  std::vector<std::string> files = FindFiles(folder, "*-AdmArea*.xml", subfolders);
  if (!files.empty()) {
    if (element) *element = "AdmArea";
    return files;
  }
  if (element) *element = "AdmBdry";
  return FindFiles(folder, "*-AdmBdry*.xml", subfolders);
}

std::vector<std::string> RoadFiles(const std::string& folder, bool subfolders,
                                   const std::vector<std::string>& meshCodes) {
  std::vector<std::string> chosen;
  for (std::string& path : FindFiles(folder, "*-RdEdg*.xml", subfolders)) {
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t at = name.find("-GML-");
    if (at == std::string::npos) continue;
    const std::string code = name.substr(at + 5, 6);
    if (std::find(meshCodes.begin(), meshCodes.end(), code) != meshCodes.end())
      chosen.push_back(std::move(path));
  }
  return chosen;
}

bool SegmentOnMeshEdge(const CellPair& a, const CellPair& b) {
  return OnSecondLevelMeshLine(a) && OnSecondLevelMeshLine(b);
}

}  // namespace velkaro
