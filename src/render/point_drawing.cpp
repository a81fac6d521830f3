#include "render/point_drawing.h"

#include <GL/gl.h>

#include <cmath>
#include <string>

#include "job/job_context.h"
#include "platform/saturating_int.h"
#include "render/gl_view.h"
#include "render/painter_drawer.h"
#include "render/render_surface.h"
#include "render/symbols.h"
#include "scratch/scratch_reader.h"
#include "scratch/scratch_records.h"

namespace velkaro {

namespace {

constexpr std::string_view kVerticalSubKey = "2";

// Glyph lists of the school brackets: "（" "）" "短" "大" "専".
constexpr unsigned kOpenBracket = kFirstGlyphList, kCloseBracket = kFirstGlyphList + 1,
                   kShortGlyph = kFirstGlyphList + 2, kLargeGlyph = kFirstGlyphList + 3,
                   kSpecialGlyph = kFirstGlyphList + 4;

const int kRouteShield = SymbolIdOf("国道番号");
const int kUniversity = SymbolIdOf("大学");
const int kJuniorCollege = SymbolIdOf("短大");
const int kVocationalSchool = SymbolIdOf("専門学校");
const int kGnssStation = SymbolIdOf("電子基準点");
const int kTriangulationPoint = SymbolIdOf("三角点");
const int kBenchmark = SymbolIdOf("水準点");

// Positions and angles come from the scratch files, where a damaged
// source's numbers may lie past any pixel count: they are cut to the int
// range (SaturatingTrunc).

// A font size in points for the lat/lon system: factor / UnitsPerPixel
// (degrees per pixel) / 360 / 60 / 5.
double LatLonPoints(const JobContext& job, double factor) {
  return std::trunc(factor / job.image.unitsPerPixel / 360 / 60 / 5);
}

void SetLabelFont(JobContext& job, const LayerScale& scale, double latLonFactor) {
  PainterDrawer& d = job.surface->drawer();
  FontSpec font = d.font();
  if (job.coords.latLonMode) {
    font.sizeKind = FontSizeKind::Points;
    font.size = LatLonPoints(job, scale.sizeFactor * latLonFactor);
  } else {
    font.sizeKind = FontSizeKind::CharHeight;
    font.size = LabelHeight(job, scale);
  }
  d.setFont(font);
}

// The route number centred on its shield's point.
void DrawRouteNumber(JobContext& job, double x, double y, std::string_view number) {
  job.surface->flush();
  PainterDrawer& d = job.surface->drawer();
  const int w = d.textWidth(number), h = d.textHeight(number);
  d.textOut(SaturatingTrunc(PixelX(job, x) - w / 2.0), SaturatingTrunc(PixelY(job, y) - h / 2.0), number);
}

// "（大）", "（短大）" or "（専）" set from one glyph height left of the point.
void DrawSchoolGlyphs(const JobContext& job, int id, double x, double y, const LayerScale& scale) {
  const bool junior = id == kJuniorCollege;
  double d, gx, gy;
  if (job.coords.latLonMode) {
    d = junior ? 0.000135 : 0.00009;
    gx = scale.sx * 10000;
    gy = scale.sy * 10000;
  } else {
    const double unit = job.coords.unitScale * scale.sizeFactor;
    d = (junior ? 30 : 20) * unit;
    gx = gy = 20 * unit;
  }
  glPushMatrix();
  glTranslated(x - d, y, 0);
  glScaled(gx, gy, 1);
  glCallList(kOpenBracket);
  if (junior) glCallList(kShortGlyph);
  glCallList(id == kVocationalSchool ? kSpecialGlyph : kLargeGlyph);
  glCallList(kCloseBracket);
  glPopMatrix();
}

void SetRouteNumberFont(JobContext& job, const LayerScale& scale) {
  PainterDrawer& d = job.surface->drawer();
  FontSpec font = d.font();
  font.bold = true;
  font.sizeKind = FontSizeKind::Points;
  font.size = job.coords.latLonMode ? LatLonPoints(job, scale.sizeFactor * 40) : LabelHeight(job, scale);
  d.setFont(font);
  d.setTextColour(0xFFFFFF);
}

// A control point's symbol at its full-precision position.
void PlaceControlSymbol(int id, double x, double y, const LayerScale& scale) {
  glPushMatrix();
  glTranslated(x, y, 0);
  glScaled(scale.sx, scale.sy, 1);
  glCallList(static_cast<GLuint>(id));
  glPopMatrix();
}

}  // namespace

int LabelHeight(const JobContext& job, const LayerScale& scale) {
  const double h = job.coords.unitScale * 40 / job.image.unitsPerPixel * scale.sizeFactor;
  return std::isfinite(h) ? SaturatingTrunc(h) : 0;
}

void DrawSymbolRecords(JobContext& job, const LayerEntry& entry, ScratchReader& file, const LayerScale& scale) {
  job.surface->beginGL();
  gcolor(entry.colour);
  glLineWidth(static_cast<float>(entry.widthIndex + 1));
  SetRouteNumberFont(job, scale);
  scratch::ScratchRecords records(file);
  scratch::SymbolRecord r;
  while (records.nextSymbol(r)) {
    job.surface->beginGL();
    PlaceSymbol(r.id, r.x, r.y, scale.sx, scale.sy);
    if (r.id == kRouteShield) DrawRouteNumber(job, r.x, r.y, r.text);
    if (r.id == kUniversity || r.id == kJuniorCollege || r.id == kVocationalSchool) {
      job.surface->beginGL();
      DrawSchoolGlyphs(job, r.id, r.x, r.y, scale);
    }
  }
  job.surface->flush();
}

void DrawAnnotationRecords(JobContext& job, const LayerEntry& entry, ScratchReader& file,
                           const LayerScale& scale) {
  PainterDrawer& d = job.surface->drawer();
  const bool vertical = entry.subKey == kVerticalSubKey;
  const int h = LabelHeight(job, scale);
  scratch::ScratchRecords records(file);
  scratch::AnnotationRecord r;
  while (records.nextAnnotation(r)) {
    FontSpec font = d.font();
    font.face = vertical ? kFaceVerticalPGothic : kFacePGothic;
    font.sizeKind = FontSizeKind::CharHeight;
    font.size = h;
    font.escapement = SaturatingTrunc((vertical ? r.angle - 90 : r.angle) * 10);
    d.setFont(font);
    const double theta = r.angle * M_PI / 180;
    if (vertical)
      d.textOut(SaturatingTrunc(r.x + std::cos(theta) * h / 2), SaturatingTrunc(r.y - std::sin(theta) * h / 2), r.text);
    else
      d.textOut(SaturatingTrunc(r.x - std::sin(theta) * h / 2), SaturatingTrunc(r.y - std::cos(theta) * h / 2), r.text);
  }
  FontSpec font = d.font();
  font.face = kFaceMincho;
  d.setFont(font);
}

void DrawSpotHeightRecords(JobContext& job, ScratchReader& file, const LayerScale& scale) {
  static constexpr std::string_view kDot = "･";
  PainterDrawer& d = job.surface->drawer();
  SetLabelFont(job, scale, 30);
  const int w = d.textWidth(kDot), t = d.textHeight(kDot);
  std::string text;
  scratch::ScratchRecords records(file);
  scratch::SpotHeightRecord r;
  while (records.nextSpotHeight(r)) {
    text.assign(kDot).append(r.height);
    d.textOut(SaturatingTrunc(r.x) - w / 2, SaturatingTrunc(r.y) - t / 2, text);
  }
}

void DrawControlPointRecords(JobContext& job, const LayerEntry& entry, ScratchReader& file,
                             const LayerScale& scale) {
  static constexpr std::string_view kTriangle = "△", kSquare = "□";
  PainterDrawer& d = job.surface->drawer();
  SetLabelFont(job, scale, 30);
  const int wTriangle = d.textWidth(kTriangle), tTriangle = d.textHeight(kTriangle);
  const int wSquare = d.textWidth(kSquare), tSquare = d.textHeight(kSquare);
  std::string text;
  scratch::ScratchRecords records(file);
  scratch::ControlPointRecord r;
  while (records.nextControlPoint(r)) {
    const int X = SaturatingTrunc(PixelX(job, r.x)), Y = SaturatingTrunc(PixelY(job, r.y));
    auto placeSymbol = [&](int id) {
      job.surface->beginGL();
      gcolor(entry.colour);
      glLineWidth(static_cast<float>(entry.widthIndex + 1));
      PlaceControlSymbol(id, r.x, r.y, scale);
      job.surface->flush();
    };
    // The height right of the triangle, raised by about 0.6 of the text height.
    auto triangleClass = [&](int id) {
      placeSymbol(id);
      text.assign("  ").append(r.height);
      d.textOut(SaturatingTrunc(X - wTriangle / 4.0), SaturatingTrunc(Y - tTriangle / 1.6666), text);
    };
    if (r.classText.find("電子基準点") != std::string_view::npos) triangleClass(kGnssStation);
    if (r.classText.find("三角点") != std::string_view::npos) triangleClass(kTriangulationPoint);
    if (r.classText.find("水準点") != std::string_view::npos) {
      placeSymbol(kBenchmark);
      text.assign("　").append(r.height);
      d.textOut(X - wSquare / 4, Y - tSquare / 2, text);
    }
  }
}

void DrawNameRecords(JobContext& job, ScratchReader& file) {
  PainterDrawer& d = job.surface->drawer();
  scratch::ScratchRecords records(file);
  scratch::NameRecord r;
  while (records.nextName(r)) d.textOut(SaturatingTrunc(r.x), SaturatingTrunc(r.y), r.text);
}

void DrawPointRecords(JobContext& job, const LayerNode& node, ScratchReader& file, const LayerScale& scale) {
  if (!job.surface) return;
  const LayerEntry& entry = node.entry;
  const int32_t mask = entry.readerMask;
  if (mask & GML16Symbol)
    DrawSymbolRecords(job, entry, file, scale);
  else if (mask & GML8LayoutStr)
    DrawAnnotationRecords(job, entry, file, scale);
  else if (mask & GML2Elv)
    DrawSpotHeightRecords(job, file, scale);
  else if (mask & GML4GCP)
    DrawControlPointRecords(job, entry, file, scale);
  else if (mask & GML1Name)
    DrawNameRecords(job, file);
}

}  // namespace velkaro
