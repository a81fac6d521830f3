#pragma once
// Administrative boundaries (and, on request, road edges) for the map of the
// range selection window: every ring of the FGD files as a run of
// (longitude, latitude) pairs in a caller's pool of value pairs, each ring
// preceded by a header entry holding its point count and its boundary level.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "job/cell_buffer.h"
#include "vector/gml_reading.h"

namespace velkaro {

// Level of a boundary type: its place in "都道府県界,北海道の支庁界,
// 郡市・東京都の区界,町村・指定都市の区界,大字・町・丁目界,その他,不明". Area
// types ("都道府県", "郡市・東京都の区" …) fall on the level of their
// boundary. Unknown and empty types are level 5, as is 不明.
inline constexpr int kBoundaryLevels = 6;
int BoundaryLevelOf(std::string_view type);

// Rings read so far, in a fixed pool.
struct BoundaryStore {
  BoundaryStore(CellPair* cells, int32_t capacity) : cells(cells), capacity(capacity) {}

  CellPair* cells;
  int32_t capacity;
  int32_t used = 0;
  int rings = 0;
  gml::GeoBox box;   // of all points

  void clear() {
    used = 0;
    rings = 0;
    box.reset();
  }
  // Calls fn(points, count, level) for every ring in order.
  template <typename Fn>
  void forEachRing(Fn&& fn) const {
    int32_t i = 0;
    while (i < used) {
      const int32_t n = static_cast<int32_t>(cells[i].x);
      fn(cells + i + 1, n, static_cast<int>(cells[i].y));
      i += n + 1;
    }
  }
};

enum class BoundaryRead { Ok, Full, Unreadable };

// Reads the rings of one file of features named `element` ("AdmArea",
// "AdmBdry", "RdEdg"), in UTF-8 or Shift_JIS. Every ring of a feature gets
// the level of the feature's <type>. Full when the pool ran out (the rings
// read until then stay); `pump` is called every 10,000 rings.
BoundaryRead ReadBoundaryFile(const std::string& path, std::string_view element,
                              BoundaryStore& store, const std::function<void()>& pump = {});

// The boundary files of a folder: "*-AdmArea*.xml", or when there are none
// "*-AdmBdry*.xml". `element` receives the element name of the files found.
std::vector<std::string> BoundaryFiles(const std::string& folder, bool subfolders,
                                       std::string* element);

// The road edge files "*-RdEdg*.xml" whose name holds one of the second-level
// mesh codes (six digits, e.g. "533946") in the six characters after "-GML-".
std::vector<std::string> RoadFiles(const std::string& folder, bool subfolders,
                                   const std::vector<std::string>& meshCodes);

// True when a segment's two ends both lie on second-level mesh lines
// (longitude x 8 or latitude x 12 within 1e-8 of a whole number): the cuts of
// the source data at mesh edges, which the map leaves out.
bool SegmentOnMeshEdge(const CellPair& a, const CellPair& b);

}  // namespace velkaro
