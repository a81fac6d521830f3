// The subsystem calls the driver makes in this build.
#include <QImage>

#include "elevation/auto_legend.h"
#include "elevation/dem_sources.h"
#include "elevation/elevation_grid.h"
#include "run/driver.h"
#include "run/run_messages.h"
#include "run/tile_sequence.h"
#include "run/flood_animation.h"
#include "output/index_map.h"
#include "render/layer_drawing.h"
#include "vector/ksj_scan.h"
#include "vector/scan_tree.h"
#include "scratch/scratch_file.h"

namespace velkaro {
namespace {

// Scratch files that could not be kept are named in the job's error text, so
// the run ends with the failure shown instead of passing as clean.
void KeepTileScratchFiles(JobContext& job) {
  const std::string problems = KeepScratchFiles(job);
  if (problems.empty()) return;
  job.errorText += std::string(msg::kScratchNotKept) + "\r\n" + problems;
}

}  // namespace

DriverCalls DefaultDriverCalls() {
  DriverCalls calls;
  calls.scanTree = [](JobContext& job, LayerTree& tree, const std::string& folder, int flag, int mask) {
    scanTree(job, tree, folder, flag, mask);
  };
  calls.scanKsj = [](JobContext& job, const std::string& folder, int flag, int mask) {
    auto measure = [&job](const KsjTheme& theme) {
      ksj::BulletSize size;
      MeasureThemeText(job, theme, "・", size.width, size.height);
      return size;
    };
    ScanKsj(job, folder, flag == 0 ? KsjScanMode::Count : KsjScanMode::Read, mask, measure);
  };
  calls.countDemSources = [](JobContext& job) { ScanDemSources(job, DemScanMode::Count, GeoBox{}); };
  calls.prepareElevationGrid = [](JobContext& job) { PrepareElevationGrid(job); };
  calls.autoLegend = [](JobContext& job, int r, int c) { AutoLegend(job, r, c); };
  calls.renderTile = [](JobContext& job, const std::string& path) { DrawAndWriteTile(job, path); };
  calls.writeAnimation = [](JobContext& job, const std::string& path) { WriteFloodAnimation(job, path); };
  calls.writeIndexMap = [](JobContext& job) { WriteIndexMap(job); };
  calls.deleteScratchFiles = [](JobContext& job) { DeleteScratchFiles(job); };
  calls.keepScratchFiles = [](JobContext& job) { KeepTileScratchFiles(job); };
  return calls;
}

}  // namespace velkaro
