#pragma once
// Replays the scratch files of the current tile into the render surface:
// area layers as filled polygons (rings of one polygon with the odd winding
// rule, so an inner ring is a hole), line layers as line strips with their
// widths, KSJ themes as shaded polygons, lines, tracks and point texts.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "render/colours.h"
#include "render/primitives.h"
#include "catalogue/layer_catalogue.h"

namespace velkaro {

struct JobContext;
class ScratchReader;

// The size of a layer's symbols and texts: SizeFactor (czoom x size value)
// and SymbolScale (sx, sy), which turns ground millimetres into map units.
struct LayerScale {
  double sizeFactor = 1;
  double sx = 1, sy = 1;
};
LayerScale LayerScaleFor(const JobContext& job, const LayerEntry& entry);
// The number typed in KKJ-Rank/czoom (1 when it does not parse).
double Czoom(const JobContext& job);

// Draws the scratch file of one selected FGD or KKJ child node; a layer
// without a file is skipped.
void DrawLayer(JobContext& job, const LayerNode& node);
// Draws the scratch file of one KSJ theme; a theme without a file is skipped.
void DrawTheme(JobContext& job, const KsjTheme& theme);
// Width and height of a text in the font DrawTheme labels the theme's points
// with (the readers centre their label bullet with it). Zero without a surface.
void MeasureThemeText(JobContext& job, const KsjTheme& theme, std::string_view text, int& width,
                      int& height);

// The colour of a theme polygon of the given value (job units), brightened
// or darkened by the legend biases; ThemeShade makes it the GL colour.
Colour ThemeShadeColour(const JobContext& job, Colour cl, double value);
void ThemeShade(const JobContext& job, Colour cl, double value);

// The vertex records of the largest polygon of a polygon file, all rings of
// each "sep" record counted together (reads the file from its start). Only
// vertices present in the file count, so a damaged count cannot ask for a
// huge buffer. onRecord, when given, is told each record's count.
size_t PolygonBufferSize(ScratchReader& file, const std::function<void(long)>& onRecord = {});

// How the polygon records of a file are coloured.
struct PolygonColouring {
  enum Kind { LayerColour, AreaNames, ThemeValues } kind = LayerColour;
  Colour colour = 0;
};

// Draws every polygon record of the file (from its start) through tess,
// storing vertices in buffer. A polygon that outgrows the buffer is reported
// once with its name line and its extra vertices are left out.
void DrawPolygonRecords(JobContext& job, ScratchReader& file, std::span<TessVertex> buffer,
                        Tessellator& tess, PolygonColouring colouring);

// Draws every polyline record of the file (from its start) with GL line
// strips, starting at baseWidth pixels; "lw" records (when honoured) set the
// width to their value, but never below baseWidth.
// onVertices, when given, is told of every vertex after the first of a line.
void DrawLineRecords(JobContext& job, ScratchReader& file, Colour colour, int baseWidth, bool honourWidths,
                     const std::function<void(long)>& onVertices = {});

}  // namespace velkaro
