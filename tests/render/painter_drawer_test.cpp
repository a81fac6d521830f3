#include <gtest/gtest.h>

#include <QImage>

#include "render/painter_drawer.h"
#include "render_test_support.h"

namespace velkaro {
namespace {

constexpr Colour kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF, kGreen = 0x00FF00;

struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

InkBox InkOf(const QImage& image, QRgb background) {
  InkBox b;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) {
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
        ++b.count;
      }
  return b;
}

TEST(PainterDrawer, FacesMapToIpaFamilies) {
  const std::pair<const char*, const char*> rows[] = {
      {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ Ｐ明朝", "IPAPMincho"}, {"ＭＳ 明朝", "IPAMincho"},
      {"@ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"}, {"DejaVu Sans", "DejaVu Sans"}};
  for (const auto& [face, family] : rows) EXPECT_EQ(FamilyForFace(face), family) << face;
}

TEST(PainterDrawer, SizesAsCellHeightCharacterHeightOrPoints) {
  test::TestJob t(100, 100, 10, 10);
  PainterDrawer& d = t.surface->drawer();
  d.setFont({kFacePGothic, FontSizeKind::CellHeight, 30});
  EXPECT_NEAR(d.textHeight("0"), 30, 1);
  d.setFont({kFacePGothic, FontSizeKind::CharHeight, 30});
  const int cellOfChar30 = d.textHeight("0");
  EXPECT_GE(cellOfChar30, 30);
  d.setFont({kFacePGothic, FontSizeKind::Points, 22.5});   // 30 pixels at 96 dpi
  EXPECT_EQ(d.textHeight("0"), cellOfChar30);
  const int w1 = d.textWidth("地図");
  EXPECT_NEAR(w1, 60, 3);
  d.setFont({kFaceVerticalPGothic, FontSizeKind::CharHeight, 30});
  EXPECT_EQ(d.textWidth("地図"), 60);
  // Sizes out of any sensible range are held to one pixel ... 4096 pixels.
  d.setFont({kFacePGothic, FontSizeKind::CharHeight, 1e15});
  EXPECT_GT(d.textHeight("0"), 4000);
  EXPECT_LT(d.textHeight("0"), 6000);
  d.setFont({kFacePGothic, FontSizeKind::CharHeight, 0});
  EXPECT_GE(d.textHeight("0"), 1);
}

TEST(PainterDrawer, TextOutTransparentOpaqueVerticalAndTurned) {
  struct Row {
    const char* what;
    FontSpec font;
    bool transparent;
    bool expectTall;
  };
  const Row rows[] = {
      {"horizontal", {kFacePGothic, FontSizeKind::CharHeight, 20}, true, false},
      {"vertical", {kFaceVerticalPGothic, FontSizeKind::CharHeight, 20, false, -900}, true, true},
      {"turned up", {kFacePGothic, FontSizeKind::CharHeight, 20, false, 900}, true, true},
  };
  for (const Row& r : rows) {
    test::TestJob t(200, 200, 10, 10);
    PainterDrawer& d = t.surface->drawer();
    d.setFont(r.font);
    d.setTextColour(kBlack);
    d.setTransparentBackground(r.transparent);
    d.textOut(100, 100, "地図記号");
    t.surface->frame().save(QString("/tmp/render_text_%1.png").arg(r.font.escapement));
    const InkBox ink = InkOf(t.surface->frame(), 0xFFFFFF);
    ASSERT_GT(ink.count, 50) << r.what;
    if (r.expectTall) {
      EXPECT_GT(ink.height(), 2 * ink.width()) << r.what;
    } else {
      EXPECT_GT(ink.width(), 2 * ink.height()) << r.what;
      EXPECT_GE(ink.left, 100) << r.what;
      EXPECT_GE(ink.top, 100) << r.what;
    }
    if (r.font.escapement == 900) {
      EXPECT_LT(ink.bottom, 102) << "text runs up from its corner";
    }
    if (r.font.vertical()) {
      EXPECT_GE(ink.top, 99) << "text runs down from its corner";
    }
  }
  // An opaque background fills the text cell.
  test::TestJob t(200, 200, 10, 10);
  PainterDrawer& d = t.surface->drawer();
  d.setFont({kFacePGothic, FontSizeKind::CellHeight, 24});
  d.setTransparentBackground(false);
  d.setBackgroundColour(kRed);
  d.textOut(10, 10, "凡例");
  EXPECT_EQ(t.pixel(11, 11), kRed);
  EXPECT_EQ(t.pixel(10 + d.textWidth("凡例") - 2, 10 + 23), kRed);
  EXPECT_EQ(t.pixel(10 + d.textWidth("凡例") + 2, 10 + 12), kWhite);
}

TEST(PainterDrawer, RectanglesAndPenLinesWithWidths) {
  test::TestJob t(100, 100, 10, 10);
  PainterDrawer& d = t.surface->drawer();
  d.setBrush(kRed);
  d.fillRect(10, 10, 20, 15);
  EXPECT_EQ(t.pixel(10, 10), kRed);
  EXPECT_EQ(t.pixel(19, 14), kRed);
  EXPECT_EQ(t.pixel(20, 14), kWhite) << "right edge excluded";
  EXPECT_EQ(t.pixel(19, 15), kWhite) << "bottom edge excluded";
  d.setPen(kGreen, 3);
  d.moveTo(10, 50);
  d.lineTo(90, 50);
  int rows = 0;
  for (int y = 40; y < 60; ++y) rows += t.pixel(50, y) == kGreen;
  EXPECT_EQ(rows, 3);
}

TEST(PainterDrawer, FloodFillStopsAtTheBorderColour) {
  test::TestJob t(100, 100, 10, 10);
  PainterDrawer& d = t.surface->drawer();
  d.setPen(kBlack, 1);
  // A closed outline with a notch, and a red blob inside that is not a border.
  d.moveTo(20, 20);
  d.lineTo(80, 20);
  d.lineTo(80, 80);
  d.lineTo(50, 80);
  d.lineTo(50, 50);
  d.lineTo(20, 50);
  d.lineTo(20, 20);
  d.setBrush(kRed);
  d.fillRect(30, 30, 35, 35);
  d.setBrush(kGreen);
  EXPECT_TRUE(d.floodFill(60, 30, kBlack));
  EXPECT_EQ(t.pixel(60, 30), kGreen);
  EXPECT_EQ(t.pixel(70, 75), kGreen) << "into the arm";
  EXPECT_EQ(t.pixel(32, 32), kGreen) << "other colours are filled over";
  EXPECT_EQ(t.pixel(30, 60), kWhite) << "outside the outline";
  EXPECT_EQ(t.pixel(5, 5), kWhite);
  EXPECT_EQ(t.pixel(20, 20), kBlack);
  EXPECT_FALSE(d.floodFill(20, 20, kBlack)) << "on the border";
  EXPECT_FALSE(d.floodFill(-1, 5, kBlack));
  EXPECT_FALSE(d.floodFill(100, 5, kBlack));
}

}  // namespace
}  // namespace velkaro
