#include "run/tile_sequence.h"

#include "job/job_context.h"
#include "output/tile_image.h"
#include "render/render_tile.h"

namespace velkaro {

void DrawAndWriteTile(JobContext& job, const std::string& outputPath) {
  RenderTile(job);
  if (outputPath.empty() || !job.runFlag) return;
  WriteTileImage(job, outputPath);
}

}  // namespace velkaro
