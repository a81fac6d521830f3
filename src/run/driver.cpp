#include "run/driver.h"

#include <QDateTime>
#include <cmath>
#include <cstdio>

#include "archive/archive_listings.h"
#include "elevation/parsed_dem_files.h"
#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/mesh_codes.h"
#include "run/job_legend.h"
#include "run/run_messages.h"
#include "job/tile_grid.h"
#include "output/tile_commits.h"
#include "output/tile_image.h"
#include "platform/saturating_int.h"
#include "render/render_surface.h"

namespace velkaro {
namespace {

void ShowFileTotals(JobContext& job, long total) {
  job.host.setLabel(LabelRole::Title, msg::kFileCountTitle);
  job.host.setLabel(LabelRole::Denominator, std::to_string(total));
}

void ClearLabels(JobContext& job) {
  for (LabelRole role : {LabelRole::Title, LabelRole::Numerator, LabelRole::Denominator,
                         LabelRole::Group, LabelRole::Detail, LabelRole::FileHeading,
                         LabelRole::FileName})
    job.host.setLabel(role, "");
}

bool ElevationClassOn(const JobSettings& s) { return s.anyMeshClass() || s.anyContourClass(); }

long CountSourceFiles(JobContext& job, const DriverCalls& calls) {
  JobSettings& s = job.settings;
  job.fileCount = 0;
  if (calls.scanTree) calls.scanTree(job, s.layers.fgd, s.readfolder, 0, 0x7fffffff);
  if (calls.scanKsj && !s.syoufolder.empty()) calls.scanKsj(job, s.syoufolder, 0, 0x7fffffff);
  if (calls.scanTree && !s.kkjfolder.empty()) calls.scanTree(job, s.layers.kkj, s.kkjfolder, 0, 0x7fffffff);
  if (calls.countDemSources && ElevationClassOn(s) && !s.meshfolder.empty()) calls.countDemSources(job);
  return job.fileCount;
}

void RunReadingPasses(JobContext& job, const DriverCalls& calls) {
  JobSettings& s = job.settings;
  for (const ReadingPass& pass : kReadingPasses) {
    switch (pass.source) {
      case ReadingPass::Ksj:
        if (calls.scanKsj && !s.syoufolder.empty()) calls.scanKsj(job, s.syoufolder, 1, pass.mask);
        break;
      case ReadingPass::Kkj:
        if (calls.scanTree && !s.kkjfolder.empty()) calls.scanTree(job, s.layers.kkj, s.kkjfolder, 1, pass.mask);
        break;
      case ReadingPass::Fgd:
        if (calls.scanTree && !s.readfolder.empty()) calls.scanTree(job, s.layers.fgd, s.readfolder, 1, pass.mask);
        break;
    }
  }
}

// The tile's legend interval and bottom in metres, from its grid cells.
void LoadTileLegend(JobContext& job, int r, int c) {
  const size_t index = static_cast<size_t>(c) + static_cast<size_t>(r) * job.grid.cols;
  const double scale = job.coords.unitScale;
  const std::string& interval = job.settings.legendInterval.cell(r, c);
  const std::string& bottom = job.settings.legendBottom.cell(r, c);
  double value = 0;
  job.legendIntervalM[index] = !interval.empty() && ParseDecimal(interval, value) ? value / scale : 1.0;
  job.legendBottomM[index] = !bottom.empty() && ParseDecimal(bottom, value) ? value / scale : 0.0;
}

// The tile as the report names it: the map name of a 1 x 1 job, else the
// row and column labels of its file name.
std::string TileLabel(const JobContext& job, int r, int c) {
  if (job.grid.count() == 1) return job.settings.namae;
  return rowst(r, "_", job.grid.rows) + colst(c, job.grid.cols);
}

// The tile's list of scratch files goes with them.
void DeleteScratch(JobContext& job, const DriverCalls& calls) {
  job.scratchListed = false;
  if (calls.deleteScratchFiles) calls.deleteScratchFiles(job);
}

void RenderCurrentTile(JobContext& job, const DriverCalls& calls, int r, int c) {
  const std::string path = TileFileName(job.settings, job.grid, r, c);
  switch (job.settings.type) {
    case 1:
      if (calls.writeAnimation) calls.writeAnimation(job, path);
      break;
    default:
      if (calls.renderTile) calls.renderTile(job, path);
      break;
  }
}

}  // namespace

void ComputeDrawingConstants(JobContext& job) {
  const JobSettings& s = job.settings;
  const ImageGeometry& img = job.image;
  double czoom = 1.0;
  if (!ParseDecimal(s.czoom, czoom)) czoom = 1.0;
  // czoom is typed by the user: a number past any text size is cut to the
  // int range rather than converted out of it.
  const int base = SaturatingTrunc(czoom * img.height);
  job.constants.textHeight = s.size < 3 ? base / 70 : base / 50;

  DrawingConstants& k = job.constants;
  const double span = img.width / 2.6 * img.unitsPerPixel;
  if (job.coords.latLonMode) {
    const double metres = kMetresPerEquatorDegree;
    k.scaleBarUnit = std::pow(10.0, std::trunc(std::log10(span * metres * img.latFactor)));
    k.scaleBarCount = static_cast<int>(std::trunc(span * metres / k.scaleBarUnit));
    k.scaleBarStart = img.width / 2.0 * img.unitsPerPixel * metres - k.scaleBarCount * k.scaleBarUnit / 2;
    k.scaleBarUnit /= metres;
    k.scaleBarStart /= metres;
  } else {
    k.scaleBarUnit = std::pow(10.0, std::trunc(std::log10(span)));
    k.scaleBarCount = static_cast<int>(std::trunc(span / k.scaleBarUnit));
    k.scaleBarStart = img.width / 2.0 * img.unitsPerPixel - k.scaleBarCount * k.scaleBarUnit / 2;
  }
  static constexpr int kRankThresholds[] = {0, 1000, 2500, 5000, 25000};
  k.rankThreshold = s.objsize >= 0 && s.objsize < 5 ? kRankThresholds[s.objsize] : 0;
}

namespace {

// Draws tile (r, c) from its scratch files to its output file; false when the
// run was aborted or failed on the way.
bool DrawOneTile(JobContext& job, const DriverCalls& calls, int r, int c,
                 const std::optional<Legend>& jobLegend) {
  const JobSettings& s = job.settings;
  DeleteScratch(job, calls);
  SetCurrentTile(job, r, c);
  ListMeshCodes(job, 6, false);
  RunReadingPasses(job, calls);
  if (!job.runFlag) {
    // The readers open a file per layer; an abort must not leave them.
    DeleteScratch(job, calls);
    return false;
  }
  // The readers note every scratch file they make (NewScratchPath,
  // ScratchFile::openAppend with the job's list): the drawing need not look
  // for the others.
  job.scratchListed = true;

  if (ElevationClassOn(s)) {
    if (calls.prepareElevationGrid) calls.prepareElevationGrid(job);
    if (!job.runFlag) {
      DeleteScratch(job, calls);
      return false;
    }
    if (!job.elevGrid.hasData(job.datumOffset)) job.tilesWithoutElevation.push_back(TileLabel(job, r, c));
    if (jobLegend)
      StoreTileLegend(job, r, c, *jobLegend);
    else if (s.jido && calls.autoLegend)
      calls.autoLegend(job, r, c);
    LoadTileLegend(job, r, c);
  }

  ClearLabels(job);
  job.host.setLabel(LabelRole::Numerator, msg::kImageProcessing);
  job.host.pump();
  job.waterLevel = job.datumOffset + kDryWaterLevel;
  if (job.surface) job.surface->drawer().resetState();
  RenderCurrentTile(job, calls, r, c);
  if (job.keepScratch && calls.keepScratchFiles) calls.keepScratchFiles(job);
  DeleteScratch(job, calls);
  return job.runFlag;
}

// Every tile starts from the same inversion estimate, the one settled on
// the middle of the drawing area from the zone origin, so a tile comes out
// the same whichever tiles were drawn before it, in this process or another.
struct TileStartState {
  double estimateLat, estimateLon;
  explicit TileStartState(const JobContext& job) {
    CoordinateState cs = job.coords;
    if (!cs.latLonMode) {
      cs.estimateLat = ZoneOriginOf(cs.zone).lat;
      cs.estimateLon = ZoneOriginOf(cs.zone).lon;
    }
    xytobl(cs, (job.area.west + job.area.east) / 2, (job.area.north + job.area.south) / 2);
    estimateLat = cs.estimateLat;
    estimateLon = cs.estimateLon;
  }
  void restore(JobContext& job) const {
    job.coords.estimateLat = estimateLat;
    job.coords.estimateLon = estimateLon;
  }
};

// Something the tiles of a run share: the job points at it for the run
// unless the caller brought its own, and points back when the run ends.
template <class Shared>
class ForTheRun {
 public:
  ForTheRun(JobContext& job, Shared* JobContext::*member) : job_(job), member_(member), previous_(job.*member) {
    if (!previous_) job.*member = &own_;
  }
  ~ForTheRun() { job_.*member_ = previous_; }
  ForTheRun(const ForTheRun&) = delete;
  ForTheRun& operator=(const ForTheRun&) = delete;

