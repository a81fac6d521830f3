#include "ui/drawing_settings_tab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "job/coordinates.h"
#include "job/tile_grid.h"
#include "render/colours.h"
#include "ui/colour_check_box.h"
#include "ui/legend_controls.h"
#include "ui/modifier_button.h"
#include "ui/ui_messages.h"

namespace velkaro {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Typed numbers: only digits, "-" and "." get in.
void AcceptNumberKeys(QLineEdit* edit) {
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-0-9.]*")), edit));
}

template <size_t N>
QComboBox* ListOf(const char* const (&items)[N]) {
  auto* box = new QComboBox;
  for (const char* item : items) box->addItem(U(item));
  return box;
}

QSlider* Slider(int low, int high, int tick) {
  auto* s = new QSlider(Qt::Horizontal);
  s->setRange(low, high);
  s->setTickPosition(QSlider::TicksBelow);
  s->setTickInterval(tick);
  s->setPageStep(tick);
  return s;
}

// A label that names its buddy control for keyboard and screen reader users.
QLabel* Caption(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  buddy->setAccessibleName(text);
  return label;
}

}  // namespace

DrawingSettingsTab::DrawingSettingsTab(JobSettings& settings, QWidget* parent)
    : QWidget(parent), s_(settings), bind_(settings) {
  bind_.onEdited([this] {
    refreshDependents();
    emit edited();
  });

  auto* left = new QVBoxLayout;
  left->addWidget(buildBasicGroup());
  left->addWidget(buildAreaGroup());
  left->addWidget(buildMovieGroup());
  left->addStretch(1);
  auto* middle = new QVBoxLayout;
  middle->addWidget(buildElevationGroup());
  middle->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(buildMeshGroup());
  right->addWidget(buildRankGroup());
  right->addWidget(buildActions());
  right->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 5);
  layout->addLayout(middle, 4);
  layout->addLayout(right, 3);
  // Group boxes are announced by their captions.
  for (QGroupBox* group : findChildren<QGroupBox*>()) group->setAccessibleName(group->title());
}

QGroupBox* DrawingSettingsTab::buildBasicGroup() {
  auto* group = new QGroupBox(U(ui_text::kGroupBasic));
  auto* grid = new QGridLayout(group);

  buttons_.meshFolder = new ModifierButton(U(ui_text::kMeshFolder));
  meshFolder_ = new QLineEdit;
  meshFolder_->setAccessibleName(U(ui_text::kMeshFolder));
  buttons_.expand = new QPushButton(U(ui_text::kExpand));
  grid->addWidget(buttons_.meshFolder, 0, 0);
  grid->addWidget(meshFolder_, 0, 1, 1, 2);
  grid->addWidget(buttons_.expand, 0, 3);
  bind_.text(meshFolder_, SettingsBinder::field(&JobSettings::meshfolder));

  buttons_.writeFolder = new QPushButton(U(ui_text::kWriteFolder));
  writeFolder_ = new QLineEdit;
  writeFolder_->setAccessibleName(U(ui_text::kWriteFolder));
  grid->addWidget(buttons_.writeFolder, 1, 0);
  grid->addWidget(writeFolder_, 1, 1, 1, 3);
  bind_.text(writeFolder_, SettingsBinder::field(&JobSettings::writefolder));

  buttons_.fgdTab = new QPushButton(U(ui_text::kFgdFolderButton));
  buttons_.fgdTab->setAccessibleName(U(ui_text::kFgdFolderButton).replace('\n', ' '));
  auto* subfolder = new QCheckBox(U(ui_text::kSubfolder));
  grid->addWidget(buttons_.fgdTab, 2, 0);
  grid->addWidget(subfolder, 2, 1, 1, 3);
  bind_.check(subfolder, SettingsBinder::field(&JobSettings::subfolder));

  auto* typeBox = new QGroupBox(U(ui_text::kType));
  auto* typeRow = new QVBoxLayout(typeBox);
  type_ = new QButtonGroup(this);
  int id = 0;
  for (const char* caption : {ui_text::kTypeBmp, ui_text::kTypeAvi, ui_text::kTypeTiff, ui_text::kTypePng}) {
    auto* radio = new QRadioButton(U(caption));
    type_->addButton(radio, id++);
    typeRow->addWidget(radio);
  }
  connect(type_, &QButtonGroup::idToggled, this, [this](int which, bool on) {
    if (!on || bind_.loading()) return;
    s_.type = which;
    hintAfterRead_ = false;
    refreshDependents();
    emit edited();
  });
  bind_.load([this] {
    if (QAbstractButton* b = type_->button(s_.type)) {
      b->setChecked(true);
    } else {
      type_->setExclusive(false);
      for (QAbstractButton* other : type_->buttons()) other->setChecked(false);
      type_->setExclusive(true);
    }
  });
  grid->addWidget(typeBox, 3, 0, 2, 2);

  size_ = new QComboBox;
  for (const ImagePreset& p : kImagePresets) size_->addItem(U(p.caption));
  unit_ = ListOf(ui_text::kUnits);
  auto* sizeForm = new QFormLayout;
  sizeForm->addRow(Caption(U(ui_text::kSize), size_), size_);
  sizeForm->addRow(Caption(U(ui_text::kUnit), unit_), unit_);
  grid->addLayout(sizeForm, 3, 2, 2, 2);
  bind_.index(size_, SettingsBinder::field(&JobSettings::size));
  bind_.index(unit_, SettingsBinder::field(&JobSettings::tanni));
  grid->setColumnStretch(1, 1);
  return group;
}

