#pragma once
// One tile of a run: drawn into the job's surface, then written.

#include <string>

namespace velkaro {

struct JobContext;

// Draws the current tile and writes it to outputPath; an empty path (an
// animation frame) writes nothing, and neither does a job aborted while the
// tile was drawn.
void DrawAndWriteTile(JobContext& job, const std::string& outputPath);

}  // namespace velkaro
