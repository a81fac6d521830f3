// ETOPO one-arc-minute grids: the grid window read across the date line and
// the poles, with arbitrary float values (NaN, infinities, denormals) in the
// rows it touches. The file is sparse, full size and lives in memory.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "elevation/dem_readers.h"
#include "elevation/dem_sources.h"
#include "fuzz_support.h"
#include "job/cell_buffer.h"
#include "job/job_context.h"
#include "job/job_host.h"

using namespace velkaro;

namespace {

constexpr int kMaxRows = 24, kMaxCols = 40;

// A value in [low, high] from eight input bytes (a whole range, never NaN).
double InRange(fuzz::Input& in, double low, double high) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits = bits << 8 | in.choice();
  return low + (high - low) * (bits / 4294967295.0);
}

struct EtopoJob {
  JobSettings settings;
  SilentHost host;
  CellBuffer cells;
  std::unique_ptr<JobContext> job;
  std::string path;

  EtopoJob() {
    settings.alti[kEtopo] = true;
    job = std::make_unique<JobContext>(settings, host, cells);
    path = fuzz::WriteFile("etopo1_ice_c_f4.flt", "");
    std::filesystem::resize_file(path, 4LL * kEtopoCols * kEtopoRows);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static EtopoJob e;
  fuzz::Input in(data, size);
  const double latN = InRange(in, -91, 91);
  const double lonW = InRange(in, -540, 540);
  const int rows = 1 + in.choice() % kMaxRows;
  const int cols = 1 + in.choice() % kMaxCols;

  // The input's floats go into the first rows of the window.
  const long row0 = static_cast<long>(std::floor((90 - latN) * 60 + 1e-12));
  long col0 = static_cast<long>(std::floor((lonW + 180) * 60 + 1e-12));
  col0 = ((col0 % kEtopoCols) + kEtopoCols) % kEtopoCols;
  {
    std::fstream f(e.path, std::ios::in | std::ios::out | std::ios::binary);
    const std::string_view floats = in.rest();
    for (int r = 0; r < rows && row0 + r >= 0 && row0 + r < kEtopoRows; ++r) {
      const size_t from = static_cast<size_t>(r) * cols * 4;
      if (from >= floats.size()) break;
      f.seekp((static_cast<long long>(row0 + r) * kEtopoCols + col0) * 4);
      f.write(floats.data() + from, static_cast<std::streamsize>(std::min<size_t>(cols * 4, floats.size() - from)));
    }
  }
  ElevationGrid& g = e.job->elevGrid;
  g = ElevationGrid{};
  g.cellLon = g.cellLat = 1.0 / 60;
  g.gridRows = rows;
  g.gridCols = cols;
  g.winRow1 = rows;
  g.winCol1 = cols;
  e.job->runFlag = true;
  e.job->errorText.clear();
  ReadEtopoGrid(*e.job, e.path, GeoBox{lonW, latN - rows / 60.0, lonW + cols / 60.0, latN});
  return 0;
}