QGroupBox* DrawingSettingsTab::buildAreaGroup() {
  auto* group = new QGroupBox(U(ui_text::kGroupArea));
  auto* grid = new QGridLayout(group);

  namae_ = new QLineEdit;
  grid->addWidget(Caption(U(ui_text::kMapName), namae_), 0, 0);
  grid->addWidget(namae_, 0, 1, 1, 3);
  bind_.text(namae_, SettingsBinder::field(&JobSettings::namae));
  connect(namae_, &QLineEdit::textEdited, this, &DrawingSettingsTab::mapNameEdited);

  zone_ = new QComboBox;
  for (const char* entry : kZoneEntries) zone_->addItem(U(entry));
  grid->addWidget(Caption(U(ui_text::kZone), zone_), 1, 0);
  grid->addWidget(zone_, 1, 1, 1, 3);
  bind_.index(zone_, SettingsBinder::field(&JobSettings::zahyokei));

  // The four edges in a cross: north on top, west and east beside, south below.
  const char* captions[] = {ui_text::kNorth, ui_text::kSouth, ui_text::kWest, ui_text::kEast};
  std::string JobSettings::*fields[] = {&JobSettings::kita, &JobSettings::minami, &JobSettings::nisi,
                                        &JobSettings::higasi};
  const int rowOf[] = {2, 4, 3, 3}, colOf[] = {1, 1, 0, 2};
  for (size_t i = 0; i < 4; ++i) {
    edges_[i] = new QLineEdit;
    AcceptNumberKeys(edges_[i]);
    auto* cell = new QHBoxLayout;
    cell->addWidget(Caption(U(captions[i]), edges_[i]));
    cell->addWidget(edges_[i], 1);
    grid->addLayout(cell, rowOf[i], colOf[i], 1, 2);
    bind_.text(edges_[i], SettingsBinder::field(fields[i]));
  }

  cols_ = new QSpinBox;
  rows_ = new QSpinBox;
  kasane_ = new QSpinBox;
  cols_->setRange(1, 255);
  rows_->setRange(1, 255);
  kasane_->setRange(0, 50);
  auto* division = new QHBoxLayout;
  division->addWidget(Caption(U(ui_text::kColumns), cols_));
  division->addWidget(cols_);
  division->addWidget(Caption(U(ui_text::kRows), rows_));
  division->addWidget(rows_);
  kasaneLabel_ = Caption(U(ui_text::kOverlap), kasane_);
  division->addWidget(kasaneLabel_);
  division->addWidget(kasane_);
  division->addStretch(1);
  grid->addLayout(division, 5, 0, 1, 4);
  bind_.countText(cols_, SettingsBinder::field(&JobSettings::yokodiv));
  bind_.countText(rows_, SettingsBinder::field(&JobSettings::tatediv));
  bind_.value(kasane_, SettingsBinder::field(&JobSettings::kasane));

  buttons_.background = new QPushButton(U(ui_text::kBackground));
  readout_ = new QLabel;
  readout_->setAccessibleName(U(ui_text::kSizeReadout));
  buttons_.pickOnMap = new QPushButton(U(ui_text::kPickOnMap));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(buttons_.background);
  bottom->addWidget(readout_, 1);
  bottom->addWidget(buttons_.pickOnMap);
  grid->addLayout(bottom, 6, 0, 1, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  return group;
}

QGroupBox* DrawingSettingsTab::buildMovieGroup() {
  movieGroup_ = new QGroupBox(U(ui_text::kGroupMovie));
  auto* grid = new QGridLayout(movieGroup_);
  auto* top = new QLineEdit;
  auto* btm = new QLineEdit;
  AcceptNumberKeys(top);
  AcceptNumberKeys(btm);
  grid->addWidget(Caption(U(ui_text::kMovieTop), top), 0, 0);
  grid->addWidget(top, 0, 1);
  grid->addWidget(Caption(U(ui_text::kMovieBottom), btm), 0, 2);
  grid->addWidget(btm, 0, 3);
  bind_.text(top, SettingsBinder::field(&JobSettings::movieTop));
  bind_.text(btm, SettingsBinder::field(&JobSettings::movieBtm));

  auto* fps = Slider(1, 30, 5);
  grid->addWidget(Caption(U(ui_text::kMovieSpeed), fps), 1, 0);
  auto* speed = new QHBoxLayout;
  speed->addWidget(new QLabel(U(ui_text::kSlow)));
  speed->addWidget(fps, 1);
  speed->addWidget(new QLabel(U(ui_text::kFast)));
  grid->addLayout(speed, 1, 1, 1, 3);
  bind_.value(fps, SettingsBinder::field(&JobSettings::fps));
  auto* mp4 = new QCheckBox(U(ui_text::kMovieMp4));
  grid->addWidget(mp4, 2, 0, 1, 4);
  bind_.check(mp4, SettingsBinder::field(&JobSettings::movieFormat));
  return movieGroup_;
}

QWidget* DrawingSettingsTab::buildElevationSwitches() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (int contour = 0; contour < 2; ++contour) {
    auto* group = new QGroupBox(U(contour ? ui_text::kGroupContours : ui_text::kGroupElevationMesh));
    auto* column = new QVBoxLayout(group);
    auto& boxes = contour ? contourBoxes_ : meshBoxes_;
    for (int k = 0; k < kElevationClasses; ++k) {
      auto* box = new QCheckBox;
      box->setObjectName(QStringLiteral("%1%2").arg(contour ? "cCntr" : "cMesh").arg(k));
      boxes[static_cast<size_t>(k)] = box;
      column->addWidget(box);
      connect(box, &QCheckBox::toggled, this, [this, contour, k](bool on) {
        if (!bind_.loading()) switchElevationClass(contour != 0, k, on);
      });
    }
    layout->addWidget(group);
  }
  bind_.load([this] {
    for (int k = 0; k < kElevationClasses; ++k) {
      meshBoxes_[static_cast<size_t>(k)]->setChecked(s_.alti[static_cast<size_t>(k)]);
      contourBoxes_[static_cast<size_t>(k)]->setChecked(s_.cont[static_cast<size_t>(k)]);
    }
  });
  return row;
}

