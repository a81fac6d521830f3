#include "ui/memory_budget_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>

#include "job/cell_buffer.h"
#include "ui/dialog_messages.h"
#include "ui/memory_budget.h"

namespace velkaro {

MemoryBudgetDialog::MemoryBudgetDialog(CellBuffer& pool, QWidget* parent, StatusSource readStatus)
    : QDialog(parent),
      pool_(pool),
      readStatus_(readStatus),
      free_(new QLabel(dialog_msg::kFreeMemory, this)),
      steps_(new QSpinBox(this)),
      share_(new QSlider(Qt::Horizontal, this)) {
  setWindowTitle(dialog_msg::kMemoryCaption);
  // No close box: the dialog ends with O K or Cancel (or Escape).
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  steps_->setRange(1, 49);
  steps_->setValue(CellBuffer::kDefaultSteps);
  share_->setRange(2, 8);
  share_->setValue(CellBuffer::kDefaultMeshShare);
  share_->setTickPosition(QSlider::TicksBelow);
  share_->setTickInterval(1);
  share_->setPageStep(1);
  buildLayout();
}

void MemoryBudgetDialog::buildLayout() {
  auto* grid = new QGridLayout(this);
  grid->addWidget(free_, 0, 0, 1, 3);
  grid->addWidget(new QLabel(dialog_msg::kEnlargement, this), 1, 0);
  grid->addWidget(steps_, 1, 1);
  grid->addWidget(share_, 2, 0, 1, 3);
  grid->addWidget(new QLabel(dialog_msg::kToContours, this), 3, 0, Qt::AlignLeft);
  grid->addWidget(new QLabel(dialog_msg::kToMesh, this), 3, 2, Qt::AlignRight);
  auto* ok = new QPushButton(dialog_msg::kOk, this);
  auto* cancel = new QPushButton(dialog_msg::kCancelButton, this);
  ok->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 4, 0, 1, 3);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void MemoryBudgetDialog::showEvent(QShowEvent* event) {
  savedSteps_ = steps_->value();
  savedShare_ = share_->value();
  const int64_t freeKiB = FreeMemoryKiB(readStatus_());
  free_->setText(QString::fromStdString(FreeMemoryLabel(freeKiB)));
  steps_->setMaximum(StepsMaximum(savedSteps_, freeKiB));
  adjustSize();
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  QDialog::showEvent(event);
}

void MemoryBudgetDialog::done(int result) {
  if (result != QDialog::Accepted) {
    steps_->setValue(savedSteps_);
    share_->setValue(savedShare_);
  } else if (!ResizePool(pool_, steps_->value(), share_->value())) {
    steps_->setValue(StepsOf(pool_));
    share_->setValue(pool_.meshShare());
    QMessageBox::warning(parentWidget(), dialog_msg::kMemoryCaption, dialog_msg::kEnlargeFailed);
  }
  QDialog::done(result);
}

void MemoryBudgetDialog::Reset() {
  steps_->setValue(CellBuffer::kDefaultSteps);
  share_->setValue(CellBuffer::kDefaultMeshShare);
  pool_.reset();
}

}  // namespace velkaro
