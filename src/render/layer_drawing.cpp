#include "render/layer_drawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include "job/job_context.h"
#include "platform/saturating_int.h"
#include "render/line_raster.h"
#include "render/polygon_raster.h"
#include "render/painter_drawer.h"
#include "render/point_drawing.h"
#include "render/render_messages.h"
#include "render/render_surface.h"
#include "scratch/scratch_file.h"
#include "scratch/scratch_reader.h"
#include "scratch/scratch_records.h"

namespace velkaro {

namespace {

double SizeValue(int sizeIndex) {
  const size_t index = std::min(static_cast<size_t>(std::max(sizeIndex, 0)), kSizeList.size() - 1);
  double v = 1;
  return ParseDouble(kSizeList[index], v) ? v : 1.0;
}

void ShowCounter(JobContext& job, long counter) {
  job.host.setLabel(LabelRole::Denominator, std::to_string(counter));
}

// Opens the scratch file of a layer or theme. Once the tile's reading
// passes are done the job lists every file they made, and a layer missing
// from the list has nothing to draw: its file is not looked for.
bool OpenTileScratch(const JobContext& job, const std::string& displayText, ScratchReader& file) {
  const std::string path = ScratchPath(job, displayText);
  if (job.scratchListed && job.scratchWritten.count(path) == 0) return false;
  return file.open(path);
}

}  // namespace

double Czoom(const JobContext& job) {
  double v = 1;
  return ParseDouble(job.settings.czoom, v) ? v : 1.0;
}

LayerScale LayerScaleFor(const JobContext& job, const LayerEntry& entry) {
  const double czoom = Czoom(job);
  LayerScale s;
  s.sizeFactor = czoom * SizeValue(entry.sizeIndex);
  if (job.coords.latLonMode) {
    s.sy = czoom * 360.0 / 40000000000.0 * s.sizeFactor;
    s.sx = s.sy / job.image.latFactor;
  } else {
    s.sx = s.sy = czoom * job.coords.unitScale / 1000.0 * s.sizeFactor;
  }
  return s;
}

Colour ThemeShadeColour(const JobContext& job, Colour cl, double value) {
  const double unitScale = job.coords.unitScale != 0 ? job.coords.unitScale : 1.0;
  const double bias = (value / unitScale - job.settings.kamen + 2) * job.settings.kankaku * 0.05;
  auto shade = [&](int k) {
    const double v = std::trunc(bias * k + k);
    return static_cast<int>(std::clamp(std::isfinite(v) ? v : 0.0, 0.0, 255.0));
  };
  return MakeColour(shade(RedOf(cl)), shade(GreenOf(cl)), shade(BlueOf(cl)));
}

void ThemeShade(const JobContext& job, Colour cl, double value) { gcolor(ThemeShadeColour(job, cl, value)); }

size_t PolygonBufferSize(ScratchReader& file, const std::function<void(long)>& onRecord) {
  scratch::ScratchRecords records(file);
  scratch::RingRecord ring;
  size_t largest = 0, run = 0;
  while (records.nextRing(ring)) {
    const size_t present = ring.vertices.size();
    run = ring.startsPolygon ? present : run + present;
    largest = std::max(largest, run);
    if (onRecord) onRecord(std::max(0L, ring.declaredCount));
  }
  return largest;
}

void DrawPolygonRecords(JobContext& job, ScratchReader& file, std::span<TessVertex> buffer,
                        Tessellator& tess, PolygonColouring colouring) {
  scratch::ScratchRecords records(file);
  // The triangles go straight into the image as GL would fill them, each in
  // the colour GL's current colour would have been when it was drawn.
  PolygonRaster fills(job);
  std::optional<Colour> current;
  auto setColour = [&](Colour c) {
    current = c;
    fills.setColour(c);
  };
  tess.setSink(&fills);
  // The tessellator lives on with the tile: it must not keep the sink, also
  // when the drawing ends early.
  struct SinkReset {
    Tessellator& tess;
    ~SinkReset() { tess.setSink(nullptr); }
  } sinkReset{tess};
  if (colouring.kind != PolygonColouring::ThemeValues) setColour(colouring.colour);
  size_t i = 0;
  bool overReported = false;
  scratch::RingRecord ring;
  while (records.nextRing(ring)) {
    if (ring.startsPolygon || !tess.polygonOpen()) {
      // A polygon starts: its colour is set before any of its triangles.
      tess.endPolygon();
      if (colouring.kind == PolygonColouring::AreaNames) setColour(areacl(ring.name));
      tess.beginPolygon();
      i = 0;
      overReported = false;
    }
    if (colouring.kind == PolygonColouring::ThemeValues) {
      double value = 0;
      ParseDouble(ring.name, value);
      setColour(ThemeShadeColour(job, colouring.colour, value));
    }
    tess.beginContour();
    for (const scratch::PlaneVertex& v : ring.vertices) {
      if (i >= buffer.size()) {
        if (!overReported) {
          job.host.ask(render_messages::VertexBufferOverCaption(buffer.size()), std::string(ring.name),
                       Buttons::Ok);
          overReported = true;
        }
        continue;
      }
      buffer[i] = TessVertex{v.x, v.y, 0.0};
      tess.vertex(&buffer[i]);
      ++i;
    }
    tess.endContour();
  }
  tess.endPolygon();
  // GL is left with the colour drawing through it would have left.
  if (current && job.surface) job.surface->setGlColour(*current);
}

void DrawLineRecords(JobContext& job, ScratchReader& file, Colour colour, int baseWidth, bool honourWidths,
                     const std::function<void(long)>& onVertices) {
  scratch::ScratchRecords records(file);
  // The lines go straight into the image as GL would draw them: a layer of
  // a big source holds millions of short segments, and GL's setup of each
  // costs more than its few pixels.
  LineRaster lines(job);
  lines.setColour(colour);
  float width = static_cast<float>(baseWidth);
  lines.setWidth(width);
  scratch::PolylineRecord line;
  while (records.nextPolyline(line)) {
    if (honourWidths && line.hasWidth) {
      const float own = static_cast<float>(line.width >= baseWidth ? line.width : baseWidth);
      if (own != width) {
        width = own;
        lines.setWidth(width);
      }
    }
    for (const scratch::PlaneVertex& v : line.vertices) lines.vertex(v.x, v.y);
    lines.endStrip();
    if (onVertices)
      for (size_t k = 1; k < line.vertices.size(); ++k) onVertices(1);
  }
  // GL is left as drawing the lines through it would leave it: the layer's
  // colour (also with no line at all) and the last width.
  if (job.surface) {
    job.surface->setGlColour(colour);
    job.surface->setGlLineWidth(width);
  }
}

namespace {

// Tessellators made by layers live until the end of the tile.
Tessellator& NewLayerTessellator(JobContext& job, Tessellator& fallback) {
  if (!job.surface) return fallback;
  return job.surface->tile().layerTessellators.emplace_back(NewPolygonTessellator());
}

void DrawLayerPolygons(JobContext& job, const LayerNode& node, ScratchReader& file) {
  std::vector<TessVertex> buffer(PolygonBufferSize(file));
  const bool multiColour = node.text.find(render_messages::kMultiColourAreas) != std::string::npos;
  const PolygonColouring colouring{
      multiColour ? PolygonColouring::AreaNames : PolygonColouring::LayerColour, node.entry.colour};
  Tessellator local;
  DrawPolygonRecords(job, file, buffer, NewLayerTessellator(job, local), colouring);
}

void SetLayerDrawerStyle(JobContext& job, const LayerEntry& entry) {
  if (!job.surface) return;
  PainterDrawer& d = job.surface->drawer();
  d.setPenColour(entry.colour);
  FontSpec font = d.font();
  font.face = kFacePGothic;
  d.setFont(font);
  d.setTextColour(entry.colour);
  d.setTransparentBackground(true);
  d.setPenWidth(entry.widthIndex + 1);
}

void SetThemeDrawerStyle(JobContext& job, const KsjTheme& theme) {
  if (!job.surface) return;
  PainterDrawer& d = job.surface->drawer();
  d.setPen(theme.colour, theme.styleWord & 0xFF);
  d.setTextColour(theme.colour);
  d.setBrush(theme.colour);
  d.setBold(job.settings.shadow);
}

void DrawThemePolygons(JobContext& job, const KsjTheme& theme, ScratchReader& file) {
  // Sizing, with the progress counter growing by each record's count.
  long counter = 0;
  const size_t largest = PolygonBufferSize(file, [&](long n) {
    counter += n;
    ShowCounter(job, counter);
  });
  std::vector<TessVertex> buffer(largest);
  Tessellator local;
  DrawPolygonRecords(job, file, buffer, NewLayerTessellator(job, local),
                     PolygonColouring{PolygonColouring::ThemeValues, theme.colour});
}

// A text at the start point and a pen line to the end point.
void DrawThemeTracks(JobContext& job, ScratchReader& file) {
  if (!job.surface) return;
  PainterDrawer& d = job.surface->drawer();
  d.setTransparentBackground(true);
  file.rewind();
  std::string text(file.nextLine());
  while (!file.atEnd()) {
    const int x = static_cast<int>(file.nextInteger());
    const int y = static_cast<int>(file.nextInteger());
    d.textOut(x, y, text);
    const int ex = SaturatingTrunc(file.nextDouble());
    const int ey = SaturatingTrunc(file.nextDouble());
    d.moveTo(x, y);
    d.lineTo(ex, ey);
    text = file.nextLine();
  }
}

void DrawThemeLines(JobContext& job, const KsjTheme& theme, ScratchReader& file) {
  long counter = 0;
  const int width = theme.styleWord & 0xFF;
  DrawLineRecords(job, file, theme.colour, width, false, [&](long vertices) {
    counter += vertices;
    if (counter % 1000 == 0) ShowCounter(job, counter);
  });
}

// The theme's label font: a character height independent of the map scale.
FontSpec ThemeTextFont(const JobContext& job, const KsjTheme& theme, FontSpec font) {
  font.sizeKind = FontSizeKind::CharHeight;
  font.size = std::trunc(SizeValue(theme.styleWord / 256) * Czoom(job) * 32);
  return font;
}

void DrawThemeTexts(JobContext& job, const KsjTheme& theme, ScratchReader& file) {
  if (!job.surface) return;
  PainterDrawer& d = job.surface->drawer();
  d.setTransparentBackground(true);
  d.setFont(ThemeTextFont(job, theme, d.font()));
  long counter = 0;
  file.rewind();
  while (!file.atEnd()) {
    const int x = SaturatingTrunc(file.nextDouble());
    const int y = SaturatingTrunc(file.nextDouble());
    const std::string_view text = file.nextLine();
    d.textOut(x, y, text);
    if (++counter % 1000 == 0) ShowCounter(job, counter);
  }
}

}  // namespace

void DrawLayer(JobContext& job, const LayerNode& node) {
  SetLayerDrawerStyle(job, node.entry);
  ScratchReader file;
  if (!OpenTileScratch(job, node.text, file)) return;
  const LayerScale scale = LayerScaleFor(job, node.entry);
  const int32_t mask = node.entry.readerMask;
  if (mask & GML1024Hatch) {
    DrawLayerPolygons(job, node, file);
  } else if (mask & (GML32Poly | GML64PolyRoad | GML128PolyRail | GML256Poly | GML512HatchEdge)) {
    DrawLineRecords(job, file, node.entry.colour, node.entry.widthIndex + 1, true);
  } else if (mask & (GML16Symbol | GML8LayoutStr | GML4GCP | GML2Elv | GML1Name)) {
    DrawPointRecords(job, node, file, scale);
  }
}

void MeasureThemeText(JobContext& job, const KsjTheme& theme, std::string_view text, int& width,
                      int& height) {
  width = height = 0;
  if (!job.surface) return;
  PainterDrawer& d = job.surface->drawer();
  const FontSpec saved = d.font();
  FontSpec font = ThemeTextFont(job, theme, saved);
  font.bold = job.settings.shadow;
  d.setFont(font);
  width = d.textWidth(text);
  height = d.textHeight(text);
  d.setFont(saved);
}

void DrawTheme(JobContext& job, const KsjTheme& theme) {
  SetThemeDrawerStyle(job, theme);
  ScratchReader file;
  // A theme the scan did not visit has no file; it is skipped like a layer.
  if (!OpenTileScratch(job, theme.caption, file)) return;
  ShowCounter(job, 0);
  const int32_t mask = theme.readerMask;
  if (mask == 16 || mask == 32 || mask == 64) DrawThemePolygons(job, theme, file);
  if (mask == 8) DrawThemeTracks(job, file);
  if (mask & 4) DrawThemeLines(job, theme, file);
  if (mask & (1 | 2 | 128)) DrawThemeTexts(job, theme, file);
  if (job.surface) job.surface->drawer().setBold(false);
}

}  // namespace velkaro