// At most one class of a group is on: switching one on switches the others off.
void DrawingSettingsTab::switchElevationClass(bool contour, int k, bool on) {
  auto& classes = contour ? s_.cont : s_.alti;
  SwitchElevationClass(classes, k, on);
  auto& boxes = contour ? contourBoxes_ : meshBoxes_;
  for (size_t i = 0; i < boxes.size(); ++i) {
    const QSignalBlocker quiet(boxes[i]);
    boxes[i]->setChecked(classes[i]);
  }
  refreshDependents();
  emit edited();
}

QGroupBox* DrawingSettingsTab::buildElevationGroup() {
  auto* group = new QGroupBox(U(ui_text::kGroupElevation));
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(buildElevationSwitches());

  auto* form = new QFormLayout;
  auto* weight = ListOf(ui_text::kLineWeights);
  auto* target = ListOf(ui_text::kTargets);
  auto* omit = new QComboBox;
  omit->addItem(U(ui_text::kDrawAll));
  for (int i = 1; i <= 13; ++i) omit->addItem(QString::number(1 << (i + 2)) + U(ui_text::kOmitSuffix));
  auto* hose = new QLineEdit;
  AcceptNumberKeys(hose);
  form->addRow(Caption(U(ui_text::kLineWeight), weight), weight);
  form->addRow(Caption(U(ui_text::kTarget), target), target);
  form->addRow(Caption(U(ui_text::kOmitShort), omit), omit);
  form->addRow(Caption(U(ui_text::kDatum), hose), hose);
  bind_.index(weight, SettingsBinder::field(&JobSettings::lineweight));
  bind_.index(target, SettingsBinder::field(&JobSettings::taisyo));
  bind_.index(omit, SettingsBinder::field(&JobSettings::syoryaku));
  bind_.text(hose, SettingsBinder::field(&JobSettings::hose));
  // The number of legend steps sits with the contour options; the automatic
  // legend, the colour scheme and the hillshade are the legend controls'.
  auto* steps = ListOf(ui_text::kLegendStepNames);
  form->addRow(Caption(U(ui_text::kLegendSteps), steps), steps);
  bind_.index(steps, SettingsBinder::field(&JobSettings::hanreisu));
  layout->addLayout(form);
  legend_ = new LegendControls(s_);
  layout->addWidget(legend_);
  return group;
}

