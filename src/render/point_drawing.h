#pragma once
// The point layers of a tile: map symbols (with route numbers on their
// shields and the bracketed glyphs of universities, junior colleges and
// vocational schools), annotation at its angle in the horizontal or the
// vertical face, spot heights, control points and names. Symbols are GL
// geometry in map units; texts go through the 2-D drawer in pixels, in fonts
// sized from the map scale, and the passes leave the drawer's font as
// described per pass for the layer that follows.

#include "render/layer_drawing.h"

namespace velkaro {

class ScratchReader;

// The character height of annotation, spot heights and control points:
// trunc(UnitScale x 40 / UnitsPerPixel x SizeFactor) pixels.
int LabelHeight(const JobContext& job, const LayerScale& scale);

// Draws the point records of a layer of reader mask 16, 8, 4, 2 or 1.
void DrawPointRecords(JobContext& job, const LayerNode& node, ScratchReader& file, const LayerScale& scale);

// The passes, each over the whole file from its start.
void DrawSymbolRecords(JobContext& job, const LayerEntry& entry, ScratchReader& file, const LayerScale& scale);
void DrawAnnotationRecords(JobContext& job, const LayerEntry& entry, ScratchReader& file,
                           const LayerScale& scale);
void DrawSpotHeightRecords(JobContext& job, ScratchReader& file, const LayerScale& scale);
void DrawControlPointRecords(JobContext& job, const LayerEntry& entry, ScratchReader& file,
                             const LayerScale& scale);
void DrawNameRecords(JobContext& job, ScratchReader& file);

}  // namespace velkaro
