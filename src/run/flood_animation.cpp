#include "run/flood_animation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "job/job_context.h"
#include "run/run_messages.h"
#include "output/animation_messages.h"
#include "output/avi_writer.h"
#include "output/frame_capture.h"
#include "output/mp4_writer.h"
#include "render/render_surface.h"
#include "render/render_tile.h"

namespace velkaro {
namespace {

// The rise stops at the first level within this of the top.
constexpr double kTopTolerance = 0.009;
// Levels are stepped by repeated addition; a fall level this close to the
// bottom (relative to the step) is the bottom itself, not one more frame.
constexpr double kBottomTolerance = 1e-6;
// An MP4 has no 4 GB limit, but a sequence this long would run for days.
constexpr double kMaxMp4Levels = 100000;

std::string LevelText(double level) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.2f", level);
  return text;
}

// What would keep the sequence from ending or the file from being written,
// as the message to show; empty when the animation can be written.
std::string Refusal(double bottom, double top, double interval, int imageSize, bool mp4) {
  namespace m = animation_messages;
  if (!std::isfinite(bottom) || !std::isfinite(top)) return m::kBadLevels;
  if (!std::isfinite(interval) || !(interval > 0)) return m::kIntervalNotPositive;
  // The step must move every level the sequence passes through.
  const double largest = std::max(std::abs(bottom), std::abs(top)) + interval;
  if (!(largest + interval > largest)) return m::kIntervalNotPositive;
  // Each level of the rise and the fall is one frame: estimate the file
  // before stepping through what may be billions of levels.
  const double levels = std::max(0.0, (top - bottom) / interval) + 1;
  if (mp4) return levels > kMaxMp4Levels ? m::kTooManyFrames : std::string();
  const double sampleBytes = double(imageSize) + 8 + 16;
  if (2 * levels * sampleBytes > double(AviWriter::kMaxFileBytes)) return m::kTooLarge;
  return {};
}

void StopJob(JobContext& job, const std::string& title, const std::string& text) {
  job.runFlag = false;
  job.errorText = text;
  job.host.ask(title, text, Buttons::Ok);
}

std::string OutputFolderFile(const JobContext& job, const char* name) {
  std::string path = job.settings.writefolder;
  if (path.empty() || path.back() != '/') path += '/';
  return path + name;
}

// One animation being written: the file, the capture buffers and the frame
// position.
class AnimationRun {
 public:
  AnimationRun(JobContext& job, const FloodFrameRenderer& render, bool mp4)
      : job_(job), render_(render), mp4_(mp4) {}

  bool open(const std::string& path, const AviVideoStream& stream) {
    namespace m = animation_messages;
    if (mp4_) {
      std::string error;
      if (mp4Writer_.open(path, stream.width, stream.height, static_cast<int>(stream.rate), &error)) return true;
      mp4Writer_.close(nullptr);
      StopJob(job_, m::kMp4ErrorTitle, error);
      return false;
    }
    int code = 0;
    path_ = path;
    if (!avi_.open(path, &code)) {
      StopJob(job_, m::kOpenFileErrorTitle, m::OpenFileErrorText(path, code));
      return false;
    }
    if (!avi_.createVideoStream(stream, &code)) {
      avi_.close(nullptr);
      StopJob(job_, m::kStreamErrorTitle, m::StreamErrorText(path, code));
      return false;
    }
    int headerSize = 0, imageSize = 0;
    std::string error;
    if (!InternalGetDIBSizes(job_.surface->frame(), headerSize, imageSize, PixelFormat24bppRGB, &error)) {
      StopJob(job_, m::kStreamErrorTitle, error);
      return false;
    }
    bits_.assign(static_cast<size_t>(imageSize), 0);
    return true;
  }

  void play(const FloodStep& step) {
    job_.host.setLabel(LabelRole::Numerator, LevelText(step.level));
    job_.waterLevel = step.level;
    if (step.phase == FloodPhase::FirstHold) {
      // Later frames measure their flooded area from this frame's dry count.
      if (job_.surface) job_.surface->tile().dryTriangleCount = 0;
      job_.baselineDryCount = 0;
      render_(job_);
      if (job_.surface) job_.baselineDryCount = job_.surface->tile().dryTriangleCount;
      for (int i = 0; i < step.frames; ++i) writeFrame();
      return;
    }
    render_(job_);
    for (int i = 0; i < step.frames; ++i) {
      job_.host.pump();
      writeFrame();
    }
  }

