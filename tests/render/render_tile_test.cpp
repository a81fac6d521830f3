#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>

#include "render/gl_view.h"
#include "render/layer_drawing.h"
#include "output/bmp_messages.h"
#include "render/render_tile.h"
#include "render_test_support.h"
#include "run/tile_sequence.h"
#include "scratch/scratch_file.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

constexpr Colour kBackground = 0x336699;

class RenderTileTest : public ::testing::Test {
 protected:
  RenderTileTest() : t(320, 240, 200, 200) {
    folder = fs::temp_directory_path() /
             ("velkaro_tile_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    t.job.settings.writefolder = folder.string();
    t.job.settings.haikei = kBackground;
    t.job.settings.type = 0;
  }
  ~RenderTileTest() override { fs::remove_all(folder); }

  LayerNode& AddLayer(LayerTree& tree, const std::string& text, int32_t mask, Colour colour,
                      const std::string& scratch) {
    if (tree.groups.empty()) tree.groups.emplace_back();
    LayerNode node;
    node.text = text;
    node.on = true;
    node.entry.colour = colour;
    node.entry.readerMask = mask;
    std::ofstream(ScratchPath(t.job, text), std::ios::binary) << scratch;
    return tree.groups.back().children.emplace_back(node);
  }
  Colour At(double x, double y) {
    return t.pixel(static_cast<int>(PixelX(t.job, x)), static_cast<int>(PixelY(t.job, y)));
  }

  test::TestJob t;
  fs::path folder;
};

const char* kSquare = "sep\nx\n4\n40\n40\n160\n40\n160\n160\n40\n160\n";
const char* kAcross = "0\n100\n200\n100\nsep\n";

TEST_F(RenderTileTest, EmptyTileShowsTheBackgroundAndIsWrittenAsBmp) {
  const std::string out = (folder / "地図A1.bmp").string();
  DrawAndWriteTile(t.job, out);
  ASSERT_TRUE(t.job.runFlag);
  QImage written(QString::fromStdString(out));
  ASSERT_FALSE(written.isNull());
  EXPECT_EQ(written.size(), QSize(320, 240));
  const PixelRectF r = MapRect(t.job);
  for (double fx : {0.1, 0.5, 0.9})
    for (double fy : {0.1, 0.5, 0.9}) {
      const int x = static_cast<int>(r.left + (r.right - r.left) * fx);
      const int y = static_cast<int>(r.top + (r.bottom - r.top) * fy);
      EXPECT_EQ(written.pixel(x, y) & 0xFFFFFF, QColor(0x99, 0x66, 0x33).rgb() & 0xFFFFFF) << x << "," << y;
    }
  EXPECT_EQ(t.host.shownCount, 1);
}

TEST_F(RenderTileTest, AnimationFrameWritesNothing) {
  AddLayer(t.job.settings.layers.fgd, "1水域", GML1024Hatch, 0xFF0000, kSquare);
  t.job.settings.type = 1;
  RenderTile(t.job);
  EXPECT_EQ(At(100, 100), 0xFF0000);
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++files;
  EXPECT_EQ(files, 1u) << "only the scratch file";
  EXPECT_EQ(t.host.shownCount, 1);
}

TEST_F(RenderTileTest, LayersHigherInTheTreeAndLaterKindsAreOnTop) {
  LayerTree& fgd = t.job.settings.layers.fgd;
  AddLayer(fgd, "1上の面", GML1024Hatch, 0x0000FF, kSquare);
  AddLayer(fgd, "2下の面", GML1024Hatch, 0x00FF00, "sep\nx\n4\n0\n0\n120\n0\n120\n120\n0\n120\n");
  // Listed last, but lines follow areas.
  AddLayer(fgd, "3線", GML32Poly, 0x000000, kAcross).entry.widthIndex = 2;
  LayerNode& off = AddLayer(fgd, "4消えた面", GML1024Hatch, 0xFFFFFF, kSquare);
  off.on = false;
  // The KKJ tree is drawn after the FGD tree within each step.
  AddLayer(t.job.settings.layers.kkj, "5基本面", GML1024Hatch, 0xFF00FF, "sep\nx\n4\n150\n150\n190\n150\n190\n190\n150\n190\n");
  KsjTheme area;
  area.caption = "6浸水";
  area.on = true;
  area.colour = 0x808080;
  area.readerMask = 32;
  std::ofstream(ScratchPath(t.job, area.caption), std::ios::binary) << "sep\n0\n4\n0\n150\n60\n150\n60\n200\n0\n200\n";
  t.job.settings.layers.ksj.push_back(area);
  t.job.settings.kankaku = 0;

  RenderTile(t.job);
  t.surface->frame().save("/tmp/render_tile_layers.png");
  EXPECT_EQ(At(60, 60), 0x0000FF) << "the upper area over the lower one";
  EXPECT_EQ(At(20, 20), 0x00FF00) << "the lower area where the upper one is not";
  EXPECT_EQ(At(100, 100), 0x000000) << "the line over the areas";
  EXPECT_EQ(At(170, 170), 0xFF00FF) << "the KKJ area over the FGD area";
  EXPECT_EQ(At(20, 180), 0x808080) << "the theme area";
  EXPECT_EQ(At(50, 155), 0x0000FF) << "areas of the trees over the theme area";
}

TEST_F(RenderTileTest, UnwritableOutputStopsTheJobWithAMessage) {
  DrawAndWriteTile(t.job, (folder / "no-such-folder" / "地図.bmp").string());
  EXPECT_FALSE(t.job.runFlag);
  ASSERT_EQ(t.host.asks.size(), 1u);
  EXPECT_EQ(t.host.asks[0].first, bmp_messages::kBmpWriteCaption);
  EXPECT_FALSE(t.job.errorText.empty());
}

TEST_F(RenderTileTest, AbortedJobDrawsAndWritesNothing) {
  RenderTile(t.job);
  t.job.runFlag = false;
  t.job.settings.haikei = 0xFFFFFF;
  const std::string out = (folder / "地図.bmp").string();
  DrawAndWriteTile(t.job, out);
  EXPECT_FALSE(fs::exists(out));
  const int cx = t.job.image.width / 2, cy = t.job.image.height / 2;  // inside the map, not the margin
  EXPECT_EQ(t.pixel(cx, cy), kBackground) << "the previous tile stays";
  EXPECT_EQ(t.host.shownCount, 1);
}

}  // namespace
}  // namespace velkaro
