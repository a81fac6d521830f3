#pragma once
// The furniture around the map of a still tile or animation frame: white
// margins, zone and corner coordinates, scale bar, north arrow, datum note,
// elevation legend with its labels and datum mark, light-direction dial,
// flood and contour captions, border ticks, title and map frame. Everything
// is placed by fractions of the image size and by the map's pixel edges.

#include <string>

namespace velkaro {

struct JobContext;

// Draws the furniture of the current tile with the 2-D drawer. Does nothing
// when the job was aborted, has no surface or writes GeoTIFF tiles.
void DrawFurniture(JobContext& job);

// The scale bar's length label for a bar of `metres`: whole kilometres
// ("2km") from 1000 m on, else whole metres ("800m").
std::string ScaleBarLabel(double metres);
// The number part of ScaleBarLabel (the text that ends at the bar's end).
std::string ScaleBarNumber(double metres);

// Which legend boundaries are labelled: from `first` downwards by `step`,
// printed with `decimals` (0..2) digits after the point.
struct LegendLabelPlan {
  double first = 0;
  double step = 1;
  int decimals = 0;
};
LegendLabelPlan PlanLegendLabels(int steps, double interval, double bottom);

// "等高線間隔 5m" with the depression choice and the short-line omission
// appended when they are not the defaults.
std::string ContourCaption(double interval, int taisyo, int syoryaku);

// "浸水面積 1,234㎡": whole square metres with thousands separators.
std::string FloodAreaCaption(double squareMetres);

// A coordinate label in its shortest decimal form ("500000", "0.2").
std::string CoordinateLabel(double value);

}  // namespace velkaro