  void close() {
    if (mp4_) {
      std::string error;
      if (!mp4Writer_.close(&error) && job_.runFlag) StopJob(job_, animation_messages::kMp4ErrorTitle, error);
      return;
    }
    int code = 0;
    if (!avi_.close(&code) && job_.runFlag)
      StopJob(job_, animation_messages::kStreamErrorTitle, animation_messages::StreamErrorText(path_, code));
  }

 private:
  void writeFrame() {
    if (!job_.runFlag) return;
    std::string error;
    if (mp4_) {
      if (!mp4Writer_.writeFrame(job_.surface->frame(), &error))
        StopJob(job_, animation_messages::kMp4ErrorTitle, error);
      return;
    }
    if (!InternalGetDIB(job_.surface->frame(), nullptr, info_, bits_.data(), PixelFormat24bppRGB, &error)) {
      StopJob(job_, animation_messages::kStreamErrorTitle, error);
      return;
    }
    avi_.setFormat(info_.header);
    int code = 0;
    if (!avi_.writeFrame(bits_.data(), static_cast<uint32_t>(bits_.size()), &code))
      StopJob(job_, animation_messages::kStreamErrorTitle, animation_messages::StreamErrorText(path_, code));
  }

  JobContext& job_;
  const FloodFrameRenderer& render_;
  const bool mp4_;
  AviWriter avi_;
  Mp4Writer mp4Writer_;
  std::string path_;
  BitmapInfo info_;
  std::vector<uint8_t> bits_;
};

}  // namespace

void ForEachFloodStep(double bottom, double top, double interval, int fps,
                      const std::function<void(const FloodStep&)>& visit) {
  double level = bottom;
  visit({FloodPhase::FirstHold, level, fps});
  for (;;) {
    level += interval;
    if (top <= level + kTopTolerance) break;
    visit({FloodPhase::Rise, level, 1});
  }
  visit({FloodPhase::TopHold, level, fps});
  for (;;) {
    level -= interval;
    if (level <= bottom + interval * kBottomTolerance) break;
    visit({FloodPhase::Fall, level, 1});
  }
  visit({FloodPhase::BottomHold, bottom, fps});
}

std::vector<FloodStep> FloodFrameSequence(double bottom, double top, double interval, int fps) {
  std::vector<FloodStep> steps;
  ForEachFloodStep(bottom, top, interval, fps, [&](const FloodStep& s) { steps.push_back(s); });
  return steps;
}

uint64_t FloodFrameCount(double bottom, double top, double interval, int fps) {
  uint64_t frames = 0;
  ForEachFloodStep(bottom, top, interval, fps, [&](const FloodStep& s) { frames += uint64_t(s.frames); });
  return frames;
}

void WriteFloodAnimation(JobContext& job, const std::string& path) {
  WriteFloodAnimation(job, path, [](JobContext& j) { RenderTile(j); });
}

void WriteFloodAnimation(JobContext& job, const std::string& path, const FloodFrameRenderer& renderFrame) {
  if (!job.runFlag || !job.surface) return;
  const double bottom = job.movieBtm, top = job.movieTop;
  const size_t tileIndex = static_cast<size_t>(job.tile.col) + static_cast<size_t>(job.tile.row) * job.grid.cols;
  const double interval = tileIndex < job.legendIntervalM.size() ? job.legendIntervalM[tileIndex] : 1.0;
  const int fps = job.settings.fps;
  const int imageSize = RowStride(job.surface->width(), 24) * job.surface->height();

  // A tile that cannot be animated is refused before its file is touched.
  const bool mp4 = job.settings.movieFormat == kMovieMp4;
  const std::string refusal = Refusal(bottom, top, interval, imageSize, mp4);
  if (!refusal.empty()) {
    StopJob(job, animation_messages::kRefusedTitle, path + "\r\n" + refusal);
    return;
  }

  std::error_code ignored;
  std::filesystem::remove(path, ignored);

  AviVideoStream stream;
  stream.rate = fps > 0 ? static_cast<uint32_t>(fps) : 0;
  stream.length = static_cast<uint32_t>(FloodFrameCount(bottom, top, interval, fps) + 1);
  stream.width = job.surface->width();
  stream.height = job.surface->height();

  AnimationRun run(job, renderFrame, mp4);
  if (run.open(path, stream)) {
    job.host.setLabel(LabelRole::Title, msg::kWaterLevelTitle);
    job.host.setLabel(LabelRole::Denominator, LevelText(top));
    ForEachFloodStep(bottom, top, interval, fps, [&run](const FloodStep& step) { run.play(step); });
    run.close();
  }
  std::filesystem::remove(OutputFolderFile(job, "pxjtemp.bmp"), ignored);
}

}  // namespace velkaro
