#pragma once
// The "描画設定" tab: the groups of basic settings, drawing area, flood
// animation, elevation, standard regional mesh and text/rank, each control
// bound to its JobSettings field, and the action buttons. Controls that
// depend on others (flood group, overlap, size read-out, start hint) follow
// every edit and every load; the legend controls follow their own boxes.

#include <QWidget>
#include <array>

#include "job/job_settings.h"
#include "ui/settings_binder.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace velkaro {

class ColourCheckBox;
class LegendControls;
class ModifierButton;

class DrawingSettingsTab : public QWidget {
  Q_OBJECT
 public:
  explicit DrawingSettingsTab(JobSettings& settings, QWidget* parent = nullptr);

  // Sets the elevation switch captions from the catalogue (start-up).
  void setElevationCaptions();
  // Every control shows the record; afterRead picks the start hint a loaded
  // file gives.
  void showSettings(bool afterRead = false);

  // Action buttons and the other buttons the main window connects.
  struct ActionButtons {
    QPushButton* load = nullptr;
    QPushButton* start = nullptr;
    QPushButton* save = nullptr;
    QPushButton* gridpack = nullptr;
    QPushButton* manual = nullptr;
    ModifierButton* version = nullptr;
    std::array<QPushButton*, 8> links{};
    QPushButton* pickOnMap = nullptr;
    QPushButton* fgdTab = nullptr;
    ModifierButton* meshFolder = nullptr;
    QPushButton* writeFolder = nullptr;
    QPushButton* expand = nullptr;
    QPushButton* background = nullptr;
  };
  const ActionButtons& buttons() const { return buttons_; }
  ColourCheckBox* meshSwitch() const { return meshSwitch_; }

  // Controls the tests and the main window read.
  QLineEdit* mapName() const { return namae_; }
  QLineEdit* edge(int i) const { return edges_[static_cast<size_t>(i)]; }  // north, south, west, east
  QComboBox* zoneList() const { return zone_; }
  QComboBox* sizeList() const { return size_; }
  QComboBox* unitList() const { return unit_; }
  QSpinBox* columnsSpin() const { return cols_; }
  QSpinBox* rowsSpin() const { return rows_; }
  QSpinBox* overlapSpin() const { return kasane_; }
  QLabel* sizeReadout() const { return readout_; }
  QGroupBox* movieGroup() const { return movieGroup_; }
  QCheckBox* meshClass(int k) const { return meshBoxes_[static_cast<size_t>(k)]; }
  QCheckBox* contourClass(int k) const { return contourBoxes_[static_cast<size_t>(k)]; }
  // The automatic legend, its sliders and "設定" buttons, the colour scheme
  // and the hillshade controls.
  LegendControls* legendControls() const { return legend_; }
  QLineEdit* meshFolderEdit() const { return meshFolder_; }
  QLineEdit* writeFolderEdit() const { return writeFolder_; }

 signals:
  // Any edit of a bound control.
  void edited();
  void mapNameEdited();

 private:
  QGroupBox* buildBasicGroup();
  QGroupBox* buildAreaGroup();
  QGroupBox* buildMovieGroup();
  QGroupBox* buildElevationGroup();
  QWidget* buildElevationSwitches();
  QGroupBox* buildMeshGroup();
  QGroupBox* buildRankGroup();
  QWidget* buildActions();

  // Dependent controls.
  void refreshDependents();
  void refreshSizeReadout();
  void refreshOverlap();
  void refreshBackgroundSwatch();
  void switchElevationClass(bool contour, int k, bool on);

  JobSettings& s_;
  SettingsBinder bind_;
  ActionButtons buttons_;
  bool hintAfterRead_ = false;

  QLineEdit* meshFolder_ = nullptr;
  QLineEdit* writeFolder_ = nullptr;
  QButtonGroup* type_ = nullptr;
  QComboBox* size_ = nullptr;
  QComboBox* unit_ = nullptr;
  QLineEdit* namae_ = nullptr;
  QComboBox* zone_ = nullptr;
  std::array<QLineEdit*, 4> edges_{};
  QSpinBox* cols_ = nullptr;
  QSpinBox* rows_ = nullptr;
  QSpinBox* kasane_ = nullptr;
  QLabel* kasaneLabel_ = nullptr;
  QLabel* readout_ = nullptr;
  QGroupBox* movieGroup_ = nullptr;
  std::array<QCheckBox*, kElevationClasses> meshBoxes_{};
  std::array<QCheckBox*, kElevationClasses> contourBoxes_{};
  LegendControls* legend_ = nullptr;
  ColourCheckBox* meshSwitch_ = nullptr;
};

}  // namespace velkaro
