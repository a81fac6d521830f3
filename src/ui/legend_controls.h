#pragma once
// The legend controls of the drawing-settings page: the automatic-mode box
// with its interval and bottom sliders (or, in manual mode, two "設定"
// buttons), the legend colour scheme slider with its preview, and the
// hillshade box with the shading mode, amount and direction it reveals. Every
// control edits its JobSettings field at once.

#include <QWidget>

#include "job/job_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace velkaro {

class LegendGrids;

class LegendControls : public QWidget {
  Q_OBJECT
 public:
  LegendControls(JobSettings& settings, QWidget* parent = nullptr);

  // Shows the settings' values (after settings were read); the visibility of
  // the sliders and of the hillshade controls follows.
  void ShowSettings();
  // Sets the automatic-mode box (and `alti/jido`).
  void setAutomaticMode(bool on);

  QCheckBox* automaticBox() const { return automatic_; }
  QPushButton* intervalSetButton() const { return intervalSet_; }
  QPushButton* bottomSetButton() const { return bottomSet_; }
  QSlider* schemeSlider() const { return scheme_; }
  QLabel* preview() const { return preview_; }
  QCheckBox* hillshadeBox() const { return hillshade_; }
  QWidget* shadingModeList() const;

 signals:
  // The two "設定" buttons of manual mode.
  void intervalSetRequested();
  void bottomSetRequested();

 private:
  void buildLayout();
  void nameForScreenReaders();
  void connectControls();
  void showAutomaticMode(bool on);
  void showHillshade(bool on);
  void paintPreview();

  JobSettings& settings_;
  bool loading_ = false;
  QCheckBox* automatic_;
  QCheckBox* jobWide_;
  QSlider* intervalSlider_;
  QSlider* bottomSlider_;
  QLabel* intervalLabel_;
  QLabel* bottomLabel_;
  QPushButton* intervalSet_;
  QPushButton* bottomSet_;
  QSlider* scheme_;
  QLabel* schemeLabel_;
  QLabel* preview_;
  QCheckBox* hillshade_;
  QComboBox* shadingMode_;
  QSlider* amount_;
  QSlider* direction_;
  QLabel* amountLabel_;
  QLabel* directionLabel_;
};

// Opening a cell editor in the grids clears the automatic-mode box.
void ConnectLegendWidgets(LegendGrids& grids, LegendControls& controls);

}  // namespace velkaro
