#pragma once
// The processing driver: counts the source files, fixes the per-job drawing
// constants and then runs every tile from the north-west: clear the scratch
// files, set the tile, list its mesh codes, run the ten reading passes, load
// the elevation grid and legend, render and write the tile.

#include <functional>
#include <string>

#include "catalogue/layer_catalogue.h"
#include "job/job_context.h"
#include "run/tile_selection.h"

namespace velkaro {

struct LayerTree;

// The subsystem calls of the driver. Each may be empty while its subsystem is
// absent; the driver then skips that call. Tests replace them to watch the
// order of calls.
struct DriverCalls {
  // scanTree(job, tree, folder, passFlag, passMask)
  std::function<void(JobContext&, LayerTree&, const std::string&, int, int)> scanTree;
  // ScanKsj(job, folder, passFlag, passMask)
  std::function<void(JobContext&, const std::string&, int, int)> scanKsj;
  // ScanDemSources in counting mode: adds the candidate files to fileCount.
  std::function<void(JobContext&)> countDemSources;
  std::function<void(JobContext&)> prepareElevationGrid;
  std::function<void(JobContext&, int row, int col)> autoLegend;
  // DrawAndWriteTile(job, outputPath); an empty path draws an animation frame.
  std::function<void(JobContext&, const std::string&)> renderTile;
  std::function<void(JobContext&, const std::string&)> writeAnimation;
  std::function<void(JobContext&)> writeIndexMap;
  std::function<void(JobContext&)> deleteScratchFiles;
  std::function<void(JobContext&)> keepScratchFiles;
};

// The calls of the subsystems this build has.
DriverCalls DefaultDriverCalls();

// Runs the validated job. Returns true when it ran to the end with the run
// flag still set (the processing window's OK), false on abort.
bool RunDriver(JobContext& job, const DriverCalls& calls);

// Runs the validated job on the tiles `next` hands out (tileCount of them, for
// the progress totals) and writes no index map: a run of chosen tiles, or one
// worker of a run spread over processes. False on abort.
bool RunDriverOn(JobContext& job, const DriverCalls& calls, const NextTile& next, long tileCount);

// Reader selection masks of the ten reading passes.
struct ReadingPass {
  enum Source { Ksj, Kkj, Fgd } source;
  int mask;
};
inline constexpr ReadingPass kReadingPasses[10] = {
    {ReadingPass::Ksj, kKsjAreaReaderBits},
    {ReadingPass::Kkj, kAreaReaderBits},
    {ReadingPass::Fgd, kAreaReaderBits},
    {ReadingPass::Ksj, kKsjLineAndTrackReaderBits},
    {ReadingPass::Kkj, kLineReaderBits},
    {ReadingPass::Fgd, kLineReaderBits},
    {ReadingPass::Ksj, kKsjPointNameReaderBit},
    {ReadingPass::Ksj, kKsjAreaNameReaderBit},
    {ReadingPass::Kkj, kPointReaderBits},
    {ReadingPass::Fgd, kPointReaderBits},
};

// Per-job constants: text height, scale-bar values, rank threshold.
void ComputeDrawingConstants(JobContext& job);

}  // namespace velkaro
