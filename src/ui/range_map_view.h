#pragma once
// The map of the range selection window: administrative boundaries (or road
// edges), the selection with its tile frames, and on the right button the
// standard regional mesh with its codes.
//
// It paints with QPainter instead of an OpenGL context: the map is a set of
// 1-pixel line strips, 1- and 3-pixel rectangle outlines and digit labels in
// an orthographic view, which QPainter draws into the same pixels with the
// same linear mapping of the view box onto the client area.

#include <QPolygonF>
#include <QWidget>
#include <array>
#include <vector>

#include "job/job_context.h"
#include "ui/range_logic.h"
#include "vector/boundary_reader.h"

namespace velkaro {

class RangeMapView : public QWidget {
  Q_OBJECT
 public:
  RangeMapView(const CoordinateState& coords, QWidget* parent = nullptr);

  // Boundary rings of levels 0 … 5 (or roads) from a store, converted to
  // PlaneXY; segments along second-level mesh edges are left out.
  void setBoundaries(const BoundaryStore& store);
  void setRoads(const BoundaryStore& store);
  void setDisplayLevel(int level);   // 0 … 5 boundaries, 6 roads
  int displayLevel() const { return displayLevel_; }

  void setLatFactor(double latFactor) { latFactor_ = latFactor; }
  double latFactor() const { return latFactor_; }
  void setView(const PlaneBox& view);   // fitted to the client's aspect
  const PlaneBox& view() const { return view_; }

  void setSelection(const PlaneBox& selection);
  const PlaneBox& selection() const { return selection_; }
  void setDivision(const RangeDivision& division);
  const RangeDivision& division() const { return division_; }
  void setBudget(const BudgetInput& budget);
  const TileGrid& grid() const { return grid_; }
  bool fits() const { return fits_; }

  // Zoom by `factor` about a client point.
  void zoomAt(QPointF point, double factor);
  void setMeshShown(bool shown);

  // Client pixel <-> PlaneXY (x east, y north).
  QPointF toPixel(double east, double north) const;
  QPointF toPlane(QPointF pixel) const;

 signals:
  void selectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  enum class Drag { None, NewSelection, West, East, South, North };
  Drag edgeUnder(QPointF pixel) const;
  void recompute();
  void drawLines(class QPainter& painter);
  void drawTileFrames(class QPainter& painter);
  void drawMesh(class QPainter& painter);
  std::vector<QPolygonF> planeLines(const BoundaryStore& store, bool byLevel, int level) const;

  CoordinateState coords_;
  double latFactor_ = 1.0;
  std::array<std::vector<QPolygonF>, kBoundaryLevels> levels_;
  std::vector<QPolygonF> roads_;
  int displayLevel_ = 5;
  PlaneBox view_{-1000, 1000, -1000, 1000};
  PlaneBox selection_;
  RangeDivision division_;
  BudgetInput budget_;
  TileGrid grid_;
  bool fits_ = true;
  Drag drag_ = Drag::None;
  bool panning_ = false;
  QPointF panLast_;
  bool meshShown_ = false;
};

}  // namespace velkaro
