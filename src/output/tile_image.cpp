#include "output/tile_image.h"

#include <memory>
#include <string_view>
#include <vector>

#include "job/job_context.h"
#include "output/bmp_file.h"
#include "output/bmp_messages.h"
#include "output/georeference.h"
#include "output/geotiff_writer.h"
#include "output/png_file.h"
#include "output/tile_commits.h"
#include "render/render_surface.h"

namespace velkaro {

namespace {

// A tile that could not be written stops the job at once.
void TileNotWritten(JobContext& job, const std::string& error) {
  job.host.ask(job.settings.type == kOutputPng ? bmp_messages::kPngWriteCaption : bmp_messages::kBmpWriteCaption,
               error, Buttons::Ok);
  job.errorText = error;
  job.runFlag = false;
}

// Writes the BMP tile whole under its temporary name and leaves flushing
// and renaming it to the run's commits; an earlier tile that could not be
// put in place stops the job first.
bool WriteBmpForCommit(JobContext& job, const QImage& frame, const std::string& outputPath, std::string& error) {
  error = job.tileCommits->failure();
  if (!error.empty()) return false;
  auto file = std::make_unique<PendingFile>(outputPath);
  if (!WriteBmpInto(*file, frame, &error)) return false;
  job.tileCommits->add(std::move(file));
  return true;
}

void WriteStillImage(JobContext& job, const std::string& outputPath) {
  std::string error;
  const QImage& frame = job.surface->frame();
  bool written;
  if (job.settings.type == kOutputPng)
    written = WriteGeoreferencedPng(frame, FrameGrid(job), CoordinateSystemOfJob(job), outputPath, &error);
  else if (job.tileCommits && job.settings.type == kOutputBmp)
    written = WriteBmpForCommit(job, frame, outputPath, error);
  else
    written = WriteBmpFile(frame, outputPath, &error);
  if (!written) TileNotWritten(job, error);
}

}  // namespace

void FinishTileCommits(JobContext& job) {
  if (!job.tileCommits) return;
  const std::string error = job.tileCommits->finish();
  if (!error.empty() && job.errorText.empty()) TileNotWritten(job, error);
}

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
