#include "output/tile_image.h"

#include "job/job_context.h"
#include "output/bmp_file.h"
#include "output/bmp_messages.h"
#include "output/georeference.h"
#include "output/geotiff_writer.h"
#include "output/png_file.h"
#include "render/render_surface.h"

namespace velkaro {

namespace {

void WriteStillImage(JobContext& job, const std::string& outputPath) {
  std::string error;
  const QImage& frame = job.surface->frame();
  const bool written = job.settings.type == kOutputPng
                           ? WriteGeoreferencedPng(frame, FrameGrid(job), CoordinateSystemOfJob(job), outputPath, &error)
                           : WriteBmpFile(frame, outputPath, &error);
  if (written) return;
  // A tile that could not be written stops the job at once.
  job.host.ask(job.settings.type == kOutputPng ? bmp_messages::kPngWriteCaption : bmp_messages::kBmpWriteCaption,
               error, Buttons::Ok);
  job.errorText = error;
  job.runFlag = false;
}

}  // namespace

void WriteTileImage(JobContext& job, const std::string& outputPath) {
  if (!job.surface) return;
  const int type = job.settings.type;
  if (type == kOutputBmp || type == kOutputAnimation || type == kOutputPng) {
    WriteStillImage(job, outputPath);
  } else if (type == kOutputGeoTiff) {
    WriteGeoTiff(job, outputPath);
  }
}

}  // namespace velkaro
