#pragma once
// The flood animation of one tile: an uncompressed AVI in which the water
// rises from the starting level to the top level by the tile's legend
// interval, holds for a second, falls back and holds at the start again.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velkaro {

struct JobContext;

enum class FloodPhase { FirstHold, Rise, TopHold, Fall, BottomHold };

// One water level of the sequence and the number of frames written at it.
struct FloodStep {
  FloodPhase phase;
  double level;  // metres
  int frames;
};

// The steps for starting level `bottom`, top level `top`, step `interval`
// (> 0) and `fps` frames per second (and per hold), in order: the first hold
// at bottom, one frame per level of the rise while the level stays below
// top - 0.009, the top hold at the level that stopped the rise, one frame
// per level of the fall while it stays above bottom, the bottom hold.
void ForEachFloodStep(double bottom, double top, double interval, int fps,
                      const std::function<void(const FloodStep&)>& visit);
std::vector<FloodStep> FloodFrameSequence(double bottom, double top, double interval, int fps);
// Frames of the whole sequence; the video stream declares one more.
uint64_t FloodFrameCount(double bottom, double top, double interval, int fps);

// Draws the current tile into the job's surface at job.waterLevel.
using FloodFrameRenderer = std::function<void(JobContext&)>;

// Writes the current tile's animation to path (deleted first), each frame
// drawn by RenderTile. Errors and refusals are shown through job.host and
// clear the run flag; an aborted job leaves a complete file of the frames
// written before the abort.
void WriteFloodAnimation(JobContext& job, const std::string& path);
// As above with another frame renderer (tests).
void WriteFloodAnimation(JobContext& job, const std::string& path, const FloodFrameRenderer& renderFrame);

}  // namespace velkaro
