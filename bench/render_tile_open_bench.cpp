// Cost of opening and closing one tile view at 2048 x 1448: surface fill,
// a new OpenGL context, the view and clear, the reserved display lists, the
// outline glyphs and the symbol tessellator, then finishing into the image
// and deleting the context; and the hand-over of the image between direct
// drawing and GL, for a small change and for the whole image. A plain memset over the same image is the
// yardstick measured in the same run.

#include <GL/gl.h>
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "job/cell_buffer.h"
#include "job/job_context.h"
#include "render/gl_view.h"
#include "render/glyph_lists.h"
#include "render/render_surface.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QGuiApplication app(argc, argv);
  using namespace velkaro;

  SilentHost host(Answer::Ok);
  CellBuffer cells;
  JobContext job(JobSettings{}, host, cells);
  job.image.width = 2048;
  job.image.height = 1448;
  job.image.unitsPerPixel = 1.0;
  job.image.latFactor = 1.0;
  job.tile = {0, 0, 0, 1400, 1400, 0, 0, 0};
  job.tile.mapOffsetX = 700 - 2048 * 0.95 * 160 / 290 - 2048 * 0.025;
  job.tile.mapOffsetY = 700 - 1448 * 0.5;
  job.runFlag = true;
  job.settings.haikei = 0xE0F0FF;
  auto surface = CreateRenderSurface(job);

  const int rounds = 20;
  OpenView(job);   // warm-up: fonts and driver loaded once
  CloseView(job);
  const auto t0 = Clock::now();
  for (int k = 0; k < rounds; ++k) {
    OpenView(job);
    CloseView(job);
  }
  const auto t1 = Clock::now();

  // The parts: a bare context, and the outline glyphs on one context.
  const auto c0 = Clock::now();
  for (int k = 0; k < rounds; ++k) {
    surface->createContext();
    surface->deleteContext();
  }
  const auto c1 = Clock::now();
  surface->createContext();
  surface->beginGL();
  const auto g0 = Clock::now();
  for (int k = 0; k < rounds; ++k) CompileMapGlyphs(kFirstGlyphList);
  const auto g1 = Clock::now();

  // Round trips between the engines: a 2-D rectangle (GL output is
  // finished into the image first), then a GL point (the rectangle is
  // uploaded); once a small one, once the whole image, as after a tile's
  // relief is drawn. Seconds per trip.
  auto handOvers = [&](int right, int bottom) {
    const auto start = Clock::now();
    for (int k = 0; k < rounds; ++k) {
      surface->drawer().fillRect(0, 0, right, bottom);
      surface->beginGL();
      glBegin(GL_POINTS);
      glVertex2d(10, 10);
      glEnd();
    }
    surface->flush();
    return Seconds(start, Clock::now()) / rounds;
  };
  const double smallHandOver = handOvers(4, 4), wholeHandOver = handOvers(2048, 1448);
  surface->deleteContext();

  QImage& pixels = surface->beginPixels();
  const size_t bytes = static_cast<size_t>(pixels.sizeInBytes());
  const int fills = 200;
  const auto m0 = Clock::now();
  for (int k = 0; k < fills; ++k) std::memset(pixels.bits(), k & 0xFF, bytes);
  const auto m1 = Clock::now();

  const double perTile = Seconds(t0, t1) / rounds;
  const double perFill = Seconds(m0, m1) / fills;
  std::printf("tile open+close 2048x1448: %.2f ms/tile, %.1f tiles/s\n", perTile * 1e3, 1.0 / perTile);
  std::printf("  of which a bare context: %.2f ms, the five outline glyphs: %.2f ms\n",
              Seconds(c0, c1) / rounds * 1e3, Seconds(g0, g1) / rounds * 1e3);
  std::printf("engine hand-over GL -> 2-D -> GL: %.2f ms\n", smallHandOver * 1e3);
  std::printf("  with the whole image changed (up to GL and back): %.2f ms\n", wholeHandOver * 1e3);
  std::printf("yardstick memset of the image (%.1f MB): %.3f ms, %.0f MB/s\n", bytes / 1e6, perFill * 1e3,
              bytes / 1e6 / perFill);
  std::printf("one tile open+close costs %.0f image fills\n", perTile / perFill);
  return 0;
}
