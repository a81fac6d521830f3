#include <GL/gl.h>
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "render/colours.h"
#include "render/gl_view.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

struct Rgb {
  int r, g, b;
};
Colour C(Rgb c) { return MakeColour(c.r, c.g, c.b); }

TEST(Colours, LegendRampsOfSchemeZero) {
  const std::vector<std::pair<int, std::vector<Rgb>>> ramps = {
      {1, {{0, 0, 255}, {255, 0, 0}}},
      {2, {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}},
      {4, {{0, 0, 255}, {0, 255, 255}, {0, 255, 0}, {255, 255, 0}, {255, 0, 0}}},
      {8,
       {{0, 0, 255}, {0, 128, 255}, {0, 255, 255}, {0, 255, 127}, {0, 255, 0}, {128, 255, 0},
        {255, 255, 0}, {255, 127, 0}, {255, 0, 0}}},
  };
  for (const auto& [hdev, colours] : ramps)
    for (int i = 0; i <= hdev; ++i)
      EXPECT_EQ(rgb(i, hdev, 1.0f, 0), C(colours[static_cast<size_t>(i)])) << "hdev " << hdev << " i " << i;
}

TEST(Colours, PaleSchemeLongRampAndDarkening) {
  const Rgb scheme7[] = {{224, 224, 255}, {224, 255, 255}, {224, 255, 224}, {255, 255, 224}, {255, 224, 224}};
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(rgb(i, 4, 1.0f, 7), C(scheme7[i])) << i;
  EXPECT_EQ(rgb(31, 128, 1.0f, 0), C({0, 248, 255}));
  EXPECT_EQ(rgb(32, 128, 1.0f, 0), C({0, 255, 255}));
  EXPECT_EQ(rgb(0, 4, 0.5f, 0), C({0, 0, 127}));
  // No component of any legend leaves the byte range.
  for (int hdev : {1, 2, 4, 8, 16, 32, 64, 128})
    for (int scheme = 0; scheme <= 7; ++scheme)
      for (int i = 0; i <= hdev; ++i) EXPECT_EQ(rgb(i, hdev, 1.0f, scheme) & ~0xFFFFFF, 0);
}

TEST(Colours, ElevationClassesAtTheBoundaries) {
  struct Row {
    double value;
    int index;
  };
  const Row rows[] = {{-1, 0}, {0, 0}, {10, 1}, {10.01, 2}, {30, 3}, {30.01, 4}, {1e9, 4}};
  for (const Row& r : rows)
    EXPECT_EQ(elevcl(4, 1.0f, 10, 0, r.value, 0), rgb(r.index, 4, 1.0f, 0)) << r.value;
  // A legend without an interval puts everything at or above its bottom on top.
  EXPECT_EQ(elevcl(4, 1.0f, 0, 5, 7, 0), rgb(4, 4, 1.0f, 0));
  EXPECT_EQ(elevcl(4, 1.0f, 0, 5, 4, 0), rgb(0, 4, 1.0f, 0));
}

// The terrain mesh's class colours, darkened three channels at once, are
// elevcl's for every class and every sort of darkening: dimmed, full, too
// bright, below zero, none, not a number, far out of range.
TEST(Colours, LegendColoursAreElevclsForEveryDarkening) {
  const float decls[] = {1.0f, 0.0f, 0.5f, 0.999f, 0.3333f, 1e-7f, 1.5f, 7.0f, -0.3f, -1.0f,
                         std::numeric_limits<float>::quiet_NaN(), 1e20f, -1e20f, std::numeric_limits<float>::infinity()};
  for (int scheme : {0, 3, 7})
    for (int hdev : {1, 2, 4, 16, 128}) {
      const LegendColours colours(hdev, 10, -5, scheme);
      for (double value = -20; value <= hdev * 10 + 20; value += 3.3)
        for (float decl : decls)
          ASSERT_EQ(colours.at(value, decl), elevcl(hdev, decl, 10, -5, value, scheme))
              << "scheme " << scheme << " hdev " << hdev << " value " << value << " decl " << decl;
    }
  // Factors far out of range are cut, not wrapped around in the conversion.
  EXPECT_EQ(Darken(200, 1e20f), 255);
  EXPECT_EQ(Darken(200, -1e20f), 0);
  EXPECT_EQ(Darken(200, std::numeric_limits<float>::quiet_NaN()), 0);
  for (int i = 0; i < 100000; ++i) {   // darkenings between the listed ones
    const float decl = static_cast<float>(i) / 50000.0f - 0.5f;
    const LegendColours colours(8, 10, 0, 1);
    ASSERT_EQ(colours.at(i % 97, decl), elevcl(8, decl, 10, 0, i % 97, 1)) << decl;
  }
}

TEST(Colours, AreaNameColours) {
  EXPECT_EQ(areacl(""), C({199, 218, 237}));
  EXPECT_EQ(areacl("abc"), C({199, 250, 240}));
  // Very long names wrap the sum; the colour stays a valid colour.
  const Colour c = areacl(std::string(5000, 'z') + "市");
  EXPECT_EQ(c & ~0xFFFFFF, 0);
}

TEST(Colours, GcolorSetsTheComponentsOfTheColour) {
  test::TestJob t(20, 20, 10, 10);
  ASSERT_TRUE(OpenView(t.job));
  t.surface->beginGL();
  gcolor(C({199, 218, 237}));
  GLfloat current[4];
  glGetFloatv(GL_CURRENT_COLOR, current);
  CloseView(t.job);
  EXPECT_FLOAT_EQ(current[0], 199 / 255.0f);
  EXPECT_FLOAT_EQ(current[1], 218 / 255.0f);
  EXPECT_FLOAT_EQ(current[2], 237 / 255.0f);
}

}  // namespace
}  // namespace velkaro
