#include "ui/ksj_theme_tab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/colour_check_box.h"
#include "ui/modifier_button.h"
#include "ui/ui_messages.h"

namespace velkaro {

namespace {
constexpr int kThemesPerColumn = 25;
}

KsjThemeTab::KsjThemeTab(JobSettings& settings, QWidget* parent) : QWidget(parent), s_(settings) {
  folderButton_ = new ModifierButton(QString::fromUtf8(ui_text::kKsjFolder));
  folderEdit_ = new QLineEdit;
  folderEdit_->setAccessibleName(QString::fromUtf8(ui_text::kKsjFolder));
  expandButton_ = new QPushButton(QString::fromUtf8(ui_text::kExpandSpaced));
  presetButton_ = new QPushButton(QString::fromUtf8(ui_text::kStandardColours));

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folderButton_);
  folderRow->addWidget(folderEdit_, 1);
  folderRow->addWidget(expandButton_);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(presetButton_);
  buttonRow->addStretch(1);

  auto* boxesPage = new QWidget;
  grid_ = new QGridLayout(boxesPage);
  grid_->setHorizontalSpacing(9);
  grid_->setVerticalSpacing(3);
  auto* scroll = new QScrollArea;
  scroll->setWidget(boxesPage);
  scroll->setWidgetResizable(true);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(folderRow);
  layout->addLayout(buttonRow);
  layout->addWidget(scroll, 1);

  connect(folderEdit_, &QLineEdit::textEdited, this, [this](const QString& t) {
    s_.syoufolder = t.toStdString();
    emit edited();
  });
  connect(folderButton_, &ModifierButton::clickedWith, this, &KsjThemeTab::folderButtonPressed);
  connect(expandButton_, &QPushButton::clicked, this, &KsjThemeTab::expandArchivesRequested);
  connect(presetButton_, &QPushButton::clicked, this, &KsjThemeTab::presetRequested);
}

void KsjThemeTab::buildThemes() {
  for (ColourCheckBox* b : boxes_) delete b;
  boxes_.clear();
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPointSize(10);
  for (size_t i = 0; i < s_.layers.ksj.size(); ++i) {
    auto* box = new ColourCheckBox(QString::fromStdString(s_.layers.ksj[i].caption));
    box->setObjectName(QStringLiteral("chk_j%1").arg(i));
    box->setFont(font);
    box->setMinimumWidth(236);
    grid_->addWidget(box, static_cast<int>(i) % kThemesPerColumn, static_cast<int>(i) / kThemesPerColumn);
    connect(box, &QCheckBox::toggled, this, [this, i](bool on) {
      if (i >= s_.layers.ksj.size() || s_.layers.ksj[i].on == on) return;
      s_.layers.ksj[i].on = on;
      emit edited();
    });
    connect(box, &ColourCheckBox::styleRequested, this, [this, i] { emit styleRequested(LayerRef::theme(static_cast<int>(i))); });
    boxes_.push_back(box);
  }
  grid_->setRowStretch(kThemesPerColumn, 1);
  grid_->setColumnStretch(static_cast<int>(s_.layers.ksj.size()) / kThemesPerColumn + 1, 1);
}

void KsjThemeTab::showSettings() {
  folderEdit_->setText(QString::fromStdString(s_.syoufolder));
  for (size_t i = 0; i < boxes_.size() && i < s_.layers.ksj.size(); ++i) {
    const KsjTheme& t = s_.layers.ksj[i];
    boxes_[i]->setChecked(t.on);
    boxes_[i]->setLayerColour(t.colour);
  }
}

}  // namespace velkaro
