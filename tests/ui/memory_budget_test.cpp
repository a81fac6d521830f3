#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "job/cell_buffer.h"
#include "ui/memory_budget.h"
#include "ui/memory_budget_dialog.h"
#include "ui_test_support.h"

namespace velkaro {
namespace {

MemoryStatus StatusWithFreeKiB(uint64_t freeKiB) {
  MemoryStatus s;
  s.totalBytes = 8ull << 30;
  s.availableBytes = freeKiB << 10;
  s.valid = true;
  return s;
}

TEST(MemoryBudget, FreeMemoryAndLabel) {
  EXPECT_EQ(FreeMemoryKiB(StatusWithFreeKiB(1234567)), 1234567);
  EXPECT_EQ(FreeMemoryKiB(MemoryStatus{}), 0);
  // More than 2 TiB free stays positive.
  MemoryStatus big{8ull << 40, 4ull << 40, true};
  EXPECT_EQ(FreeMemoryKiB(big), int64_t(4) << 30);
  EXPECT_EQ(FreeMemoryLabel(1234567), "空きメモリー　1,234,567 KB");
  EXPECT_EQ(FreeMemoryLabel(0), "空きメモリー　0 KB");
  EXPECT_EQ(FreeMemoryLabel(999), "空きメモリー　999 KB");
  EXPECT_EQ(FreeMemoryLabel(1000), "空きメモリー　1,000 KB");
}

TEST(MemoryBudget, StepsMaximum) {
  EXPECT_EQ(StepsMaximum(1, 1000000), 13);
  EXPECT_EQ(StepsMaximum(1, 79999), 1);
  EXPECT_EQ(StepsMaximum(4, 80000), 5);
  EXPECT_EQ(StepsMaximum(3, 0), 3);
  // The pool's entry count must stay a 32-bit number.
  EXPECT_EQ(StepsMaximum(1, int64_t(1) << 40), kMaxCellSteps);
}

TEST(MemoryBudget, ResizeAndFailedEnlargement) {
  CellBuffer pool;
  ASSERT_TRUE(ResizePool(pool, 3, 5));
  EXPECT_EQ(pool.budget(), 6291456);
  EXPECT_EQ(pool.meshShare(), 5);
  EXPECT_EQ(StepsOf(pool), 3);
  pool.reset();
  EXPECT_EQ(pool.budget(), 2097152);
  EXPECT_EQ(pool.meshShare(), 8);
}

MemoryStatus ThousandMegabytesFree() { return StatusWithFreeKiB(1000000); }

struct DialogFixture : testing::WithApp, ::testing::Test {
  CellBuffer pool;
  MemoryBudgetDialog dialog{pool, nullptr, &ThousandMegabytesFree};
};

TEST_F(DialogFixture, OkResizesThePool) {
  QTimer::singleShot(0, &dialog, [this] {
    EXPECT_EQ(dialog.freeMemoryLabel()->text().toStdString(), "空きメモリー　1,000,000 KB");
    EXPECT_EQ(dialog.stepsField()->maximum(), 13);
    dialog.stepsField()->setValue(3);
    dialog.shareSlider()->setValue(5);
    QTest::keyClick(&dialog, Qt::Key_Return);
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(pool.budget(), 6291456);
  EXPECT_EQ(pool.meshShare(), 5);

  dialog.Reset();   // after the next job
  EXPECT_EQ(pool.budget(), 2097152);
  EXPECT_EQ(pool.meshShare(), 8);
  EXPECT_EQ(dialog.stepsField()->value(), 1);
  EXPECT_EQ(dialog.shareSlider()->value(), 8);
}

TEST_F(DialogFixture, CancelRestoresTheShownValues) {
  QTimer::singleShot(0, &dialog, [this] {
    dialog.stepsField()->setValue(7);
    dialog.shareSlider()->setValue(2);
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_EQ(dialog.stepsField()->value(), 1);
  EXPECT_EQ(dialog.shareSlider()->value(), 8);
  EXPECT_EQ(pool.budget(), 2097152);
  EXPECT_EQ(pool.meshShare(), 8);
  EXPECT_EQ(dialog.windowTitle(), "占有メモリー");
}

}  // namespace
}  // namespace velkaro
