#include "ui/legend_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>

#include "ui/dialog_messages.h"
#include "ui/legend_grids.h"
#include "ui/legend_preview.h"

namespace velkaro {
namespace {

QSlider* MakeSlider(int minimum, int maximum, int tickInterval, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(minimum, maximum);
  slider->setTickInterval(tickInterval);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setPageStep(tickInterval);
  return slider;
}

}  // namespace

LegendControls::LegendControls(JobSettings& settings, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      automatic_(new QCheckBox(dialog_msg::kAutomaticMode, this)),
      jobWide_(new QCheckBox(dialog_msg::kJobWideLegend, this)),
      intervalSlider_(MakeSlider(0, 10, 1, this)),
      bottomSlider_(MakeSlider(0, 10, 1, this)),
      intervalLabel_(new QLabel(dialog_msg::kIntervalSlider, this)),
      bottomLabel_(new QLabel(dialog_msg::kBottomSlider, this)),
      intervalSet_(new QPushButton(dialog_msg::kSetButton, this)),
      bottomSet_(new QPushButton(dialog_msg::kSetButton, this)),
      scheme_(MakeSlider(0, 7, 1, this)),
      schemeLabel_(new QLabel(dialog_msg::kSchemeSlider, this)),
      preview_(new QLabel(this)),
      hillshade_(new QCheckBox(dialog_msg::kHillshade, this)),
      shadingMode_(new QComboBox(this)),
      amount_(MakeSlider(-20, 60, 10, this)),
      direction_(MakeSlider(0, 360, 45, this)),
      amountLabel_(new QLabel(dialog_msg::kShadowAmount, this)),
      directionLabel_(new QLabel(dialog_msg::kShadowDirection, this)) {
  automatic_->setStyleSheet("QCheckBox { color: red; }");
  shadingMode_->addItem(dialog_msg::kFlatLand);
  shadingMode_->addItem(dialog_msg::kMountains);
  preview_->setFixedSize(kLegendPreviewWidth, kLegendPreviewHeight);
  nameForScreenReaders();
  intervalSet_->hide();
  bottomSet_->hide();
  buildLayout();
  connectControls();
  ShowSettings();
}

QWidget* LegendControls::shadingModeList() const { return shadingMode_; }

void LegendControls::nameForScreenReaders() {
  intervalSlider_->setAccessibleName(dialog_msg::kIntervalName);
  bottomSlider_->setAccessibleName(dialog_msg::kBottomName);
  intervalSet_->setAccessibleName(QString(dialog_msg::kIntervalName) + dialog_msg::kSetButton);
  bottomSet_->setAccessibleName(QString(dialog_msg::kBottomName) + dialog_msg::kSetButton);
  scheme_->setAccessibleName(dialog_msg::kSchemeSlider);
  preview_->setAccessibleName(dialog_msg::kPreviewName);
  shadingMode_->setAccessibleName(dialog_msg::kShadingModeName);
  amount_->setAccessibleName(dialog_msg::kShadowAmount);
  direction_->setAccessibleName(dialog_msg::kShadowDirection);
  intervalLabel_->setBuddy(intervalSlider_);
  bottomLabel_->setBuddy(bottomSlider_);
  schemeLabel_->setBuddy(scheme_);
  amountLabel_->setBuddy(amount_);
  directionLabel_->setBuddy(direction_);
}

void LegendControls::buildLayout() {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(automatic_, 0, 0);
  grid->addWidget(jobWide_, 0, 1);
  grid->addWidget(intervalLabel_, 1, 0);
  grid->addWidget(intervalSlider_, 2, 0);
  grid->addWidget(intervalSet_, 2, 1);
  grid->addWidget(bottomLabel_, 3, 0);
  grid->addWidget(bottomSlider_, 4, 0);
  grid->addWidget(bottomSet_, 4, 1);
  grid->addWidget(schemeLabel_, 5, 0);
  grid->addWidget(scheme_, 6, 0);
  grid->addWidget(preview_, 6, 1);
  grid->addWidget(hillshade_, 7, 0);
  grid->addWidget(shadingMode_, 7, 1);
  grid->addWidget(amountLabel_, 8, 0, 1, 2);
  grid->addWidget(amount_, 9, 0, 1, 2);
  grid->addWidget(directionLabel_, 10, 0, 1, 2);
  grid->addWidget(direction_, 11, 0, 1, 2);
}

void LegendControls::connectControls() {
  connect(automatic_, &QCheckBox::toggled, this, [this](bool on) {
    if (!loading_) settings_.jido = on;
    showAutomaticMode(on);
  });
  connect(jobWide_, &QCheckBox::toggled, this, [this](bool on) {
    if (!loading_) settings_.zentai = on;
  });
  connect(intervalSlider_, &QSlider::valueChanged, this, [this](int v) {
    if (!loading_) settings_.kankaku = v;
  });
  connect(bottomSlider_, &QSlider::valueChanged, this, [this](int v) {
    if (!loading_) settings_.kamen = v;
  });
  connect(scheme_, &QSlider::valueChanged, this, [this](int v) {
    if (!loading_) settings_.iro = v;
    paintPreview();
  });
  connect(hillshade_, &QCheckBox::toggled, this, [this](bool on) {
    if (!loading_) settings_.shadow = on;
    showHillshade(on);
  });
  connect(shadingMode_, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!loading_ && i >= 0) settings_.shadowmd = i;
  });
  connect(amount_, &QSlider::valueChanged, this, [this](int v) {
    if (!loading_) settings_.height = v;
  });
  connect(direction_, &QSlider::valueChanged, this, [this](int v) {
    if (!loading_) settings_.houi = v;
  });
  connect(intervalSet_, &QPushButton::clicked, this, &LegendControls::intervalSetRequested);
  connect(bottomSet_, &QPushButton::clicked, this, &LegendControls::bottomSetRequested);
}

void LegendControls::ShowSettings() {
  loading_ = true;
  automatic_->setChecked(settings_.jido);
  jobWide_->setChecked(settings_.zentai);
  intervalSlider_->setValue(settings_.kankaku);
  bottomSlider_->setValue(settings_.kamen);
  scheme_->setValue(settings_.iro);
  hillshade_->setChecked(settings_.shadow);
  shadingMode_->setCurrentIndex(settings_.shadowmd == 1 ? 1 : 0);
  amount_->setValue(settings_.height);
  direction_->setValue(settings_.houi);
  loading_ = false;
  showAutomaticMode(settings_.jido);
  showHillshade(settings_.shadow);
  paintPreview();
}

void LegendControls::setAutomaticMode(bool on) { automatic_->setChecked(on); }

void LegendControls::showAutomaticMode(bool on) {
  intervalSlider_->setVisible(on);
  bottomSlider_->setVisible(on);
  intervalLabel_->setVisible(on);
  bottomLabel_->setVisible(on);
  intervalSet_->setVisible(!on);
  bottomSet_->setVisible(!on);
}

void LegendControls::showHillshade(bool on) {
  shadingMode_->setVisible(on);
  amountLabel_->setVisible(on);
  directionLabel_->setVisible(on);
  amount_->setVisible(on);
  direction_->setVisible(on);
}

void LegendControls::paintPreview() {
  preview_->setPixmap(QPixmap::fromImage(LegendPreviewImage(scheme_->value(), preview_->width(),
                                                            preview_->height())));
}

void ConnectLegendWidgets(LegendGrids& grids, LegendControls& controls) {
  QObject::connect(&grids, &LegendGrids::automaticModeSwitchedOff, &controls,
                   [&controls] { controls.setAutomaticMode(false); });
}

}  // namespace velkaro
