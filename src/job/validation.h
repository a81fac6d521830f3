#pragma once
// Checks a job's settings before it runs and derives the run-time values the
// rest of the system reads: unit and zone state, drawing area, tile grid,
// image geometry and scale, datum offset, legend steps, the north-west tile's
// geographic box and the elevation grid geometry.

#include <array>
#include <string>

#include "job/job_context.h"

namespace velkaro {

// Cell size of one elevation source class (5 m, 10 m, 50 m, 250 m DEM and
// the 1-arc-minute grid).
struct ElevationCellSize {
  double lonSeconds;        // longitude step, arc-seconds
  double latSeconds;        // latitude step, arc-seconds
  double halfLatMetres;     // half the latitude cell, metres
};
extern const std::array<ElevationCellSize, kElevationClasses> kElevationCellSizes;

// Class in effect: the last one switched on, mesh classes first, then contour
// classes; 0 (5 m) when none is on.
int ElevationClassInEffect(const JobSettings& s);

// Validates ctx.settings. Returns the message text, one line per problem each
// ending "\r\n", empty when the job may start. Fills the derived values of ctx
// and resizes both legend grids of ctx.settings to the tile grid.
std::string ValidateJob(JobContext& ctx);

// The derived values of a validated job, one "name=value" line each.
std::string DerivedValuesText(const JobContext& ctx);

}  // namespace velkaro
