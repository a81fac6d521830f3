#include <gtest/gtest.h>

#include <set>

#include "ui/palette.h"

namespace velkaro {
namespace {

struct EntryCase {
  int k;
  int r, g, b;
};

TEST(Palette, EntriesOfTheRuleFixedAndExceptions) {
  const EntryCase cases[] = {
      {0, 1, 0, 0},        {1, 255, 0, 0},      {5, 0, 0, 255},       {7, 0, 0, 0},
      {9, 192, 192, 192},  {11, 255, 127, 127}, {21, 255, 159, 127},  {23, 165, 103, 82},
      {248, 38, 0, 9},     {10, 254, 0, 0},     {50, 255, 254, 0},    {90, 0, 254, 0},
      {130, 0, 255, 254},  {170, 0, 0, 254},    {210, 254, 0, 255},   {250, 0, 1, 0},
      {255, 205, 205, 205},
      // Rule entries beside the exceptions keep the rule.
      {20, 255, 63, 0},    {40, 255, 191, 0},   {12, 165, 0, 0},      {18, 38, 0, 0}};
  for (const EntryCase& c : cases) {
    const Colour colour = PaletteColour(c.k);
    EXPECT_EQ(RedOf(colour), c.r) << "entry " << c.k;
    EXPECT_EQ(GreenOf(colour), c.g) << "entry " << c.k;
    EXPECT_EQ(BlueOf(colour), c.b) << "entry " << c.k;
  }
}

TEST(Palette, AllEntriesDifferAndNoneIsTheBackground) {
  const auto all = PaletteColours();
  const std::set<Colour> distinct(all.begin(), all.end());
  EXPECT_EQ(distinct.size(), all.size());
  EXPECT_EQ(distinct.count(kPaletteBackground), 0u);
}

TEST(Palette, ColourLabels) {
  EXPECT_EQ(ColourLabel(MakeColour(255, 0, 0)), "No.1");
  EXPECT_EQ(ColourLabel(MakeColour(254, 0, 0)), "No.10");
  EXPECT_EQ(ColourLabel(MakeColour(1, 0, 0)), "No.0");
  EXPECT_EQ(ColourLabel(MakeColour(17, 34, 51)), "TrueColor:332211");
  EXPECT_EQ(ColourLabel(MakeColour(0x12, 0x34, 0x56)), "TrueColor:563412");
  EXPECT_EQ(ColourLabel(MakeColour(240, 240, 240)), "TrueColor:F0F0F0");
}

TEST(Palette, PaintedLayoutAndHitTest) {
  // Upper block: darkest shade at the top of each hue column.
  EXPECT_EQ(PaletteEntryAt(16, 10), 18);
  EXPECT_EQ(PaletteEntryAt(16 + 15 - 1, 10 + 10 - 1), 18);
  EXPECT_EQ(PaletteEntryAt(16, 54), 10);
  EXPECT_EQ(PaletteEntryAt(24 * 16 + 3, 12), 248);
  // Lower block: pale shades, brightest at the top.
  EXPECT_EQ(PaletteEntryAt(16, 70), 11);
  EXPECT_EQ(PaletteEntryAt(32, 114), 29);
  // The squares of entries 1 … 9 and 250 … 255.
  EXPECT_EQ(PaletteEntryAt(100, 160), 5);   // 21*5-5 = 100
  EXPECT_EQ(PaletteEntryAt(16, 150), 1);
  EXPECT_EQ(PaletteEntryAt(16, 180), 250);
  EXPECT_EQ(PaletteEntryAt(21 * 5 + 35, 199), 255);
  // Gaps and free area pick nothing; right and bottom edges are excluded.
  EXPECT_EQ(PaletteEntryAt(31, 12), -1);    // between two hue columns
  EXPECT_EQ(PaletteEntryAt(20, 20), -1);    // between two shade rows
  EXPECT_EQ(PaletteEntryAt(5, 5), -1);
  EXPECT_EQ(PaletteEntryAt(500, 100), -1);
  // Entry 0 is painted nowhere.
  EXPECT_EQ(PaletteSwatch(0).right, PaletteSwatch(0).left);
}

}  // namespace
}  // namespace velkaro
