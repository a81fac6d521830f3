// The subsystem calls the driver makes in this build.
#include <QImage>

#include "elevation/dem_sources.h"
#include "elevation/elevation_grid.h"
#include "job/driver.h"
#include "output/bmp_file.h"
#include "render/render_surface.h"
#include "vector/scratch_file.h"

namespace velkaro {

DriverCalls DefaultDriverCalls() {
  DriverCalls calls;
  calls.countDemSources = [](JobContext& job) { ScanDemSources(job, DemScanMode::Count, GeoBox{}); };
  calls.prepareElevationGrid = [](JobContext& job) { PrepareElevationGrid(job); };
  calls.renderTile = [](JobContext& job, const std::string& path) {
    if (!job.runFlag || path.empty() || !job.surface) return;
    std::string error;
    if (!WriteBmpFile(job.surface->frame(), path, &error)) {
      job.host.ask("Error", error, Buttons::Ok);
      job.runFlag = false;
    }
  };
  calls.deleteScratchFiles = [](JobContext& job) { DeleteScratchFiles(job); };
  calls.keepScratchFiles = [](JobContext& job) { KeepScratchFiles(job); };
  return calls;
}

}  // namespace velkaro
