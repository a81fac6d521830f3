#include "ui/range_map_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "job/coordinates.h"
#include "job/mesh_codes.h"

namespace velkaro {
namespace {

// Boundary colours by level: lower levels are drawn last, on top.
const QColor kLevelColours[kBoundaryLevels] = {
    QColor(0, 0, 0),        QColor(0, 0, 0),       QColor(51, 51, 51),
    QColor(51, 128, 51),    QColor(51, 51, 179),   QColor(179, 51, 51)};
const QColor kRoadColour(128, 128, 128);
const QColor kFirstLevelMesh(0, 0, 255);
const QColor kSecondLevelMesh(0, 204, 204);
const QColor kThirdLevelMesh(102, 255, 102);

constexpr double kZoomIn = 0.9;
constexpr int kMeshChainSegments = 16;
constexpr int kMaxMeshCells = 20000;

bool Whole(double v) { return std::fabs(v - std::round(v)) < 1e-9; }

QColor MeridianColour(double lon) {
  if (Whole(lon)) return kFirstLevelMesh;
  if (Whole(lon * 8)) return kSecondLevelMesh;
  return kThirdLevelMesh;
}

QColor ParallelColour(double lat) {
  if (Whole(lat * 1.5)) return kFirstLevelMesh;
  if (Whole(lat * 12)) return kSecondLevelMesh;
  return kThirdLevelMesh;
}

QPen CosmeticPen(const QColor& colour, int width) {
  QPen pen(colour, width);
  pen.setCosmetic(true);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

}  // namespace

RangeMapView::RangeMapView(const CoordinateState& coords, QWidget* parent)
    : QWidget(parent), coords_(coords) {
  setMouseTracking(true);
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 150);
  recompute();
}

std::vector<QPolygonF> RangeMapView::planeLines(const BoundaryStore& store, bool byLevel,
                                                int level) const {
  std::vector<QPolygonF> lines;
  store.forEachRing([&](const CellPair* p, int32_t n, int ringLevel) {
    if (byLevel && ringLevel != level) return;
    QPolygonF piece;
    const auto flush = [&] {
      if (piece.size() >= 2) lines.push_back(piece);
      piece.clear();
    };
    for (int32_t i = 0; i < n; ++i) {
      if (i > 0 && SegmentOnMeshEdge(p[i - 1], p[i])) flush();
      const PlaneXY xy = bltoxy(coords_, p[i].x, p[i].y);
      piece.append(QPointF(xy.y, xy.x));
    }
    flush();
  });
  return lines;
}

void RangeMapView::setBoundaries(const BoundaryStore& store) {
  for (int level = 0; level < kBoundaryLevels; ++level)
    levels_[static_cast<size_t>(level)] = planeLines(store, true, level);
  roads_.clear();
  update();
}

void RangeMapView::setRoads(const BoundaryStore& store) {
  roads_ = planeLines(store, false, 0);
  update();
}

void RangeMapView::setDisplayLevel(int level) {
  displayLevel_ = std::clamp(level, 0, kBoundaryLevels);
  update();
}

void RangeMapView::setView(const PlaneBox& view) {
  view_ = FitToAspect(view, width(), height(), latFactor_);
  update();
}

void RangeMapView::setSelection(const PlaneBox& selection) {
  selection_ = selection;
  recompute();
}

void RangeMapView::setDivision(const RangeDivision& division) {
  division_ = division;
  recompute();
}

void RangeMapView::setBudget(const BudgetInput& budget) {
  budget_ = budget;
  recompute();
}

void RangeMapView::recompute() {
  grid_ = RangeTileGrid(Normalised(selection_), division_);
  fits_ = overcheck(grid_, budget_);
  update();
  emit selectionChanged();
}

QPointF RangeMapView::toPixel(double east, double north) const {
  const double sx = width() / view_.width(), sy = height() / view_.height();
  return {(east - view_.west) * sx, (view_.north - north) * sy};
}

QPointF RangeMapView::toPlane(QPointF pixel) const {
  const double sx = width() / view_.width(), sy = height() / view_.height();
  return {view_.west + pixel.x() / sx, view_.north - pixel.y() / sy};
}

void RangeMapView::zoomAt(QPointF point, double factor) {
  const QPointF at = toPlane(point);
  view_ = ZoomAround(view_, at.x(), at.y(), factor);
  update();
}

void RangeMapView::setMeshShown(bool shown) {
  meshShown_ = shown;
  update();
}

// ---- drawing -----------------------------------------------------------------

void RangeMapView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  drawLines(painter);
  drawTileFrames(painter);
  if (meshShown_) drawMesh(painter);
}

