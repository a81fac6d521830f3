#pragma once
// Shared helpers of the rendering tests: a GUI application for fonts, a
// small job with one tile, and a host that records what it is shown.

#include <QGuiApplication>
#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "job/cell_buffer.h"
#include "job/job_context.h"
#include "render/colours.h"
#include "render/render_surface.h"

namespace velkaro::test {

inline void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_render";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

class RecordingHost : public JobHost {
 public:
  void setLabel(LabelRole role, const std::string& text) override {
    labels.push_back({role, text});
  }
  void pump() override { ++pumps; }
  Answer ask(const std::string& title, const std::string& text, Buttons) override {
    asks.push_back({title, text});
    return Answer::Ok;
  }
  void showImage(const QImage& image) override { shown = image; ++shownCount; }

  std::vector<std::pair<LabelRole, std::string>> labels;
  std::vector<std::pair<std::string, std::string>> asks;
  QImage shown;
  int shownCount = 0;
  int pumps = 0;
};

// A job of width x height pixels, one pixel per map unit, whose one tile
// spans tileW x tileH map units from (0, 0).
struct TestJob {
  TestJob(int width, int height, double tileW, double tileH) : job(JobSettings{}, host, cells) {
    EnsureGuiApplication();
    job.image.width = width;
    job.image.height = height;
    job.image.unitsPerPixel = 1.0;
    job.image.latFactor = 1.0;
    job.coords.unitScale = 1.0;
    job.runFlag = true;
    setTile(0, tileW, 0, tileH);
    surface = CreateRenderSurface(job);
  }
  void setTile(double west, double east, double south, double north) {
    CurrentTile& t = job.tile;
    t.west = west, t.east = east, t.south = south, t.north = north;
    const double w = job.image.width, h = job.image.height;
    t.mapOffsetX = ((west + east) / 2) / job.image.unitsPerPixel * job.image.latFactor -
                   w * 0.95 * 160 / 290 - w * 0.025;
    t.mapOffsetY = ((south + north) / 2) / job.image.unitsPerPixel - h * 0.5;
  }
  // 0x00BBGGRR of a pixel of the finished frame.
  Colour pixel(int x, int y) {
    const QRgb p = surface->frame().pixel(x, y);
    return MakeColour(qRed(p), qGreen(p), qBlue(p));
  }

  RecordingHost host;
  CellBuffer cells;
  JobContext job;
  std::unique_ptr<RenderSurface> surface;
};

}  // namespace velkaro::test