QGroupBox* DrawingSettingsTab::buildMeshGroup() {
  auto* group = new QGroupBox(U(ui_text::kGroupMesh));
  auto* row = new QHBoxLayout(group);
  meshSwitch_ = new ColourCheckBox(QString::fromStdString(s_.tiikimesh.caption));
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPointSize(10);
  meshSwitch_->setFont(font);
  auto* level = ListOf(ui_text::kMeshLevels);
  level->setAccessibleName(U(ui_text::kMeshLevel));
  row->addWidget(meshSwitch_, 1);
  row->addWidget(level);
  bind_.check(meshSwitch_, [](JobSettings& s) -> bool& { return s.tiikimesh.on; });
  bind_.index(level, [](JobSettings& s) -> int& { return s.tiikimesh.keta; });
  bind_.load([this] { meshSwitch_->setLayerColour(s_.tiikimesh.colour); });
  return group;
}

QGroupBox* DrawingSettingsTab::buildRankGroup() {
  auto* group = new QGroupBox(U(ui_text::kGroupRank));
  auto* grid = new QGridLayout(group);
  auto* objsize = ListOf(ui_text::kObjectRanks);
  auto* czoom = new QLineEdit;
  auto* road = new QLineEdit;
  auto* bld = new QSpinBox;
  AcceptNumberKeys(czoom);
  AcceptNumberKeys(road);
  bld->setRange(0, 1000);
  grid->addWidget(Caption(U(ui_text::kObjectRank), objsize), 0, 0, 1, 3);
  grid->addWidget(objsize, 1, 0, 1, 3);
  grid->addWidget(Caption(U(ui_text::kTextZoom), czoom), 2, 0, 1, 2);
  grid->addWidget(czoom, 2, 2);
  grid->addWidget(Caption(U(ui_text::kRoadWidth), road), 3, 0, 1, 3);
  grid->addWidget(road, 4, 1);
  grid->addWidget(new QLabel(U(ui_text::kMetresOrMore)), 4, 2);
  grid->addWidget(Caption(U(ui_text::kBuildingRank), bld), 5, 0, 1, 3);
  grid->addWidget(new QLabel(U(ui_text::kPerimeter)), 6, 0);
  grid->addWidget(bld, 6, 1);
  grid->addWidget(new QLabel(U(ui_text::kMetresOrMore)), 6, 2);
  bind_.index(objsize, SettingsBinder::field(&JobSettings::objsize));
  bind_.text(czoom, SettingsBinder::field(&JobSettings::czoom));
  bind_.text(road, SettingsBinder::field(&JobSettings::road));
  bind_.value(bld, SettingsBinder::field(&JobSettings::bld));
  return group;
}

