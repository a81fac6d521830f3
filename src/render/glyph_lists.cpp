#include "render/glyph_lists.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QTransform>

#include <vector>

#include "render/painter_drawer.h"
#include "render/primitives.h"

namespace velkaro {

namespace {

// Outlines are taken at a large em so that curves are flattened finely;
// they are then scaled to em units.
constexpr int kOutlineEm = 1024;

QFont GlyphFont() {
  QFont f(QString::fromStdString(GlyphFamily()));
  f.setPixelSize(kOutlineEm);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

// The outline of one character (UTF-8) in the glyph font, y down.
QPainterPath GlyphPath(const QFont& font, const QString& text) {
  QPainterPath path;
  path.addText(QPointF(0, 0), font, text);
  return path;
}

}  // namespace

std::string GlyphFamily() { return FamilyForFace(kFacePGothic); }

bool CompileGlyphList(unsigned list, const std::string& character) {
  const QFont font = GlyphFont();
  const QString text = QString::fromStdString(character);
  const QPainterPath path = GlyphPath(font, text);
  // Em units with y up: the painter path has y down.
  const QTransform toEm = QTransform::fromScale(1.0 / kOutlineEm, -1.0 / kOutlineEm);
  const QList<QPolygonF> rings = path.toSubpathPolygons(toEm);
  const double advance = QFontMetricsF(font).horizontalAdvance(text) / kOutlineEm;

  size_t vertexCount = 0;
  for (const QPolygonF& ring : rings) vertexCount += static_cast<size_t>(ring.size());
  std::vector<TessVertex> records;
  records.reserve(vertexCount);   // addresses must stay put until the polygon ends

  glNewList(list, GL_COMPILE);
  Tessellator tess = NewPolygonTessellator();
  tess.setNonZeroWinding();
  tess.beginPolygon();
  for (const QPolygonF& ring : rings) {
    tess.beginContour();
    // A closed subpath repeats its first point at the end.
    qsizetype n = ring.size();
    if (n > 1 && ring.first() == ring.last()) --n;
    for (qsizetype j = 0; j < n; ++j) {
      records.push_back(TessVertex{ring[j].x(), ring[j].y(), 0.0});
      tess.vertex(&records.back());
    }
    tess.endContour();
  }
  tess.endPolygon();
  glTranslated(advance, 0.0, 0.0);
  glEndList();
  return !rings.isEmpty() && glIsList(list) == GL_TRUE;
}

bool MapGlyphsHaveOutlines() { return !GlyphPath(GlyphFont(), QString::fromStdString("大")).isEmpty(); }

bool CompileMapGlyphs(unsigned firstList) {
  static constexpr const char* kGlyphs[] = {"（", "）", "短", "大", "専"};
  bool daiCompiled = true;
  for (unsigned k = 0; k < 5; ++k) {
    const bool ok = CompileGlyphList(firstList + k, kGlyphs[k]);
    if (k == 3) daiCompiled = ok;
  }
  return daiCompiled;
}

}  // namespace velkaro
