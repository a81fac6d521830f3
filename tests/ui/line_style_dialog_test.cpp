#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/line_style_dialog.h"
#include "ui/palette.h"
#include "ui_test_support.h"

namespace velkaro {
namespace {

struct LineStyleFixture : testing::WithApp, ::testing::Test {
  LineStyleDialog dialog;
};

TEST_F(LineStyleFixture, LabelNamesThePresetColour) {
  dialog.setColour(MakeColour(255, 0, 0));
  EXPECT_EQ(dialog.colourLabelText(), "No.1");
  dialog.setColour(MakeColour(254, 0, 0));
  EXPECT_EQ(dialog.colourLabelText(), "No.10");
  dialog.setColour(MakeColour(17, 34, 51));
  EXPECT_EQ(dialog.colourLabelText(), "TrueColor:332211");
  EXPECT_EQ(dialog.windowTitle(), "線の色、太さ設定");
}

TEST_F(LineStyleFixture, DoubleClickOnEntry5AcceptsWithBlue) {
  LineStyle style{MakeColour(255, 0, 0), 3, 12};
  QTimer::singleShot(0, &dialog, [this] {
    const SwatchRect r = PaletteSwatch(5);
    QTest::mouseDClick(&dialog, Qt::LeftButton, {}, QPoint(r.left + 5, r.top + 5));
  });
  ASSERT_TRUE(dialog.edit(style, "RdEdg"));
  EXPECT_EQ(style.colour, MakeColour(0, 0, 255));
  EXPECT_EQ(style.widthIndex, 3);
  EXPECT_EQ(style.sizeIndex, 12);
  EXPECT_EQ(dialog.windowTitle(), "RdEdg");
  EXPECT_EQ(dialog.colourLabelText(), "No.5");
}

TEST_F(LineStyleFixture, GapsPickNothingAndDoNotClose) {
  dialog.setColour(MakeColour(17, 34, 51));
  dialog.show();
  QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(31, 12));   // between two hue columns
  EXPECT_EQ(dialog.colour(), MakeColour(17, 34, 51));
  QTest::mouseDClick(&dialog, Qt::LeftButton, {}, QPoint(31, 12));
  EXPECT_TRUE(dialog.isVisible());
  QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(16, 70));    // entry 11
  EXPECT_EQ(dialog.colour(), MakeColour(255, 127, 127));
  EXPECT_EQ(dialog.colourLabelText(), "No.11");
  EXPECT_TRUE(dialog.isVisible());
  dialog.reject();
}

TEST_F(LineStyleFixture, CancelLeavesTheCallersStyle) {
  LineStyle style{MakeColour(1, 2, 3), 0, 5};
  QTimer::singleShot(0, &dialog, [this] {
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(16, 10));
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_FALSE(dialog.edit(style));
  EXPECT_EQ(style.colour, MakeColour(1, 2, 3));
}

TEST_F(LineStyleFixture, EnterIsOkWithTheFocusOnOk) {
  LineStyle style{MakeColour(240, 240, 240), 14, 28};
  QTimer::singleShot(0, &dialog, [this] {
    EXPECT_EQ(dialog.focusWidget(), dialog.okButton());
    QTest::keyClick(dialog.okButton(), Qt::Key_Return);
  });
  ASSERT_TRUE(dialog.edit(style));
  EXPECT_EQ(style.colour, MakeColour(240, 240, 240));
  EXPECT_EQ(style.widthIndex, 14);
  EXPECT_EQ(style.sizeIndex, 28);
  EXPECT_EQ(dialog.colourLabelText(), "TrueColor:F0F0F0");
}

TEST_F(LineStyleFixture, OutOfRangeIndicesAreHeldToTheLists) {
  dialog.setStyle({0, 40, -3});
  EXPECT_EQ(dialog.style().widthIndex, 14);
  EXPECT_EQ(dialog.style().sizeIndex, 0);
}

}  // namespace
}  // namespace velkaro