 private:
  JobContext& job_;
  Shared* JobContext::*member_;
  Shared* previous_;
  Shared own_;
};

}  // namespace

bool RunDriverOn(JobContext& job, const DriverCalls& calls, const NextTile& next, long tileCount) {
  const int rows = job.grid.rows, cols = job.grid.cols;
  job.legendIntervalM.assign(static_cast<size_t>(rows) * cols, 1.0);
  job.legendBottomM.assign(static_cast<size_t>(rows) * cols, 0.0);
  job.tilesWithoutElevation.clear();
  // The first deletion tries every layer's name in the output folder, where
  // an earlier run may have left files; a folder of the run's own starts
  // empty.
  job.scratchSwept = !job.scratchFolder.empty();
  // The source zips' members are listed once for the whole run, and the
  // DEM files that several tiles' grids overlap are taken apart once.
  const ForTheRun<ArchiveListings> listings(job, &JobContext::archiveListings);
  const ForTheRun<ParsedDemFiles> parsedDem(job, &JobContext::parsedDemFiles);
  // Finished tiles are put in place while the next is drawn; whatever way
  // the run ends, they are all in place (or have failed) before it returns.
  const ForTheRun<TileCommits> commits(job, &JobContext::tileCommits);
  struct FinishCommits {
    JobContext& job;
    ~FinishCommits() { FinishTileCommits(job); }
  } finishCommits{job};
  // A caller that brought no surface gets one for this run only; the job must
  // not keep pointing at it once it is gone.
  std::unique_ptr<RenderSurface> ownSurface;
  if (!job.surface) ownSurface = CreateRenderSurface(job);
  struct ForgetOwnSurface {
    JobContext& job;
    const RenderSurface* own;
    ~ForgetOwnSurface() {
      if (own && job.surface == own) {
        job.surface = nullptr;
        job.surfaceImage = nullptr;
      }
    }
  } forget{job, ownSurface.get()};
  job.host.showImage(job.surface->frame());

  job.host.setLabel(LabelRole::Caption,
                    msg::kStartTimeCaption + QTime::currentTime().toString("hh:mm:ss").toStdString());
  job.host.setLabel(LabelRole::FileName, msg::kPreparing);
  job.host.pump();

  const long total = CountSourceFiles(job, calls) * tileCount;
  ShowFileTotals(job, total);
  job.host.setLabel(LabelRole::FileHeading, msg::kFileInProgress);
  job.fileCount = 0;
  ComputeDrawingConstants(job);
  std::optional<Legend> jobLegend;
  if (UsesJobWideLegend(job)) {
    jobLegend = JobWideLegend(job, calls);
    if (!job.runFlag) return false;
  }

  const TileStartState start(job);

  for (TilePick tile; next(tile);) {
    ShowFileTotals(job, total);
    start.restore(job);
    if (!DrawOneTile(job, calls, tile.row, tile.col, jobLegend)) return false;
  }
  FinishTileCommits(job);
  return job.runFlag;
}

bool RunDriver(JobContext& job, const DriverCalls& calls) {
  const std::vector<TilePick> tiles = AllTiles(job.grid);
  if (!RunDriverOn(job, calls, TilesFromList(tiles), static_cast<long>(tiles.size()))) return false;
  if (job.grid.count() != 1 && calls.writeIndexMap) calls.writeIndexMap(job);
  job.host.pump();
  return job.runFlag;
}

}  // namespace velkaro
