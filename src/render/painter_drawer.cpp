#include "render/painter_drawer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/render_surface.h"

namespace velkaro {

namespace {

QColor ToQColor(Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The characters of a text, a surrogate pair kept together.
QStringList Glyphs(const QString& s) {
  QStringList glyphs;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const bool pair = s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate();
    glyphs.append(s.mid(i, pair ? 2 : 1));
    if (pair) ++i;
  }
  return glyphs;
}

// Cell height of a font per pixel of em size, measured once at a large size.
double CellPerEm(const QString& family) {
  QFont probe(family);
  probe.setPixelSize(1000);
  const QFontMetricsF metrics(probe);
  const double ratio = (metrics.ascent() + metrics.descent()) / 1000.0;
  return ratio > 0.5 ? ratio : 1.0;
}

int EmPixels(const FontSpec& font, double cellPerEm) {
  double em = font.size;
  switch (font.sizeKind) {
    case FontSizeKind::CharHeight: break;
    case FontSizeKind::Points: em = std::round(font.size * 96.0 / 72.0); break;
    case FontSizeKind::CellHeight: em = std::round(font.size / cellPerEm); break;
  }
  // A size typed far out of range must not overflow the font's pixel size.
  return static_cast<int>(std::clamp(std::abs(std::isfinite(em) ? em : 1.0), 1.0, 4096.0));
}

}  // namespace

std::string FamilyForFace(std::string_view face) {
  if (!face.empty() && face.front() == '@') face.remove_prefix(1);
  const bool proportional = face.find("Ｐ") != std::string_view::npos;
  if (face.find("明朝") != std::string_view::npos) return proportional ? "IPAPMincho" : "IPAMincho";
  if (face.find("ゴシック") != std::string_view::npos) return proportional ? "IPAPGothic" : "IPAGothic";
  return std::string(face);
}

double PainterDrawer::cellPerEm(const std::string& family) const {
  auto it = cellPerEm_.find(family);
  if (it == cellPerEm_.end()) it = cellPerEm_.emplace(family, CellPerEm(QString::fromStdString(family))).first;
  return it->second;
}

QFont PainterDrawer::qfont() const {
  const std::string family = FamilyForFace(font_.face);
  QFont f(QString::fromStdString(family));
  f.setPixelSize(EmPixels(font_, font_.sizeKind == FontSizeKind::CellHeight ? cellPerEm(family) : 1.0));
  f.setBold(font_.bold);
  // Fully hinted glyphs sit on whole pixels. Without hinting, Qt places
  // them between pixels in a way that depends on the text this process drew
  // before, so a tile would come out differently drawn alone, after other
  // tiles or in another worker.
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

void PainterDrawer::lineTo(int x, int y) {
  const int reach = std::max(1, penWidth_) + 2;
  const QRect area = QRect(QPoint(std::min(penX_, x), std::min(penY_, y)), QPoint(std::max(penX_, x), std::max(penY_, y)))
                         .adjusted(-reach, -reach, reach, reach);
  QPainter& p = surface_.beginPainterIn(area);
  p.save();
  p.resetTransform();
  p.setClipping(false);
  p.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(ToQColor(penColour_));
  pen.setWidth(std::max(1, penWidth_));
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.drawLine(penX_, penY_, x, y);
  p.restore();
  penX_ = x;
  penY_ = y;
}

void PainterDrawer::fillRect(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  const QRect area(left, top, right - left, bottom - top);
  QPainter& p = surface_.beginPainterIn(area);
  p.save();
  p.resetTransform();
  p.setClipping(false);
  p.fillRect(area, ToQColor(brushColour_));
  p.restore();
}

void PainterDrawer::textOut(int x, int y, std::string_view text) {
  if (text.empty()) return;
  const QFont f = qfont();
  const QString s = ToQString(text);
  const QFontMetricsF metrics(f);
  const double cell = metrics.ascent() + metrics.descent();
  // The text cell in its own turned frame, and the pixels it can touch.
  QTransform frame;
  frame.translate(x, y);
  frame.rotate(-(font_.escapement / 10.0));   // escapement turns counter-clockwise
  const QStringList glyphs = font_.vertical() ? Glyphs(s) : QStringList();
  const double run = font_.vertical() ? f.pixelSize() * glyphs.size() : metrics.horizontalAdvance(s);
  const double margin = cell / 2 + 2;   // overhangs of glyphs beyond the cell
  const QRect area = frame.mapRect(QRectF(-margin, -margin, run + 2 * margin, cell + 2 * margin)).toAlignedRect();
  QPainter& p = surface_.beginPainterIn(area);
  p.save();
  p.setClipping(false);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.setFont(f);
  p.setTransform(frame);
  p.setPen(ToQColor(textColour_));
  if (!font_.vertical()) {
    if (!transparent_) p.fillRect(QRectF(0, 0, metrics.horizontalAdvance(s), cell), ToQColor(backgroundColour_));
    p.drawText(QPointF(0, metrics.ascent()), s);
  } else {
    // Top to bottom: each glyph upright in a square cell of one em along the
    // run; the column lies on the text's "down" side of the reference point.
    const double em = f.pixelSize();
    if (!transparent_) p.fillRect(QRectF(0, 0, run, cell), ToQColor(backgroundColour_));
    int k = 0;
    for (const QString& glyph : glyphs) {
      p.save();
      p.translate(k * em + em / 2, cell / 2);
      p.rotate(-90);
      p.drawText(QPointF(-metrics.horizontalAdvance(glyph) / 2, -cell / 2 + metrics.ascent()), glyph);
      p.restore();
      ++k;
    }
  }
  p.restore();
}

int PainterDrawer::textWidth(std::string_view text) {
  const QFont f = qfont();
  const QString s = ToQString(text);
  if (font_.vertical()) return static_cast<int>(f.pixelSize() * Glyphs(s).size());
  return static_cast<int>(std::ceil(QFontMetricsF(f).horizontalAdvance(s)));
}

int PainterDrawer::textHeight(std::string_view) {
  const QFontMetricsF metrics(qfont());
  return static_cast<int>(std::round(metrics.ascent() + metrics.descent()));
}

bool PainterDrawer::floodFill(int x, int y, Colour border) {
  QImage& image = surface_.beginPixels();
  const int w = image.width(), h = image.height();
  if (x < 0 || y < 0 || x >= w || y >= h) return false;
  const QRgb borderRgb = ToQColor(border).rgb() & 0xFFFFFF;
  const QRgb fill = ToQColor(brushColour_).rgb();
  auto isBorder = [&](int px, int py) {
    return (reinterpret_cast<const QRgb*>(image.constScanLine(py))[px] & 0xFFFFFF) == borderRgb;
  };
  if (isBorder(x, y)) return false;
  // The pixels filled so far, a row's marks made when the fill first reaches
  // it: a fill is mostly a small shape in a large image.
  std::vector<std::vector<uint8_t>> done(static_cast<size_t>(h));
  auto doneRow = [&](int py) -> std::vector<uint8_t>& {
    std::vector<uint8_t>& row = done[static_cast<size_t>(py)];
    if (row.empty()) row.assign(static_cast<size_t>(w), 0);
    return row;
  };
  auto open = [&](int px, int py) { return !doneRow(py)[static_cast<size_t>(px)] && !isBorder(px, py); };
  std::vector<std::pair<int, int>> seeds{{x, y}};
  while (!seeds.empty()) {
    auto [sx, sy] = seeds.back();
    seeds.pop_back();
    if (!open(sx, sy)) continue;
    int left = sx, right = sx;
    while (left > 0 && open(left - 1, sy)) --left;
    while (right < w - 1 && open(right + 1, sy)) ++right;
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(sy));
    std::vector<uint8_t>& marks = doneRow(sy);
    for (int px = left; px <= right; ++px) {
      row[px] = fill;
      marks[static_cast<size_t>(px)] = 1;
    }
    // One seed per open run in the rows above and below.
    for (int ny : {sy - 1, sy + 1}) {
      if (ny < 0 || ny >= h) continue;
      bool inRun = false;
      for (int px = left; px <= right; ++px) {
        const bool o = open(px, ny);
        if (o && !inRun) seeds.emplace_back(px, ny);
        inRun = o;
      }
    }
  }
  return true;
}

}  // namespace velkaro
