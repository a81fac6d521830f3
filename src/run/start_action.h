#pragma once
// The start action: validation, the start checks with their dialogs, the
// overwrite questions, the run itself and the final report.

#include <functional>
#include <string>
#include <vector>

#include "run/driver.h"
#include "job/job_context.h"
#include "run/tile_selection.h"

namespace velkaro {

enum class StartOutcome {
  Refused,   // validation, a limit, an area error or a declined question
  Aborted,   // the run flag was cleared during the run
  Failed,    // the run ended with ErrorText
  Finished,  // clean run: report shown, LastDraw.pxj written
};

struct StartResult {
  StartOutcome outcome = StartOutcome::Refused;
  std::string text;  // the message, ErrorText or report that was shown
};

// "所要時間は 1分1秒でした。" for 61 seconds.
std::string FormatElapsed(long seconds);

// Runs the job the way the start button does. lastDrawPath is where the
// settings of a clean run are saved (empty: not saved).
StartResult StartJob(JobContext& job, const DriverCalls& calls, const std::string& lastDrawPath);

// Which tiles a start draws, and where.
struct StartScope {
  // Empty: every tile, then the index map. Otherwise only these tiles: the
  // overwrite question covers just them and the index is left alone.
  std::vector<TilePick> tiles;
  // Draws the given tiles instead of the driver in this process (worker
  // processes); it clears the run flag on abort and sets ErrorText on failure.
  // The index map of a run of every tile follows here when it succeeded.
  std::function<void(JobContext&, const std::vector<TilePick>&)> drawTiles;
};
StartResult StartJob(JobContext& job, const DriverCalls& calls, const std::string& lastDrawPath,
                     const StartScope& scope);

// The start checks after validation (limits, area, buildings, existing
// outputs); false when the job must not start.
bool PassStartChecks(JobContext& job, const std::vector<TilePick>& chosen = {});

}  // namespace velkaro
