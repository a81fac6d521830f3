// ETOPO one-arc-minute grids: headerless little-endian 32-bit floats, read
// one grid row per seek so only the grid's window of the file is touched.

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "elevation/dem_readers.h"
#include "elevation/dem_sources.h"
#include "elevation/messages.h"
#include "job/job_context.h"

namespace velkaro {

namespace {

constexpr long long kEtopoFileBytes = 4LL * kEtopoCols * kEtopoRows;

float FromLittleEndian(const unsigned char* p) {
  const uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads `count` values of file row `row` from column `col` on, wrapping
// around the date line within the row. False on a seek or read error.
bool ReadRowSpan(std::FILE* f, long row, long col, int count, unsigned char* out) {
  int done = 0;
  while (done < count) {
    const long c = (col + done) % kEtopoCols;
    const int run = static_cast<int>(std::min<long>(count - done, kEtopoCols - c));
    const long long offset = (static_cast<long long>(row) * kEtopoCols + c) * 4;
    if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    if (std::fread(out + done * 4, 4, run, f) != static_cast<size_t>(run)) return false;
    done += run;
  }
  return true;
}

}  // namespace

bool ReadEtopoGrid(JobContext& ctx, const std::string& path, const GeoBox& extent) {
  if (!ctx.runFlag || !(ctx.settings.alti[kEtopo] || ctx.settings.cont[kEtopo])) return true;
  ElevationGrid& g = ctx.elevGrid;
  auto fail = [&] {
    ctx.errorText = "ReadEtopoGrid(" + path + elevation_text::kReaderErrorTail;
    return false;
  };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return fail();
  // The layout has no header: a file of another size is another grid (or a
  // broken download) and would be read as nonsense.
  struct stat st {};
  if (::fstat(fileno(file.get()), &st) != 0 || st.st_size != kEtopoFileBytes) return fail();

  const long row0 = static_cast<long>(std::floor((90 - extent.latN) * 60 + 1e-12));
  long col0 = static_cast<long>(std::floor((extent.lonW + 180) * 60 + 1e-12));
  // Longitudes beyond 180 E (or before 180 W) continue round the globe.
  col0 = ((col0 % kEtopoCols) + kEtopoCols) % kEtopoCols;
  const int cols = std::min(g.gridCols, kEtopoCols);
  std::vector<unsigned char> row(static_cast<size_t>(cols) * 4);
  const double noData = ctx.datumOffset + kNoElevation;
  CellPair* cells = ctx.cells.data();
  for (int i = 0; i < g.gridRows; ++i) {
    const long fileRow = row0 + i;
    if (fileRow < 0) continue;            // north of the pole: no data
    if (fileRow >= kEtopoRows) break;     // south of the pole
    if (!ReadRowSpan(file.get(), fileRow, col0, cols, row.data())) return fail();
    CellPair* out = cells + static_cast<int64_t>(i) * g.gridCols;
    for (int j = 0; j < cols; ++j) {
      const float v = FromLittleEndian(&row[static_cast<size_t>(j) * 4]);
      // Sea deeper than 5 m stays blank; a damaged value (NaN, beyond any
      // height on Earth) counts as no data.
      if (v > -5.0f && v < kMostElevation) {
        const double e = v + ctx.datumOffset;
        out[j].x = e;
        if (e > g.elevMax) g.elevMax = e;
        if (e < g.elevMin) g.elevMin = e;
      } else {
        out[j].x = noData;
      }
    }
  }
  return true;
}

}  // namespace velkaro