void RangeMapView::drawLines(QPainter& painter) {
  const double sx = width() / view_.width(), sy = height() / view_.height();
  painter.save();
  painter.setTransform(QTransform(sx, 0, 0, -sy, -view_.west * sx, view_.north * sy));
  if (displayLevel_ >= kBoundaryLevels) {
    painter.setPen(CosmeticPen(kRoadColour, 1));
    for (const QPolygonF& line : roads_) painter.drawPolyline(line);
  } else {
    for (int level = displayLevel_; level >= 0; --level) {
      painter.setPen(CosmeticPen(kLevelColours[level], 1));
      for (const QPolygonF& line : levels_[static_cast<size_t>(level)]) painter.drawPolyline(line);
    }
  }
  painter.restore();
}

void RangeMapView::drawTileFrames(QPainter& painter) {
  const PlaneBox s = Normalised(selection_);
  if (s.width() == 0 || s.height() == 0) return;
  painter.setPen(CosmeticPen(fits_ ? QColor(0, 255, 0) : QColor(255, 0, 0), 1));
  const auto vertical = [&](double east) { painter.drawLine(toPixel(east, s.south), toPixel(east, s.north)); };
  const auto horizontal = [&](double north) { painter.drawLine(toPixel(s.west, north), toPixel(s.east, north)); };
  for (int c = 0; c < grid_.cols; ++c) {
    vertical(s.west + c * grid_.stepX);
    vertical(s.west + c * grid_.stepX + grid_.tileWidth);
  }
  for (int r = 0; r < grid_.rows; ++r) {
    horizontal(s.south + r * grid_.stepY);
    horizontal(s.south + r * grid_.stepY + grid_.tileHeight);
  }
  painter.setPen(CosmeticPen(fits_ ? QColor(0, 255, 0) : QColor(255, 0, 0), 3));
  painter.drawRect(QRectF(toPixel(s.west, s.north), toPixel(s.east, s.south)));
}

void RangeMapView::drawMesh(QPainter& painter) {
  double h = view_.height();
  if (!coords_.latLonMode) h /= coords_.unitScale;
  const int level = MeshDisplayLevel(h, coords_.latLonMode);
  const double m = level == 1 ? 1 : level == 2 ? 8 : 80;
  const int digits = level == 1 ? 4 : level == 2 ? 6 : 8;
  const QColor labelColour = level == 1 ? kFirstLevelMesh : level == 2 ? kSecondLevelMesh : kThirdLevelMesh;

  const TileGeoBox geo = GeoBoxOfPlaneRect(coords_, view_.west, view_.east, view_.north, view_.south);
  const double lonStep = 1 / m, latStep = 1 / (1.5 * m);
  const double lon0 = std::floor(geo.lonW * m) / m, lon1 = std::ceil(geo.lonE * m) / m;
  const double lat0 = std::floor(geo.latS * 1.5 * m) / (1.5 * m), lat1 = std::ceil(geo.latN * 1.5 * m) / (1.5 * m);
  const int cols = static_cast<int>(std::lround((lon1 - lon0) / lonStep));
  const int rows = static_cast<int>(std::lround((lat1 - lat0) / latStep));
  if (cols <= 0 || rows <= 0 || static_cast<long>(cols) * rows > kMaxMeshCells) return;

  const auto chain = [&](double lonA, double latA, double lonB, double latB) {
    QPolygonF line;
    for (int i = 0; i <= kMeshChainSegments; ++i) {
      const double t = static_cast<double>(i) / kMeshChainSegments;
      const PlaneXY xy = bltoxy(coords_, lonA + (lonB - lonA) * t, latA + (latB - latA) * t);
      line.append(toPixel(xy.y, xy.x));
    }
    painter.drawPolyline(line);
  };
  for (int i = 0; i <= cols; ++i) {
    const double lon = lon0 + i * lonStep;
    painter.setPen(CosmeticPen(MeridianColour(lon), 1));
    chain(lon, lat0, lon, lat1);
  }
  for (int j = 0; j <= rows; ++j) {
    const double lat = lat0 + j * latStep;
    painter.setPen(CosmeticPen(ParallelColour(lat), 1));
    chain(lon0, lat, lon1, lat);
  }
  QFont font("IPAPGothic");
  font.setPixelSize(14);
  painter.setFont(font);
  painter.setPen(labelColour);
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i) {
      const double lon = lon0 + i * lonStep, lat = lat0 + j * latStep;
      const PlaneXY xy = bltoxy(coords_, lon, lat);
      painter.drawText(toPixel(xy.y, xy.x) + QPointF(3, -3),
                       QString::fromStdString(MeshLabelCode(lat, lon, digits)));
    }
}

