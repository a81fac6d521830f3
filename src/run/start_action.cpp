#include "run/start_action.h"

#include <chrono>
#include <cmath>
#include <filesystem>

#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/mesh_codes.h"
#include "job/messages.h"
#include "run/run_messages.h"
#include "job/settings_file.h"
#include "job/tile_grid.h"
#include "job/validation.h"
#include "render/render_surface.h"

namespace fs = std::filesystem;

namespace velkaro {
namespace {

bool Refuse(JobContext& job, const char* title, const std::string& text) {
  job.host.ask(title, text, Buttons::Ok);
  return false;
}

bool ElevationLimitsHold(JobContext& job) {
  const JobSettings& s = job.settings;
  const double cells = static_cast<double>(job.elevation.gridCols) * job.elevation.gridRows;
  if (s.anyMeshClass() && cells > job.cells.budget())
    return Refuse(job, msg::kMeshLimitTitle, msg::kMeshLimit);
  if (s.anyContourClass() && cells > job.cells.meshShare() * static_cast<double>(job.cells.budget()) / 10)
    return Refuse(job, msg::kContourLimitTitle, msg::kContourLimit);
  if (s.anyContourClass() && s.taisyo != kContoursAll && s.type == kOutputAnimation)
    return Refuse(job, msg::kContourTargetTitle, msg::kContourTargetAvi);
  return true;
}

bool AreaHolds(JobContext& job) {
  const double scale = job.coords.unitScale;
  std::string text;
  auto line = [&](const char* t) { text += std::string(t) + "\r\n"; };
  if (job.grid.tileWidth <= 0) line(msg::kWestNotBelowEast);
  if (job.grid.tileHeight <= 0) line(msg::kSouthNotBelowNorth);
  if (job.grid.tileWidth > 3333333.3333333333 * scale) line(msg::kAreaTooWide);
  if (job.grid.tileHeight > 3000000 * scale) line(msg::kAreaTooTall);
  return text.empty() || Refuse(job, msg::kAreaErrorTitle, text);
}

bool BuildingLayerOn(const LayerTree& tree) {
  for (const LayerGroup& g : tree.groups)
    for (const LayerNode& child : g.children)
      if (child.on && (child.entry.name.find("BldL") != std::string::npos ||
                       child.entry.name.find("BldA") != std::string::npos))
        return true;
  return false;
}

// Buildings on the edge of a third-level mesh cell may be lost when the area
// spans several cells; the user may go on or go back.
bool BuildingWarningAccepted(JobContext& job) {
  const JobSettings& s = job.settings;
  if (s.bld <= 0 || !(BuildingLayerOn(s.layers.fgd) || BuildingLayerOn(s.layers.kkj))) return true;
  const DrawingArea& a = job.area;
  const TileGeoBox box = GeoBoxOfPlaneRect(job.coords, a.west, a.east, a.north, a.south);
  const bool oneCell = std::trunc(box.lonW * 80) == std::trunc(box.lonE * 80) &&
                       std::trunc(box.latS * 120) == std::trunc(box.latN * 120);
  if (oneCell) return true;
  return job.host.ask(msg::kWarningTitle, msg::kBuildingsMayBeLost, Buttons::OkCancel) == Answer::Ok;
}

// Deletes an existing output; false on failure. An animation is removed too
// rather than emptied, so no empty file stands under its name while the new
// one is written under a temporary name.
bool ClearOutput(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  return !ec;
}

bool ExistingOutputsCleared(JobContext& job, const std::vector<TilePick>& chosen) {
  const JobSettings& s = job.settings;
  const bool animation = s.type == kOutputAnimation;
  std::error_code ec;
  if (job.grid.count() == 1) {
    const std::string path = TileFileName(s, job.grid, 0, 0);
    if (!fs::exists(path, ec)) return true;
    const std::string question = s.namae + OutputExtension(s) + msg::kOverwriteSuffix;
    if (job.host.ask(msg::kExistingFileTitle, question, Buttons::YesNo) != Answer::Yes) return false;
    if (!ClearOutput(path)) {
      if (animation) return Refuse(job, msg::kErrorTitle, msg::kFileHeldOpen);
      job.host.ask(msg::kDeleteErrorTitle, msg::kFileHeldOpen, Buttons::Ok);
    }
    return true;
  }
  std::vector<std::string> existing;
  for (const TilePick& t : chosen.empty() ? AllTiles(job.grid) : chosen) {
    std::string path = TileFileName(s, job.grid, t.row, t.col);
    if (fs::exists(path, ec)) existing.push_back(std::move(path));
  }
  if (!existing.empty()) {
    if (job.host.ask(msg::kExistingFileTitle, msg::kOverwriteTiles, Buttons::YesNo) != Answer::Yes)
      return false;
    for (const std::string& path : existing)
      if (!ClearOutput(path)) return Refuse(job, msg::kDeleteErrorTitle, msg::kFileHeldOpen);
  }
  // A run of chosen tiles leaves the index to the run that writes it.
  const fs::path index = fs::path(s.writefolder) / "index.bmp";
  if (chosen.empty() && fs::exists(index, ec)) {
    fs::remove(index, ec);
    if (ec) return Refuse(job, msg::kFileDeleteErrorTitle, msg::kIndexNotDeleted);
  }
  return true;
}

void DrawScope(JobContext& job, const DriverCalls& calls, const StartScope& scope) {
  const bool everyTile = scope.tiles.empty();
  if (!scope.drawTiles) {
    if (everyTile) RunDriver(job, calls);
    else RunDriverOn(job, calls, TilesFromList(scope.tiles), static_cast<long>(scope.tiles.size()));
    return;
  }
  scope.drawTiles(job, everyTile ? AllTiles(job.grid) : scope.tiles);
  if (everyTile && job.runFlag && job.errorText.empty() && job.grid.count() != 1 && calls.writeIndexMap)
    calls.writeIndexMap(job);
}

std::string BuildReport(const JobContext& job, long seconds) {
  std::string text = FormatElapsed(seconds);
  text += "\r\n\r\n";
  text += msg::kSurveyLawNotice;
  text += "\r\n\r\n";
  if (!job.tilesWithoutElevation.empty()) {
    text += msg::kTilesWithoutElevation;
    for (size_t i = 0; i < job.tilesWithoutElevation.size(); ++i)
      text += (i ? ", " : "") + job.tilesWithoutElevation[i];
    text += "\r\n\r\n";
  }
  text += job.grid.count() == 1 ? msg::kOpenMapFile : msg::kOpenIndexPage;
  return text;
}

void OfferResult(JobContext& job, const std::string& report) {
  const JobSettings& s = job.settings;
  const bool yes = job.host.ask(msg::kFinishedTitle, report, Buttons::YesNo) == Answer::Yes;
  if (job.grid.count() == 1) {
    if (yes) job.host.openDocument(TileFileName(s, job.grid, 0, 0));
    if (job.surfaceImage) job.host.copyToClipboard(*job.surfaceImage);
  } else if (yes) {
    job.host.openDocument((fs::path(s.writefolder) / "indexmap.htm").string());
  }
}

}  // namespace

std::string FormatElapsed(long seconds) {
  const long h = seconds / 3600, n = seconds / 60 % 60, sec = seconds % 60;
  std::string t = msg::kElapsedPrefix;
  if (seconds >= 3600) t += std::to_string(h) + "時間";
  if (seconds >= 60) t += std::to_string(n) + "分";
  t += std::to_string(sec) + "秒";
  return t + msg::kElapsedSuffix;
}

bool PassStartChecks(JobContext& job, const std::vector<TilePick>& chosen) {
  return ElevationLimitsHold(job) && AreaHolds(job) && BuildingWarningAccepted(job) &&
         ExistingOutputsCleared(job, chosen);
}

StartResult StartJob(JobContext& job, const DriverCalls& calls, const std::string& lastDrawPath) {
  return StartJob(job, calls, lastDrawPath, StartScope{});
}

StartResult StartJob(JobContext& job, const DriverCalls& calls, const std::string& lastDrawPath,
                     const StartScope& scope) {
  StartResult result;
  const std::string problems = ValidateJob(job);
  if (!problems.empty()) {
    job.host.ask(msg::kCheckSettingsTitle, problems, Buttons::Ok);
    result.text = problems;
    return result;
  }
  if (!PassStartChecks(job, scope.tiles)) return result;

  job.errorText.clear();
  job.runFlag = true;
  const auto started = std::chrono::steady_clock::now();
  // Tiles drawn elsewhere need no surface in this process.
  const std::unique_ptr<RenderSurface> surface = scope.drawTiles ? nullptr : CreateRenderSurface(job);
  struct ForgetSurface {
    JobContext& job;
    ~ForgetSurface() { job.surface = nullptr; job.surfaceImage = nullptr; }
  } forget{job};
  job.host.runStarting();
  DrawScope(job, calls, scope);
  job.host.runEnded();
  job.cells.reset();
  if (surface) job.surfaceImage = &surface->frame();

  if (!job.runFlag) {
    result.outcome = StartOutcome::Aborted;
    return result;
  }
  if (!job.errorText.empty()) {
    job.host.ask(msg::kFailureTitle, job.errorText, Buttons::Ok);
    result.outcome = StartOutcome::Failed;
    result.text = job.errorText;
    return result;
  }
  const long seconds = static_cast<long>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count());
  result.text = BuildReport(job, seconds);
  OfferResult(job, result.text);
  result.outcome = StartOutcome::Finished;
  std::string saveError;
  if (!lastDrawPath.empty() && !WriteSettings(job.settings, lastDrawPath, &saveError)) {
    job.host.ask(msg::kLastDrawNotSavedTitle, saveError, Buttons::Ok);
    result.outcome = StartOutcome::Failed;
    result.text = saveError;
  }
  return result;
}

}  // namespace velkaro
