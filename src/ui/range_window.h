#pragma once
// "地図で指定": a modal window showing the administrative boundaries of the
// FGD folder, in which the user drags the drawing area, sees its tile grid
// (green when one tile fits the elevation budget, red when not), zooms,
// pans, shows the standard regional mesh and changes the division.
// "範囲決定" ends it with the chosen area; the caller writes it into the
// main window with ApplyRangeChoice.

#include <QDialog>
#include <functional>

#include "job/job_context.h"
#include "ui/range_logic.h"
#include "vector/boundary_reader.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace velkaro {

class RangeMapView;

class RangeWindow : public QDialog {
  Q_OBJECT
 public:
  // job: a validated job of the main window's settings (zone, unit, drawing
  // area, division, elevation cell size and classes, readfolder). Its
  // CellBuffer holds the points read for the map while the window is open.
  explicit RangeWindow(JobContext& job, QWidget* parent = nullptr);

  // Reads the boundaries and fits the view to them. Called on the first
  // show; callers may call it earlier (it then does not run again).
  void loadBoundaries();
  // Reads the road edges of the visible region and its surroundings.
  void loadRoads();

  // The area and division "範囲決定" chose (valid after OK).
  const RangeChoice& choice() const { return choice_; }
  RangeMapView* mapView() const { return view_; }
  QSpinBox* rowsField() const { return rows_; }
  QSpinBox* colsField() const { return cols_; }
  QSpinBox* overlapField() const { return overlap_; }
  QComboBox* levelList() const { return level_; }
  QPushButton* decideButton() const { return decide_; }

  // Where the window's messages go (a message box by default).
  using MessageSink = std::function<void(const char* title, const char* text)>;
  void setMessageSink(MessageSink sink) { messages_ = std::move(sink); }

  // "範囲決定": rounds the selection, keeps it as the choice and accepts.
  void decide();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;

 private:
  void buildLayout();
  void divisionChanged();
  void levelChanged(int index);
  void updateReadout();
  PlaneBox dataView() const;

  JobContext& job_;
  BoundaryStore store_;
  bool loaded_ = false;
  bool showingRoads_ = false;
  RangeChoice choice_;
  MessageSink messages_;
  RangeMapView* view_;
  QComboBox* level_;
  QSpinBox* rows_;
  QSpinBox* cols_;
  QSpinBox* overlap_;
  QLabel* overlapLabel_;
  QLabel* readout_;
  QPushButton* decide_;
  QPushButton* cancel_;
};

}  // namespace velkaro
