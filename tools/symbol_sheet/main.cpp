// velkaro-symbol-sheet: draws the 63 map symbols large in a labelled grid
// through the render surface and writes the sheet as a PNG, so every
// symbol can be checked by eye.
//   velkaro-symbol-sheet OUT.png [--cell PIXELS] [--width LINEPIXELS]
// Each cell shows the usual extent of +-18000 symbol units as a pale square
// and the reference point as a pale cross; a symbol too large for its cell
// is drawn reduced, with the factor in its label.
#include <GL/gl.h>

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "job/cell_buffer.h"
#include "job/job_context.h"
#include "render/gl_view.h"
#include "render/render_surface.h"
#include "render/symbols.h"

namespace {

using namespace velkaro;

constexpr int kColumns = 8;
constexpr int kRows = (kSymbolCount + kColumns - 1) / kColumns;
constexpr int kLabelHeight = 28;
constexpr double kCellHalfSpan = 40000;   // symbol units from the cell centre to its edge
constexpr double kUsualExtent = 18000;

struct SheetOptions {
  std::string out;
  int cell = 220;
  int lineWidth = 2;
};

struct Sheet {
  SheetOptions options;
  double unitsPerPixel = 1;
  int width = 0, height = 0;

  // Symbol units of the centre of cell k.
  double centreX(int k) const { return ((k % kColumns) * options.cell + options.cell / 2.0) * unitsPerPixel; }
  double centreY(int k) const {
    const double row = (k / kColumns) * (options.cell + kLabelHeight) + options.cell / 2.0;
    return (height - row) * unitsPerPixel;
  }
};

// One map unit is one symbol unit; the tile is the whole image.
void SetUpJob(JobContext& job, const Sheet& sheet) {
  job.image.width = sheet.width;
  job.image.height = sheet.height;
  job.image.unitsPerPixel = sheet.unitsPerPixel;
  job.image.latFactor = 1.0;
  job.coords.unitScale = 1.0;
  job.runFlag = true;
  job.tile.west = 0, job.tile.south = 0;
  job.tile.east = sheet.width * sheet.unitsPerPixel;
  job.tile.north = sheet.height * sheet.unitsPerPixel;
  job.tile.mapOffsetX = 0;
  job.tile.mapOffsetY = 0;
}

void DrawGuides(double cx, double cy) {
  glLineWidth(1);
  glColor3ub(190, 210, 240);
  const double e = kUsualExtent;
  glBegin(GL_LINE_LOOP);
  glVertex2d(cx - e, cy - e), glVertex2d(cx + e, cy - e), glVertex2d(cx + e, cy + e), glVertex2d(cx - e, cy + e);
  glEnd();
  glColor3ub(240, 170, 170);
  glBegin(GL_LINES);
  glVertex2d(cx - 4000, cy), glVertex2d(cx + 4000, cy), glVertex2d(cx, cy - 4000), glVertex2d(cx, cy + 4000);
  glEnd();
}

// The factor that keeps the symbol inside its cell.
double FitFactor(int id) {
  const SymbolBox b = SymbolBounds(SymbolShapeOf(id));
  const double reach = std::max({std::abs(b.left), std::abs(b.right), std::abs(b.top), std::abs(b.bottom)});
  const double room = kCellHalfSpan * 0.95;
  return reach > room ? room / reach : 1.0;
}

std::string Label(int id, double factor) {
  std::string text = std::to_string(id) + " " + std::string(SymbolNames[static_cast<size_t>(id)]);
  if (factor < 1.0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " ×%.2f", factor);
    text += buf;
  }
  return text;
}

bool DrawSheet(const SheetOptions& options) {
  Sheet sheet{options};
  sheet.unitsPerPixel = 2 * kCellHalfSpan / options.cell;
  sheet.width = kColumns * options.cell;
  sheet.height = kRows * (options.cell + kLabelHeight);

  SilentHost host;
  CellBuffer cells;
  JobContext job(JobSettings{}, host, cells);
  SetUpJob(job, sheet);
  auto surface = CreateRenderSurface(job);
  if (!OpenView(job)) return false;
  CompileSymbols(job);

  for (int id = 1; id <= kSymbolCount; ++id) {
    const int k = id - 1;
    const double f = FitFactor(id);
    surface->beginGL();
    DrawGuides(sheet.centreX(k), sheet.centreY(k));
    glColor3ub(0, 0, 0);
    glLineWidth(static_cast<float>(options.lineWidth));
    PlaceSymbol(id, sheet.centreX(k), sheet.centreY(k), f, f);
  }

  PainterDrawer& d = surface->drawer();
  FontSpec font = d.font();
  font.sizeKind = FontSizeKind::CharHeight;
  font.size = 15;
  d.setFont(font);
  d.setTextColour(0);
  d.setTransparentBackground(true);
  for (int id = 1; id <= kSymbolCount; ++id) {
    const int k = id - 1;
    const int left = (k % kColumns) * options.cell + 6;
    const int top = (k / kColumns) * (options.cell + kLabelHeight) + options.cell + 2;
    d.textOut(left, top, Label(id, FitFactor(id)));
  }
  // Cell borders, so neighbouring symbols are not taken for one.
  d.setPen(MakeColour(200, 200, 200), 1);
  for (int c = 1; c < kColumns; ++c) {
    d.moveTo(c * options.cell, 0);
    d.lineTo(c * options.cell, sheet.height);
  }
  for (int r = 1; r < kRows; ++r) {
    d.moveTo(0, r * (options.cell + kLabelHeight));
    d.lineTo(sheet.width, r * (options.cell + kLabelHeight));
  }
  CloseView(job);
  return surface->frame().save(QString::fromStdString(options.out), "PNG");
}

int Usage(int code) {
  std::fprintf(stderr,
               "usage: velkaro-symbol-sheet OUT.png [--cell PIXELS] [--width LINEPIXELS]\n"
               "Draws the 63 map symbols in a labelled grid (cells of 220 pixels by default,\n"
               "lines 2 pixels wide) and writes the sheet as a PNG.\n");
  return code;
}

bool ParsePositive(const char* text, int max, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!end || *end != '\0' || v < 1 || v > max) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(3);
  if (std::strcmp(argv[1], "--help") == 0) return Usage(0);
  SheetOptions options;
  options.out = argv[1];
  for (int i = 2; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--cell") == 0 && hasValue && ParsePositive(argv[i + 1], 2000, options.cell) &&
        options.cell >= 40) {
      ++i;
    } else if (std::strcmp(argv[i], "--width") == 0 && hasValue && ParsePositive(argv[i + 1], 15, options.lineWidth)) {
      ++i;
    } else {
      std::fprintf(stderr, "velkaro-symbol-sheet: bad argument: %s\n", argv[i]);
      return Usage(3);
    }
  }
  // Fonts and the image encoder need a GUI application; no window is shown.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  if (!DrawSheet(options)) {
    std::fprintf(stderr, "velkaro-symbol-sheet: could not write %s\n", options.out.c_str());
    return 1;
  }
  return 0;
}
