#include <gtest/gtest.h>

#include "job/tile_grid.h"

#include <QPainter>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../platform/temp_dir.h"
#include "../render/render_test_support.h"
#include "job/job_context.h"
#include "output/avi_writer.h"
#include "run/flood_animation.h"
#include "render/render_surface.h"

namespace velkaro {
namespace {

using testing::TempDir;

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}
uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

struct IndexEntry {
  std::string id;
  uint32_t flags, offset, size;
};

// An AVI file read back chunk by chunk. Every chunk must lie inside its
// parent; anything out of place is a test failure.
struct ParsedAvi {
  std::string avih, strh, strf;
  std::vector<std::string> samples;        // payloads of the movi chunks
  std::vector<size_t> samplePositions;     // file offsets of their chunk headers
  size_t moviFourCc = 0;
  std::vector<IndexEntry> index;
};

void ParseChunks(const std::string& b, size_t begin, size_t end, ParsedAvi& avi, const std::string& list) {
  size_t at = begin;
  while (at < end) {
    ASSERT_LE(at + 8, end) << "chunk header past the end of " << list;
    const std::string id = b.substr(at, 4);
    const uint32_t size = U32(b, at + 4);
    ASSERT_LE(at + 8 + size, end) << id << " in " << list << " overruns it";
    if (id == "LIST") {
      const std::string type = b.substr(at + 8, 4);
      if (type == "movi") avi.moviFourCc = at + 8;
      ParseChunks(b, at + 12, at + 8 + size, avi, type);
    } else if (id == "avih") {
      avi.avih = b.substr(at + 8, size);
    } else if (id == "strh") {
      avi.strh = b.substr(at + 8, size);
    } else if (id == "strf") {
      avi.strf = b.substr(at + 8, size);
    } else if (id == "idx1") {
      ASSERT_EQ(size % 16, 0u);
      for (size_t e = at + 8; e < at + 8 + size; e += 16)
        avi.index.push_back({b.substr(e, 4), U32(b, e + 4), U32(b, e + 8), U32(b, e + 12)});
    } else if (list == "movi") {
      EXPECT_EQ(id, "00db");
      avi.samples.push_back(b.substr(at + 8, size));
      avi.samplePositions.push_back(at);
    } else {
      ADD_FAILURE() << "unexpected chunk " << id << " in " << list;
    }
    at += 8 + size + (size & 1);
  }
}

ParsedAvi ParseAvi(const std::string& path) {
  const std::string b = TempDir::read(path);
  ParsedAvi avi;
  EXPECT_GE(b.size(), 12u);
  if (b.size() < 12) return avi;
  EXPECT_EQ(b.substr(0, 4), "RIFF");
  EXPECT_EQ(U32(b, 4), b.size() - 8) << "RIFF size";
  EXPECT_EQ(b.substr(8, 4), "AVI ");
  ParseChunks(b, 12, b.size(), avi, "RIFF");
  EXPECT_EQ(avi.avih.size(), 56u);
  EXPECT_EQ(avi.strh.size(), 56u);
  // Every index entry names a sample chunk, in order, by its offset from 'movi'.
  EXPECT_EQ(avi.index.size(), avi.samples.size());
  for (size_t i = 0; i < avi.index.size() && i < avi.samples.size(); ++i) {
    EXPECT_EQ(avi.index[i].id, "00db");
    EXPECT_EQ(avi.index[i].flags, 0x0Au) << "entry " << i;
    EXPECT_EQ(avi.moviFourCc + avi.index[i].offset, avi.samplePositions[i]) << "entry " << i;
    EXPECT_EQ(avi.index[i].size, avi.samples[i].size()) << "entry " << i;
  }
  return avi;
}

struct StreamFields {
  std::string type;
  uint32_t handler, scale, rate, length;
  int left, top, right, bottom;
};
StreamFields ReadStream(const ParsedAvi& avi) {
  const std::string& h = avi.strh;
  return {h.substr(0, 4), U32(h, 4), U32(h, 20), U32(h, 24), U32(h, 32),
          U16(h, 48), U16(h, 50), U16(h, 52), U16(h, 54)};
}
uint32_t TotalFrames(const ParsedAvi& avi) { return U32(avi.avih, 16); }

TEST(AviWriter, OddSamplesArePaddedAndTheSizeLimitKeepsTheFileWhole) {
  TempDir dir;
  const std::string path = dir.file("w.avi");
  AviWriter avi;
  int code = 0;
  ASSERT_TRUE(avi.open(path, &code)) << code;
  AviVideoStream stream;
  stream.rate = 3;
  stream.length = 1;  // fewer than written: the written count wins
  stream.width = 1;
  stream.height = 1;
  ASSERT_TRUE(avi.createVideoStream(stream, &code)) << code;
  EXPECT_FALSE(avi.createVideoStream(stream, &code)) << "one stream only";
  BitmapInfoHeader format;
  format.width = 1;
  format.height = 1;
  format.sizeImage = 5;
  avi.setFormat(format);
  const uint8_t odd[5] = {1, 2, 3, 4, 5};
  const uint8_t even[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  ASSERT_TRUE(avi.writeFrame(odd, 5, &code));
  ASSERT_TRUE(avi.writeFrame(even, 8, &code));
  // Lowered so that a third sample and its index entry no longer fit.
  avi.setMaxFileBytesForTest(224 + (8 + 6) + (8 + 8) + 8 + 16 * 3 + 8 + 4);
  EXPECT_FALSE(avi.writeFrame(even, 8, &code));
  EXPECT_EQ(code, EFBIG);
  ASSERT_TRUE(avi.close(&code)) << code;

  const ParsedAvi parsed = ParseAvi(path);
  ASSERT_EQ(parsed.samples.size(), 2u);
  EXPECT_EQ(parsed.samples[0], std::string("\1\2\3\4\5"));
  EXPECT_EQ(parsed.samples[1], std::string("\x9\x8\x7\x6\x5\x4\x3\x2"));
  EXPECT_EQ(ReadStream(parsed).length, 2u);
  EXPECT_EQ(TotalFrames(parsed), 2u);
  ASSERT_EQ(parsed.strf.size(), 40u);
  EXPECT_EQ(U32(parsed.strf, 20), 5u) << "the format set last is stored";
}

// A job on a small surface whose frames are painted by level instead of
// drawn, and a host that can abort it when a level is shown.
class AbortingHost : public test::RecordingHost {
 public:
  void setLabel(LabelRole role, const std::string& text) override {
    RecordingHost::setLabel(role, text);
    if (role == LabelRole::Numerator && text == abortAt && job) job->runFlag = false;
  }
  std::string abortAt;
  JobContext* job = nullptr;
};

struct AnimationJob {
  AnimationJob(int width, int height, double bottom, double top, double interval, int fps)
      : job(JobSettings{}, host, cells) {
    test::EnsureGuiApplication();
    job.image.width = width;
    job.image.height = height;
    job.runFlag = true;
    job.movieBtm = bottom;
    job.movieTop = top;
    job.legendIntervalM = {interval};
    job.settings.fps = fps;
    job.settings.type = 1;
    job.settings.writefolder = dir.path();
    surface = CreateRenderSurface(job);
    host.job = &job;
  }
  std::vector<std::string> numerators() const {
    std::vector<std::string> out;
    for (const auto& [role, text] : host.labels)
      if (role == LabelRole::Numerator) out.push_back(text);
    return out;
  }

  TempDir dir;
  AbortingHost host;
  CellBuffer cells;
  JobContext job;
  std::unique_ptr<RenderSurface> surface;
};

// Paints the top row black and the rest in a blue level code, the way
// RenderTile draws nothing once the job is aborted.
void PaintLevel(JobContext& job) {
  if (!job.runFlag) return;
  QImage& image = job.surface->beginPixels();
  const int code = static_cast<int>(std::lround(job.waterLevel * 10));
  image.fill(qRgb(7, 100, code));
  for (int x = 0; x < image.width(); ++x) image.setPixel(x, 0, qRgb(0, 0, 0));
}

// Level codes of the samples, from the first stored pixel (bottom-left).
std::vector<int> SampleLevels(const ParsedAvi& avi) {
  std::vector<int> codes;
  for (const std::string& s : avi.samples) {
    EXPECT_EQ(static_cast<uint8_t>(s[1]), 100);
    EXPECT_EQ(static_cast<uint8_t>(s[2]), 7);
    codes.push_back(static_cast<uint8_t>(s[0]));
  }
  return codes;
}

TEST(FloodAnimation, WritesEveryFrameOfTheSequence) {
  AnimationJob a(5, 3, 0, 6, 1, 5);  // rows of 15 bytes padded to 16
  const std::string path = a.dir.write("flood.avi", "an older file");
  a.dir.write("pxjtemp.bmp", "scratch");
  WriteFloodAnimation(a.job, path, PaintLevel);
  ASSERT_TRUE(a.job.runFlag);
  EXPECT_TRUE(a.host.asks.empty());
  EXPECT_FALSE(std::filesystem::exists(a.dir.file("pxjtemp.bmp")));

  const ParsedAvi avi = ParseAvi(path);
  const std::vector<int> expected = {0,  0,  0,  0,  0,  10, 20, 30, 40, 50, 60, 60, 60,
                                     60, 60, 50, 40, 30, 20, 10, 0,  0,  0,  0,  0};
  EXPECT_EQ(SampleLevels(avi), expected);
  for (const std::string& s : avi.samples) {
    ASSERT_EQ(s.size(), 48u);
    EXPECT_EQ(s.substr(32, 3), std::string(3, '\0')) << "top row stored last";
  }
  const StreamFields stream = ReadStream(avi);
  EXPECT_EQ(stream.type, "vids");
  EXPECT_EQ(stream.handler, 0x63767372u);
  EXPECT_EQ(stream.scale, 1u);
  EXPECT_EQ(stream.rate, 5u);
  EXPECT_EQ(stream.length, 26u);
  EXPECT_EQ(stream.left, 0);
  EXPECT_EQ(stream.top, 0);
  EXPECT_EQ(stream.right, 5);
  EXPECT_EQ(stream.bottom, 3);
  EXPECT_EQ(TotalFrames(avi), 25u);
  ASSERT_EQ(avi.strf.size(), 40u);
  EXPECT_EQ(U32(avi.strf, 0), 40u);
  EXPECT_EQ(U32(avi.strf, 4), 5u);
  EXPECT_EQ(U32(avi.strf, 8), 3u);
  EXPECT_EQ(U16(avi.strf, 14), 24u);
  EXPECT_EQ(U32(avi.strf, 20), 48u);

  EXPECT_EQ(a.host.labels.front(), std::make_pair(LabelRole::Title, std::string("水位")));
  EXPECT_EQ(a.host.labels[1], std::make_pair(LabelRole::Denominator, std::string("6.00")));
  const std::vector<std::string> shown = a.numerators();
  EXPECT_EQ(shown.front(), "0.00");
  EXPECT_EQ(shown[6], "6.00");
  EXPECT_EQ(shown.back(), "0.00");
}

TEST(FloodAnimation, AbortInTheRiseKeepsTheFramesWrittenBefore) {
  AnimationJob a(4, 2, 0, 6, 1, 5);
  a.host.abortAt = "3.00";
  const std::string path = a.dir.file("flood.avi");
  WriteFloodAnimation(a.job, path, PaintLevel);
  EXPECT_FALSE(a.job.runFlag);
  EXPECT_TRUE(a.host.asks.empty());
  const ParsedAvi avi = ParseAvi(path);
  EXPECT_EQ(SampleLevels(avi), (std::vector<int>{0, 0, 0, 0, 0, 10, 20}));
  EXPECT_EQ(TotalFrames(avi), 7u);
  // The remaining levels are still stepped through.
  EXPECT_EQ(a.numerators().size(), 13u);
  EXPECT_EQ(a.numerators().back(), "0.00");
}

TEST(FloodAnimation, RefusesAnIntervalThatNeverReachesTheTop) {
  // 1e-300 does not move the level; 1e-7 would need a file beyond 4 GB.
  for (double interval : {0.0, -1.0, std::nan(""), 1e-300, 1e-7}) {
    AnimationJob a(4, 2, 0, 6, interval, 5);
    const std::string path = a.dir.write("flood.avi", "kept");
    WriteFloodAnimation(a.job, path, PaintLevel);
    EXPECT_FALSE(a.job.runFlag) << interval;
    ASSERT_EQ(a.host.asks.size(), 1u) << interval;
    EXPECT_EQ(a.host.asks[0].first, "動画作成エラー");
    EXPECT_EQ(TempDir::read(path), "kept") << "nothing written for " << interval;
  }
}

TEST(FloodAnimation, UnopenableFileIsReportedWithItsPathAndCode) {
  AnimationJob a(4, 2, 0, 6, 1, 5);
  const std::string path = a.dir.file("missing/flood.avi");
  WriteFloodAnimation(a.job, path, PaintLevel);
  EXPECT_FALSE(a.job.runFlag);
  ASSERT_EQ(a.host.asks.size(), 1u);
  EXPECT_EQ(a.host.asks[0].first, "AviOprnFile Error");
  EXPECT_EQ(a.host.asks[0].second,
            path + "ErrNo." + std::to_string(ENOENT) + "\r\n" + path + ": " + std::strerror(ENOENT));
}

TEST(FloodAnimation, FramesDrawnByTheTileRendererAreCaptured) {
  AnimationJob a(362, 256, 0, 1, 1, 1);
  a.job.settings.haikei = 0x00336699;  // background 0x00BBGGRR
  // A map frame like a validated job's, so the furniture keeps to the margins.
  a.job.image = FitImageToTile(362, 256, MakeTileGrid(DrawingArea{1000, 0, 0, 1000}, 1, 1, 0), 1.0);
  a.job.area = DrawingArea{1000, 0, 0, 1000};
  a.job.grid = MakeTileGrid(a.job.area, 1, 1, 0);
  SetCurrentTile(a.job, 0, 0);
  const std::string path = a.dir.file("flood.avi");
  WriteFloodAnimation(a.job, path);
  ASSERT_TRUE(a.job.runFlag);
  const ParsedAvi avi = ParseAvi(path);
  ASSERT_EQ(avi.samples.size(), 3u);
  EXPECT_EQ(ReadStream(avi).length, 4u);
  // A pixel in the middle of the map (the margins belong to the furniture);
  // samples hold bottom-up rows of padded blue, green, red triples.
  const int w = a.job.image.width, h = a.job.image.height;
  const size_t stride = static_cast<size_t>((w * 24 + 31) / 32 * 4);
  const size_t at = static_cast<size_t>(h - 1 - h / 2) * stride + 3 * static_cast<size_t>(w / 2);
  ASSERT_LE(at + 3, avi.samples[0].size());
  EXPECT_EQ(avi.samples[0].substr(at, 3), std::string("\x33\x66\x99", 3)) << "blue, green, red";
}

}  // namespace
}  // namespace velkaro
