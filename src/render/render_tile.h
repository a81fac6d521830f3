#pragma once
// The per-tile rendering sequence.

namespace velkaro {

struct JobContext;

// Draws the current tile (or animation frame) into the job's surface in the
// fixed layer order. Does nothing once the job was aborted.
void RenderTile(JobContext& job);

}  // namespace velkaro
