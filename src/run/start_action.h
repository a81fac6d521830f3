#pragma once
// The start action: validation, the start checks with their dialogs, the
// overwrite questions, the run itself and the final report.

#include <string>

#include "run/driver.h"
#include "job/job_context.h"

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

// The start checks after validation (limits, area, buildings, existing
// outputs); false when the job must not start.
bool PassStartChecks(JobContext& job);

}  // namespace velkaro
