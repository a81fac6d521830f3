#pragma once
// The per-tile rendering sequence.

#include <string>

namespace velkaro {

struct JobContext;

// Draws the current tile (or animation frame) into the job's surface in the
// fixed layer order and writes it to outputPath; an empty path (an animation
// frame) writes nothing. Does nothing once the job was aborted.
void RenderTile(JobContext& job, const std::string& outputPath);

}  // namespace velkaro
