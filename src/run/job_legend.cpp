#include "run/job_legend.h"

#include "job/job_context.h"
#include "job/mesh_codes.h"
#include "job/tile_grid.h"
#include "run/driver.h"
#include "run/run_messages.h"

namespace velkaro {

bool UsesJobWideLegend(const JobContext& job) {
  const JobSettings& s = job.settings;
  return s.jido && s.zentai && s.type != kOutputAnimation && (s.anyMeshClass() || s.anyContourClass());
}

std::optional<Legend> JobWideLegend(JobContext& job, const DriverCalls& calls) {
  if (!calls.prepareElevationGrid) return std::nullopt;
  ElevationSample sample;
  bool anyData = false;
  for (int r = 0; r < job.grid.rows; ++r)
    for (int c = 0; c < job.grid.cols; ++c) {
      job.host.setLabel(LabelRole::FileName, msg::kJobLegendProgress + TileFileName(job.settings, job.grid, r, c));
      job.host.pump();
      SetCurrentTile(job, r, c);
      ListMeshCodes(job, 6, false);
      calls.prepareElevationGrid(job);
      if (!job.runFlag) return std::nullopt;
      if (!job.elevGrid.hasData(job.datumOffset)) continue;
      anyData = true;
      sample.addTileWindow(ValuesOf(job.elevGrid, job.cells), job.elevGrid, job.datumOffset);
    }
  if (!anyData || sample.values.empty()) return std::nullopt;
  return LegendOfElevations(sample.values, StillLegendOptions(job));
}

}  // namespace velkaro
