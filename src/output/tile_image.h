#pragma once
// Writing the drawn tile to its file in the job's output type.

#include <string>

namespace velkaro {

struct JobContext;

// Writes the job's frame to outputPath: the whole frame as BMP for BMP and
// animation jobs, as PNG with world and projection files for PNG jobs, the
// map rectangle as GeoTIFF for GeoTIFF jobs. A failure is
// shown at once in a message box and stops the job (RunFlag cleared,
// ErrorText set). A BMP tile of a run with commits (job.tileCommits) is
// written whole under its temporary name and put in place while the next
// tile is drawn; a failure to put it in place stops the job with the next
// tile or at the run's end.
void WriteTileImage(JobContext& job, const std::string& outputPath);
// Waits for the run's tiles still being put in place; a failure among them
// stops the job as a failed write does.
void FinishTileCommits(JobContext& job);

}  // namespace velkaro
