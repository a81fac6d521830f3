#pragma once
// Drawing the coloured elevation mesh and the hillshade of the current tile's
// grid: triangles filled straight into the image as GL would fill them
// (terrain_raster.h), on two threads when the job has one to spare; the quad
// splitting and the shading maths are the elevation stage's.

namespace velkaro {

struct JobContext;

// Draw the current tile's grid into the open GL view; return the number of
// triangles drawn (also added to the tile's dry-triangle count).
long DrawElevationMesh(JobContext& ctx);
long DrawHillshade(JobContext& ctx);

}  // namespace velkaro
