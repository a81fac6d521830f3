#pragma once
// Writing the drawn tile to its file in the job's output type.

#include <string>

namespace velkaro {

struct JobContext;

// Writes the job's frame to outputPath: the whole frame as BMP for BMP and
// animation jobs, as PNG with world and projection files for PNG jobs, the
// map rectangle as GeoTIFF for GeoTIFF jobs. A failure is
// shown at once in a message box and stops the job (RunFlag cleared,
// ErrorText set).
void WriteTileImage(JobContext& job, const std::string& outputPath);

}  // namespace velkaro
