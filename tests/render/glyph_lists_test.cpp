#include <GL/gl.h>
#include <gtest/gtest.h>

#include <QImage>

#include "render/gl_view.h"
#include "render/glyph_lists.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

using test::TestJob;

// Ink pixels (dark) in a column range of the frame.
int InkInColumns(const QImage& frame, int x0, int x1, int y0, int y1) {
  int ink = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) ink += qGray(frame.pixel(x, y)) < 128;
  return ink;
}

// Calls the glyph lists for "（大）" one after the other at a large scale and
// checks that they set three separate glyphs side by side on one baseline.
TEST(GlyphLists, SetParenthesisedDaiLegibly) {
  TestJob t(400, 200, 200, 100);
  t.job.settings.haikei = 0xFFFFFF;
  ASSERT_TRUE(OpenView(t.job));
  t.surface->beginGL();
  glColor3f(0, 0, 0);
  glPushMatrix();
  glTranslated(10, 30, 0);   // map units: one per pixel
  glScaled(60, 60, 1);       // em = 60 pixels
  glCallList(kFirstGlyphList + 0);   // （
  glCallList(kFirstGlyphList + 3);   // 大
  glCallList(kFirstGlyphList + 1);   // ）
  glPopMatrix();
  CloseView(t.job);
  const QImage& frame = t.surface->frame();
  frame.save("/tmp/render_glyphs.png");

  const PixelRectF map = MapRect(t.job);
  const int left = static_cast<int>(map.left) + 10;
  const int baseline = static_cast<int>(map.bottom) - 30;
  // The glyphs stand on the baseline and reach up about one em.
  const int top = baseline - 60;
  int columnsWithInk = 0, gaps = 0;
  bool inGlyph = false;
  for (int x = left - 2; x < left + 200; ++x) {
    const bool ink = InkInColumns(frame, x, x + 1, top - 10, baseline + 15) > 0;
    columnsWithInk += ink;
    if (inGlyph && !ink) ++gaps;
    inGlyph = ink;
  }
  EXPECT_GE(gaps, 3) << "three separate glyphs";
  EXPECT_GT(columnsWithInk, 60);
  // "大" is a full-width glyph: plenty of ink in the middle em.
  const int ink = InkInColumns(frame, left + 30, left + 90, top, baseline);
  EXPECT_GT(ink, 200);
  EXPECT_LT(ink, 60 * 60 / 2) << "outline filled, not a solid block";
  // Nothing below the descent of the parentheses.
  EXPECT_EQ(InkInColumns(frame, left, left + 200, baseline + 20, baseline + 40), 0);
}

TEST(GlyphLists, EachListAdvancesByTheGlyphWidth) {
  TestJob t(200, 100, 100, 100);
  ASSERT_TRUE(OpenView(t.job));
  t.surface->beginGL();
  for (unsigned list = kFirstGlyphList; list < kFirstGlyphList + 5; ++list) {
    glPushMatrix();
    glLoadIdentity();
    glCallList(list);
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    EXPECT_GT(m[12], 0.2) << list;   // x translation in em units
    EXPECT_LT(m[12], 1.1) << list;
    EXPECT_DOUBLE_EQ(m[13], 0.0) << list;
  }
  CloseView(t.job);
}

}  // namespace
}  // namespace velkaro