// ---- mouse -------------------------------------------------------------------

RangeMapView::Drag RangeMapView::edgeUnder(QPointF p) const {
  const PlaneBox s = Normalised(selection_);
  const QPointF nw = toPixel(s.west, s.north), se = toPixel(s.east, s.south);
  const auto near = [](double pointer, double edge) { return pointer - edge >= -2 && pointer - edge <= 3; };
  const bool withinNorthSouth = p.y() >= nw.y() && p.y() <= se.y();
  const bool withinWestEast = p.x() >= nw.x() && p.x() <= se.x();
  if (withinNorthSouth && near(p.x(), nw.x())) return Drag::West;
  if (withinNorthSouth && near(p.x(), se.x())) return Drag::East;
  if (withinWestEast && near(p.y(), se.y())) return Drag::South;
  if (withinWestEast && near(p.y(), nw.y())) return Drag::North;
  return Drag::None;
}

void RangeMapView::mousePressEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  if (event->button() == Qt::LeftButton) {
    drag_ = edgeUnder(p);
    if (drag_ == Drag::None) {
      const QPointF at = toPlane(p);
      drag_ = Drag::NewSelection;
      setSelection({at.x(), at.x(), at.y(), at.y()});
    } else {
      selection_ = Normalised(selection_);
    }
  } else if (event->button() == Qt::MiddleButton) {
    panning_ = true;
    panLast_ = p;
  } else if (event->button() == Qt::RightButton) {
    setMeshShown(true);
  }
}

void RangeMapView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  if (panning_) {
    const QPointF from = toPlane(panLast_), to = toPlane(p);
    const double dx = from.x() - to.x(), dy = from.y() - to.y();
    view_ = {view_.west + dx, view_.east + dx, view_.south + dy, view_.north + dy};
    panLast_ = p;
    update();
  }
  const QPointF at = toPlane(p);
  PlaneBox s = selection_;
  switch (drag_) {
    case Drag::NewSelection: s.east = at.x(); s.north = at.y(); break;
    case Drag::West: s.west = at.x(); break;
    case Drag::East: s.east = at.x(); break;
    case Drag::South: s.south = at.y(); break;
    case Drag::North: s.north = at.y(); break;
    case Drag::None: {
      const Drag edge = edgeUnder(p);
      if (edge == Drag::West || edge == Drag::East) setCursor(Qt::SizeHorCursor);
      else if (edge == Drag::South || edge == Drag::North) setCursor(Qt::SizeVerCursor);
      else unsetCursor();
      return;
    }
  }
  setSelection(s);
}

void RangeMapView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && drag_ != Drag::None) {
    drag_ = Drag::None;
    setSelection(Normalised(selection_));
  } else if (event->button() == Qt::MiddleButton) {
    panning_ = false;
  } else if (event->button() == Qt::RightButton) {
    setMeshShown(false);
  }
}

void RangeMapView::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta > 0) zoomAt(event->position(), kZoomIn);
  else if (delta < 0) zoomAt(event->position(), 1 / kZoomIn);
}

void RangeMapView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  view_ = FitToAspect(view_, width(), height(), latFactor_);
}

}  // namespace velkaro
