#pragma once
// Drawing the traced contour lines of the current tile, with the filled
// depressions of "depressions as areas".

namespace velkaro {

struct JobContext;

// Draws the contours of the current tile into the open GL view: every legend
// level from the top down, or only the water level in a flood frame. Plain
// lines are traced and drawn on threads of their own (see
// contour_overlay.h) while this waits.
void DrawContours(JobContext& ctx);

}  // namespace velkaro
