#pragma once
// "占有メモリー": raises the elevation pool for the next job and moves the
// split between the elevation grid and the contour store. Opened from the
// main window (Ctrl+Alt with the left button on "バージョン情報").

#include <QDialog>

#include "platform/memory_status.h"

class QLabel;
class QSlider;
class QSpinBox;

namespace velkaro {

class CellBuffer;

class MemoryBudgetDialog : public QDialog {
  Q_OBJECT
 public:
  // readStatus gives the physical memory status each time the dialog is
  // shown (ReadMemoryStatus by default; tests pass a fixed one).
  using StatusSource = MemoryStatus (*)();
  explicit MemoryBudgetDialog(CellBuffer& pool, QWidget* parent = nullptr,
                              StatusSource readStatus = &ReadMemoryStatus);

  // Ends the dialog. OK re-sizes the pool to the chosen steps and share (a
  // failed enlargement keeps the old pool and says so); Cancel puts the
  // controls back to the values shown at opening and leaves the pool alone.
  void done(int result) override;

  // After every job and at program start: steps 1, share 8, and the pool
  // back to one step.
  void Reset();

  QSpinBox* stepsField() const { return steps_; }
  QSlider* shareSlider() const { return share_; }
  QLabel* freeMemoryLabel() const { return free_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildLayout();

  CellBuffer& pool_;
  StatusSource readStatus_;
  QLabel* free_;
  QSpinBox* steps_;
  QSlider* share_;
  int savedSteps_ = 1;
  int savedShare_ = 8;
};

}  // namespace velkaro
