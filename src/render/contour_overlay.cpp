#include "render/contour_overlay.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <system_error>
#include <vector>

#include "elevation/messages.h"
#include "job/job_context.h"
#include "render/contour_levels.h"
#include "render/level_tracer.h"
#include "render/render_surface.h"

namespace velkaro {

namespace text = elevation_text;

bool ContoursArePlainLines(const JobContext& ctx) { return ctx.settings.taisyo != kDepressionAreas; }

ContourOverlay::ContourOverlay(JobContext& ctx, Target target) : ctx_(ctx) {
  if (!ctx.helperThreads) return;   // one thread: the lines are drawn in finish()
  if (target == Target::Image) {
    start();
    return;
  }
  try {
    if (ctx.surface && ctx.surface->tileOpen()) layer_.cover(ctx.surface->width(), ctx.surface->height());
  } catch (const std::bad_alloc&) {
    layer_ = PixelLayer{};   // no room for a layer: drawn into the image in finish()
    return;
  }
  start();
}

ContourOverlay::~ContourOverlay() {
  stop();
  if (thread_.joinable()) thread_.join();
}

// The lines' raster is made here, on the main thread, where GL's view can
// be read; the thread then only fills pixels. Without a thread to be had
// (or wanted) the lines are drawn by finish().
void ContourOverlay::start() {
  if (layer_.pixels.empty())
    lines_.emplace(ctx_);
  else
    lines_.emplace(ctx_, layer_);
  if (!ctx_.helperThreads) return;
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    // No thread to be had: finish() draws the lines.
  }
}

void ContourOverlay::stop() {
  stop_ = true;
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

void ContourOverlay::run() {
  try {
    drawLevels([this](const DoneLevel& level) {
      std::lock_guard lock(mutex_);
      done_.push_back(level);
      changed_.notify_all();
      return true;
    });
  } catch (const std::bad_alloc&) {
    std::lock_guard lock(mutex_);
    done_.push_back(DoneLevel{0, TraceOutcome::StoreFull});   // no room for a level's lines
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

// Traces each level (one ahead, on the level tracer's thread when the job
// has threads to spare) and draws its lines, handing every level done to
// `afterLevel`, which returns false to stop.
void ContourOverlay::drawLevels(const std::function<bool(const DoneLevel&)>& afterLevel) {
  JobContext& ctx = ctx_;
  const ElevationGrid& g = ctx.elevGrid;
  const ContourLevels levels = ContourLevelsOf(ctx);
  if (g.gridCols < 2 || g.gridRows < 2 || !levels.any()) return;
  ContourStore store = ClearedContourStore(ctx);
  ContourTracer tracer = TracerOf(ctx, store);
  const GridProjector projector(ctx);
  LevelTracer traced(tracer, store, levels.first, levels.lowest, levels.legend.interval, ctx.helperThreads);
  std::vector<TessVertex> ring;
  LineRaster& lines = *lines_;
  TracedLevel level;
  while (!stop_ && traced.next(level, {})) {
    if (level.outcome == TraceOutcome::Kept || level.outcome == TraceOutcome::Dropped) {
      const LevelStyle style = LevelStyleOf(ctx, levels.legend, level.level);
      lines.setColour(style.outline);
      lines.setWidth(style.width);
      ForEachStoredLine(projector, level.lines, level.level, ring, [&](std::vector<TessVertex>& line, bool closed) {
        for (const TessVertex& vertex : line) lines.vertex(vertex.x, vertex.y);
        if (closed && !line.empty()) lines.vertex(line[0].x, line[0].y);
        lines.endStrip();
      });
    }
    if (!afterLevel(DoneLevel{level.level, level.outcome})) break;
    if (level.outcome == TraceOutcome::StoreFull || level.outcome == TraceOutcome::Aborted) break;
  }
}

// The next level done, or nothing when no more will come; pumps the host
// while it waits and stops the drawing on an abort.
std::optional<ContourOverlay::DoneLevel> ContourOverlay::nextDone() {
  std::unique_lock lock(mutex_);
  while (done_.empty() && !finished_) {
    if (changed_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout) {
      lock.unlock();
      ctx_.host.pump();
      if (!ctx_.runFlag) stop();
      lock.lock();
    }
  }
  if (done_.empty()) return std::nullopt;
  const DoneLevel level = done_.front();
  done_.pop_front();
  return level;
}

bool ContourOverlay::showLevel(const DoneLevel& level) { return ShowContourLevel(ctx_, level.level, level.outcome); }

void ContourOverlay::finish() {
  JobContext& ctx = ctx_;
  ctx.host.setLabel(LabelRole::Group, text::kStepContours);
  if (!lines_) start();   // no layer or no thread: the lines go into the image now
  if (!thread_.joinable()) {
    try {
      if (ctx.runFlag)
        drawLevels([&](const DoneLevel& level) {
          ctx.host.pump();
          return ctx.runFlag && showLevel(level);
        });
    } catch (const std::bad_alloc&) {
      showLevel(DoneLevel{0, TraceOutcome::StoreFull});   // no room for a level's lines
    }
  } else {
    for (;;) {
      ctx.host.pump();
      if (!ctx.runFlag) break;
      const std::optional<DoneLevel> level = nextDone();
      if (!level || !ctx.runFlag || !showLevel(*level)) break;
    }
  }
  stop();
  if (thread_.joinable()) thread_.join();
  if (!layer_.pixels.empty() && ctx.runFlag) layer_.layOver(ctx.surface->beginPixels());
  lines_->flush();
  if (ctx.surface) {
    ctx.surface->setGlLineWidth(1);
  }
  ctx.host.setLabel(LabelRole::Group, "");
}

}  // namespace velkaro
