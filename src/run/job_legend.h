#pragma once
// The job-wide automatic legend (`alti/zentai`): one legend derived from the
// elevations of the whole drawing area and given to every tile, so that the
// colours and contour intervals of a multi-tile job do not jump at the seams.

#include <optional>

#include "elevation/auto_legend.h"

namespace velkaro {

struct DriverCalls;
struct JobContext;

// Whether the job draws with one legend for all tiles: automatic legend and
// `alti/zentai` on, a still image with an elevation class.
bool UsesJobWideLegend(const JobContext& job);

// Reads every tile's elevation grid once (through calls.prepareElevationGrid)
// and derives the legend of all of them together. Empty when the run was
// stopped or no tile holds elevation data.
std::optional<Legend> JobWideLegend(JobContext& job, const DriverCalls& calls);

}  // namespace velkaro
