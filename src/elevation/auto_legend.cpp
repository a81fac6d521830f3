#include "elevation/auto_legend.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "job/job_context.h"

namespace velkaro {

namespace {

// Share of the tile below the bottom, by `alti/kamen`, in classes.
constexpr std::array<double, 11> kBottomShare = {-1, 0.1, 1, 2, 3, 4, 5, 6, 7, 8, 9};

// The 1-2-5 ladder: from this interval on, round down to whole steps.
struct LadderRow {
  double from;
  double step;
};
constexpr LadderRow kLadder[] = {
    {0, 0.01},    {0.1, 0.02},   {0.25, 0.05},  {0.5, 0.1},    {1, 0.2},      {2.5, 0.5},
    {5, 1},       {10, 2},       {25, 5},       {50, 10},      {100, 20},     {250, 50},
    {500, 100},   {1000, 200},   {2500, 500},   {5000, 1000},  {10000, 2000}, {25000, 5000}};
constexpr double kLadderEnd = 50000;

// Nearest interval in whole centimetres that divides the thick-line height.
struct NearestRow {
  long fromCentimetres;
  double value;
};
// Thick lines every 5, 50, 500 m.
constexpr NearestRow kDividesFive[] = {
    {0, 0.01},         {2, 1.0 / 60},       {3, 0.025},        {4, 0.05},         {8, 0.1},
    {12, 0.125},       {15, 1.0 / 6},       {21, 0.25},        {38, 0.5},         {76, 1},
    {113, 1.25},       {146, 5.0 / 3},      {209, 2.5},        {376, 5},          {751, 10},
    {1126, 12.5},      {1459, 50.0 / 3},    {2084, 25},        {3751, 50},        {7501, 100},
    {11251, 125},      {14554, 500.0 / 3},  {20834, 250},      {37501, 500},      {75001, 1000},
    {112501, 1250},    {145834, 5000.0 / 3}, {208334, 2500},   {375001, 5000}};
// Thick lines every 1, 10, 100, 1000 m.
constexpr NearestRow kDividesTen[] = {
    {0, 0.01},         {2, 0.02},           {3, 0.025},        {4, 0.05},         {8, 0.1},
    {12, 0.125},       {15, 1.0 / 6},       {19, 0.2},         {23, 0.25},        {38, 0.5},
    {76, 1},           {113, 1.25},         {146, 5.0 / 3},    {184, 2},          {226, 2.5},
    {376, 5},          {751, 10},           {1126, 12.5},      {1459, 50.0 / 3},  {1834, 20},
    {2251, 25},        {3751, 50},          {7501, 100},       {11251, 125},      {14554, 500.0 / 3},
    {18334, 200},      {22501, 250},        {37501, 500},      {75001, 1000},     {112501, 1250},
    {145834, 5000.0 / 3}, {183334, 2000},   {225001, 2500},    {375001, 5000}};
constexpr long kNearestEnd = 750000;

double RoundDownOnLadder(double interval) {
  if (interval >= kLadderEnd) return std::trunc(interval);
  double step = kLadder[0].step;
  for (const LadderRow& row : kLadder)
    if (interval >= row.from) step = row.step;
  if (step < 1) {
    const double perMetre = std::round(1 / step);
    return std::trunc(interval * perMetre + 0.01) / perMetre;
  }
  if (step == 1) return std::trunc(interval);
  return std::trunc(interval / step + 0.01) * step;
}

template <size_t N>
double Nearest(const NearestRow (&table)[N], double interval) {
  const double centimetres = std::trunc(100 * interval);
  if (centimetres > kNearestEnd) return std::trunc(interval);
  double value = table[0].value;
  for (const NearestRow& row : table)
    if (centimetres >= row.fromCentimetres) value = row.value;
  return value;
}

// Number of histogram bins, from the lowest, whose running sum first reaches
// `threshold`; at most all 101.
int BinsUpTo(const std::array<long, 101>& bins, double threshold) {
  double sum = 0;
  int added = 0;
  while (added < 101 && sum < threshold) sum += bins[added++];
  return added;
}

std::string TwoDecimals(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%0.2f", value);
  return buffer;
}

}  // namespace

double RoundLegendInterval(double interval, bool contourSource, int lineweight) {
  if (!contourSource || lineweight <= 0) return RoundDownOnLadder(interval);
  if (lineweight % 2 == 0) return Nearest(kDividesFive, interval);
  return Nearest(kDividesTen, interval);
}

namespace {

// The automatic legend of the cells forEachCounted visits (valid elevations
// only), in two passes: range, then a 101-bin histogram over it.
template <typename ForEach>
Legend LegendOfCells(ForEach&& forEachCounted, const LegendOptions& o) {
  const int n = std::max(o.steps, 1);
  long count = 0;
  double max = -1e38, min = 1e38;
  forEachCounted([&](double v) {
    ++count;
    max = std::max(max, v);
    min = std::min(min, v);
  });
  if (count == 0) return Legend{};    // no data: a neutral legend, never drawn
  if (max == min) max = min + 1.5;   // a flat tile still gets a usable range

  std::array<long, 101> bins{};
  const double range = max - min;
  forEachCounted([&](double v) {
    const int bin = static_cast<int>(std::trunc(((v - min) / range + 0.001) * 100));
    ++bins[std::clamp(bin, 0, 100)];
  });

  const double share = kBottomShare[std::clamp(o.kamen, 0, 10)];
  const int below = BinsUpTo(bins, count * share / (n + 1));
  Legend legend;
  legend.bottom = min + below * range / 100;
  const int span = BinsUpTo(bins, 0.99 * count);
  double interval = (span - below) / 99.0 * range / n * o.kankaku / 5 * 1.2;
  interval = std::max(interval, 0.01);
  interval = RoundLegendInterval(interval, o.contourSource, o.lineweight);
  legend.interval = std::max(interval, 0.01);

  if (legend.bottom < 999999999) {
    // With the standard interval scale the top class starts at the maximum.
    if (o.kankaku == 5 && n != 1 && max < legend.bottom + (n - 1) * legend.interval)
      legend.bottom = max - (n - 1) * legend.interval;
    legend.bottom = n > 1 ? std::trunc(legend.bottom / legend.interval) * legend.interval
                          : std::trunc(legend.bottom * 100) / 100;
  }
  return legend;
}

}  // namespace

Legend StillImageLegend(const GridValues& values, const ElevationGrid& g, double datumOffset,
                        const LegendOptions& o) {
  const double valid = datumOffset + kDryWaterLevel;
  return LegendOfCells(
      [&](auto&& visit) {
        for (int r = g.winRow0 + 1; r < g.winRow1 - 1; ++r)
          for (int c = g.winCol0 + 1; c < g.winCol1 - 1; ++c) {
            const double v = values.at(r, c);
            if (v > valid) visit(v);
          }
      },
      o);
}

Legend LegendOfElevations(const std::vector<double>& elevations, const LegendOptions& o) {
  return LegendOfCells(
      [&](auto&& visit) {
        for (const double v : elevations) visit(v);
      },
      o);
}

void ElevationSample::add(double elevation) {
  if (++seen_ % stride_ != 0) return;
  values.push_back(elevation);
  if (values.size() < limit_) return;
  // Keep every other value and take every other one from now on: an even
  // sample of everything added, whatever the total.
  size_t kept = 0;
  for (size_t i = 1; i < values.size(); i += 2) values[kept++] = values[i];
  values.resize(kept);
  stride_ *= 2;
}

void ElevationSample::addTileWindow(const GridValues& grid, const ElevationGrid& g, double datumOffset) {
  const double valid = datumOffset + kDryWaterLevel;
  for (int r = g.winRow0 + 1; r < g.winRow1 - 1; ++r)
    for (int c = g.winCol0 + 1; c < g.winCol1 - 1; ++c) {
      const double v = grid.at(r, c);
      if (v > valid) add(v);
    }
}


Legend AnimationLegend(double top, double btm, int steps) {
  const int gaps = std::max(steps - 1, 1);
  Legend legend;
  legend.interval = std::trunc((top - btm) / gaps * 100 + 0.99) / 100;
  legend.bottom = btm;
  return legend;
}

std::string ShortestDecimal(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

LegendOptions StillLegendOptions(const JobContext& ctx) {
  const JobSettings& s = ctx.settings;
  LegendOptions o;
  o.steps = ctx.legendSteps;
  o.kamen = s.kamen;
  o.kankaku = s.kankaku;
  o.contourSource = s.anyContourClass();
  o.lineweight = s.lineweight;
  return o;
}

void AutoLegend(JobContext& ctx, int row, int col) {
  JobSettings& s = ctx.settings;
  const double unit = ctx.coords.unitScale;
  std::string intervalText, bottomText;
  Legend legend;
  if (s.type == kOutputAnimation) {
    legend = AnimationLegend(ctx.movieTop, ctx.movieBtm, ctx.legendSteps);
    intervalText = TwoDecimals(unit * legend.interval);
    bottomText = TwoDecimals(unit * legend.bottom);
  } else {
    legend = StillImageLegend(ValuesOf(ctx.elevGrid, ctx.cells), ctx.elevGrid, ctx.datumOffset,
                              StillLegendOptions(ctx));
    intervalText = ShortestDecimal(unit * legend.interval);
    bottomText = ShortestDecimal(unit * legend.bottom);
  }
  StoreTileLegend(ctx, row, col, legend, intervalText, bottomText);
}

void StoreTileLegend(JobContext& ctx, int row, int col, const Legend& legend) {
  const double unit = ctx.coords.unitScale;
  StoreTileLegend(ctx, row, col, legend, ShortestDecimal(unit * legend.interval),
                  ShortestDecimal(unit * legend.bottom));
}

void StoreTileLegend(JobContext& ctx, int row, int col, const Legend& legend, const std::string& intervalText,
                     const std::string& bottomText) {
  JobSettings& s = ctx.settings;
  // The grids hold one data cell per tile (their header row and column are
  // the window's); validation sized them to the tile grid.
  for (LegendGrid* grid : {&s.legendInterval, &s.legendBottom})
    if (grid->rows < row + 1 || grid->cols < col + 1)
      grid->resize(std::max(grid->rows, row + 1), std::max(grid->cols, col + 1));
  s.legendInterval.cell(row, col) = intervalText;
  s.legendBottom.cell(row, col) = bottomText;

  const size_t index = static_cast<size_t>(row) * std::max(ctx.grid.cols, 1) + col;
  for (std::vector<double>* table : {&ctx.legendIntervalM, &ctx.legendBottomM})
    if (table->size() <= index) table->resize(index + 1);
  ctx.legendIntervalM[index] = legend.interval;
  ctx.legendBottomM[index] = legend.bottom;
}

}  // namespace velkaro