QWidget* DrawingSettingsTab::buildActions() {
  auto* panel = new QWidget;
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  buttons_.load = new QPushButton(U(ui_text::kLoad));
  buttons_.start = new QPushButton(U(ui_text::kStart));
  buttons_.save = new QPushButton(U(ui_text::kSave));
  QPalette red = buttons_.start->palette();
  red.setColor(QPalette::ButtonText, Qt::red);
  buttons_.start->setPalette(red);
  QFont bold = buttons_.start->font();
  bold.setBold(true);
  buttons_.start->setFont(bold);
  buttons_.start->setMinimumHeight(40);
  grid->addWidget(buttons_.load, 0, 0);
  grid->addWidget(buttons_.start, 0, 1);
  grid->addWidget(buttons_.save, 0, 2);

  buttons_.gridpack = new QPushButton(U(ui_text::kGridpack));
  buttons_.manual = new QPushButton(U(ui_text::kManual));
  buttons_.version = new ModifierButton(U(ui_text::kVersion));
  grid->addWidget(buttons_.gridpack, 1, 0);
  grid->addWidget(buttons_.manual, 1, 1);
  grid->addWidget(buttons_.version, 1, 2);

  for (size_t i = 0; i < buttons_.links.size(); ++i) {
    buttons_.links[i] = new QPushButton(U(ui_text::kLinkCaptions[i]));
    grid->addWidget(buttons_.links[i], 2 + static_cast<int>(i) / 2, static_cast<int>(i) % 2 * 3 / 2, 1,
                    i % 2 == 0 ? 1 : 2);
  }
  return panel;
}

void DrawingSettingsTab::setElevationCaptions() {
  for (size_t k = 0; k < kElevationClasses; ++k) {
    meshBoxes_[k]->setText(QString::fromStdString(s_.layers.meshCaptions[k]).trimmed());
    contourBoxes_[k]->setText(QString::fromStdString(s_.layers.contourCaptions[k]).trimmed());
  }
}

void DrawingSettingsTab::showSettings(bool afterRead) {
  hintAfterRead_ = afterRead;
  bind_.showAll();
  legend_->ShowSettings();
  refreshDependents();
}

void DrawingSettingsTab::refreshDependents() {
  movieGroup_->setVisible(s_.type == 1);
  const char* hint = s_.type == 1 ? ui_text::kHintAvi
                     : s_.type == 2 ? ui_text::kHintTiff
                     : s_.type == 3 ? ui_text::kHintPng
                     : hintAfterRead_ ? ui_text::kHintBmpAfterRead
                                      : ui_text::kHintBmp;
  buttons_.start->setToolTip(U(hint));
  buttons_.start->setAccessibleDescription(U(hint));
  refreshSizeReadout();
  refreshOverlap();
  refreshBackgroundSwatch();
  meshSwitch_->setLayerColour(s_.tiikimesh.colour);
}

void DrawingSettingsTab::refreshSizeReadout() { readout_->setText(QString::fromStdString(SizeReadout(s_))); }

// The overlap applies only between tiles; its value is kept while hidden.
void DrawingSettingsTab::refreshOverlap() {
  const bool several = cols_->value() * rows_->value() > 1;
  kasane_->setVisible(several);
  kasaneLabel_->setVisible(several);
}

void DrawingSettingsTab::refreshBackgroundSwatch() {
  const QColor c = ToQColor(s_.haikei);
  QPixmap swatch(16, 16);
  swatch.fill(c);
  buttons_.background->setIcon(QIcon(swatch));
}

}  // namespace velkaro
