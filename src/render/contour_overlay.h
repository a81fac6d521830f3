#pragma once
// The tile's plain contour lines traced and drawn on threads of their own.
// The tracing only reads the grid, so it can start as soon as the grid is
// read; the lines go into a layer of their own and are laid over the image
// at the place in the drawing order where they belong. Meanwhile the main
// thread draws the terrain mesh and the map layers under them.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "elevation/contours.h"
#include "render/colours.h"
#include "render/line_raster.h"

namespace velkaro {

struct JobContext;

class ContourOverlay {
 public:
  enum class Target {
    Image,      // straight into the image: nothing else draws until finish()
    OwnLayer,   // into a layer laid over the image by finish()
  };

  // Starts the tracing and drawing (main thread: the GL view is read here).
  // When a layer of the image's size cannot be had, the lines are drawn
  // into the image once finish() is called.
  ContourOverlay(JobContext& ctx, Target target);
  ~ContourOverlay();
  ContourOverlay(const ContourOverlay&) = delete;
  ContourOverlay& operator=(const ContourOverlay&) = delete;

  // Waits for the lines, showing each level as it is done and pumping the
  // host; an abort seen there stops the threads. A level whose lines did
  // not fit the store stops the job with a warning. The lines then stand in
  // the image and GL's colour is that of the last one. Main thread.
  void finish();

 private:
  struct DoneLevel {
    double level = 0;
    TraceOutcome outcome = TraceOutcome::Kept;
  };

  void start();
  void run();
  void drawLevels(const std::function<bool(const DoneLevel&)>& afterLevel);
  bool showLevel(const DoneLevel& level);
  std::optional<DoneLevel> nextDone();
  void stop();

  JobContext& ctx_;
  PixelLayer layer_;
  std::optional<LineRaster> lines_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<DoneLevel> done_;
  bool finished_ = false;   // no more levels will come
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Whether the tile's contours are plain lines this overlay can draw (not
// the filled depressions, which GL draws between their outlines).
bool ContoursArePlainLines(const JobContext& ctx);

}  // namespace velkaro
