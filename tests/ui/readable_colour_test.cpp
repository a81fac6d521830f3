// Coloured captions keep their colour where it reads and only then move
// towards black or white.
#include <gtest/gtest.h>

#include "ui/readable_colour.h"

namespace velkaro {
namespace {

TEST(ReadableColourTest, KeepsLegibleColoursAndFixesPaleOnes) {
  const struct {
    QColor text, background;
    bool unchanged;
  } cases[] = {
      {Qt::black, Qt::white, true},
      {QColor(255, 0, 0), Qt::white, true},         // red on white reads
      {Qt::white, Qt::white, false},                // white on white does not
      {QColor(255, 230, 200), Qt::white, false},    // pale orange
      {QColor(181, 111, 55), QColor(74, 144, 200), false},  // mid-tone inverse of a mid-tone box
  };
  for (const auto& c : cases) {
    const QColor shown = ReadableOn(c.text, c.background);
    EXPECT_EQ(shown == c.text, c.unchanged) << c.text.name().toStdString() << " on " << c.background.name().toStdString();
    EXPECT_GE(ContrastRatio(shown, c.background), 3.0);
  }
}

TEST(ReadableColourTest, PaleColourKeepsItsHueWhenDarkened) {
  const QColor shown = ReadableOn(QColor(255, 200, 150), Qt::white);
  EXPECT_GT(shown.red(), shown.green());
  EXPECT_GT(shown.green(), shown.blue());
}

}  // namespace
}  // namespace velkaro
