#include "output/tile_image.h"

#include "job/job_context.h"
#include "output/bmp_file.h"
#include "output/bmp_messages.h"
#include "output/geotiff_writer.h"
#include "render/render_surface.h"

namespace velkaro {

namespace {

void WriteStillImage(JobContext& job, const std::string& outputPath) {
  std::string error;
  if (WriteBmpFile(job.surface->frame(), outputPath, &error)) return;
  // A tile that could not be written stops the job at once.
  job.host.ask(bmp_messages::kBmpWriteCaption, error, Buttons::Ok);
  job.errorText = error;
  job.runFlag = false;
}

}  // namespace

void WriteTileImage(JobContext& job, const std::string& outputPath) {
  if (!job.surface) return;
  const int type = job.settings.type;
  if (type == kOutputBmp || type == kOutputAnimation) {
    WriteStillImage(job, outputPath);
  } else if (type == kOutputGeoTiff) {
    WriteGeoTiff(job, outputPath);
  }
}

}  // namespace velkaro
