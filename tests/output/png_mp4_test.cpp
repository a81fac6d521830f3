// PNG tiles with their world and projection files, and MP4 animations read
// back through FFmpeg.
#include <gtest/gtest.h>

#include <QImage>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "job/coordinates.h"
#include "output/georeference.h"
#include "output/mp4_writer.h"
#include "output/png_file.h"
#include "render/gl_view.h"
#include "../render/render_test_support.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
  fs::path path = fs::temp_directory_path() /
                  ("velkaro_png_mp4_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  TempFolder() { fs::create_directories(path); }
  ~TempFolder() { fs::remove_all(path); }
  std::string file(const char* name) const { return (path / name).string(); }
};

std::vector<double> ReadWorldFile(const std::string& path) {
  std::ifstream in(path);
  std::vector<double> values;
  double v = 0;
  while (in >> v) values.push_back(v);
  return values;
}

// The world file places the map rectangle of the frame on the tile's box, in
// metres of the plane zone whatever the job unit, or in degrees.
TEST(PngTile, WorldFilePutsTheMapRectangleOnTheTileBox) {
  struct Case {
    const char* name;
    bool latLon;
    double unitScale, upp, latFactor;
    double west, east, south, north;  // job units
  };
  const Case cases[] = {
      {"metres", false, 1, 2.5, 1, -3000, -1000, 500, 2000},
      {"millimetres", false, 1000, 2500, 1, -3000000, -1000000, 500000, 2000000},
      {"lat/lon", true, 1, 0.0001, 0.819, 139.0, 139.1, 35.0, 35.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestJob t(640, 480, 1, 1);
    JobContext& job = t.job;
    job.coords.latLonMode = c.latLon;
    job.coords.unitScale = c.unitScale;
    job.image.unitsPerPixel = c.upp;
    job.image.latFactor = c.latFactor;
    t.setTile(c.west, c.east, c.south, c.north);
    const PixelGrid grid = FrameGrid(job);
    const PixelRectF map = MapRect(job);
    const double perUnit = c.latLon ? 1 : 1 / c.unitScale;
    // Pixel edges: x = west + column * size, y = north - row * size.
    EXPECT_NEAR(grid.west + map.left * grid.sizeX, c.west * perUnit, 0.01 * grid.sizeX);
    EXPECT_NEAR(grid.west + map.right * grid.sizeX, c.east * perUnit, 0.01 * grid.sizeX);
    EXPECT_NEAR(grid.north - map.top * grid.sizeY, c.north * perUnit, 0.01 * grid.sizeY);
    EXPECT_NEAR(grid.north - map.bottom * grid.sizeY, c.south * perUnit, 0.01 * grid.sizeY);

    // The world file names the centre of the first pixel.
    TempFolder folder;
    const std::string png = folder.file("tile.png");
    std::string error;
    ASSERT_TRUE(WriteGeoreferencedPng(t.surface->frame(), grid, CoordinateSystemOfJob(job), png, &error)) << error;
    const std::vector<double> world = ReadWorldFile(folder.file("tile.pgw"));
    ASSERT_EQ(world.size(), 6u);
    EXPECT_DOUBLE_EQ(world[0], grid.sizeX);
    EXPECT_EQ(world[1], 0.0);
    EXPECT_EQ(world[2], 0.0);
    EXPECT_DOUBLE_EQ(world[3], -grid.sizeY);
    EXPECT_NEAR(world[4], grid.west + grid.sizeX / 2, 1e-9 * std::abs(grid.west) + 1e-12);
    EXPECT_NEAR(world[5], grid.north - grid.sizeY / 2, 1e-9 * std::abs(grid.north) + 1e-12);

    QImage read(QString::fromStdString(png));
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.size(), t.surface->frame().size());
  }
}

TEST(PngTile, ProjectionFileNamesTheJgd2011System) {
  TileCoordinateSystem zone9{false, PlaneZoneEpsg(9), PlaneZoneName(9)};
  EXPECT_EQ(zone9.epsg, 6677);
  EXPECT_EQ(zone9.name, "JGD2011 / Japan Plane Rectangular CS IX");
  EXPECT_EQ(PlaneZoneName(14), "JGD2011 / Japan Plane Rectangular CS XIV");
  EXPECT_EQ(PlaneZoneName(19), "JGD2011 / Japan Plane Rectangular CS XIX");
  const std::string plane = ProjectionFileText(zone9);
  EXPECT_NE(plane.find("JGD_2011"), std::string::npos) << plane;
  EXPECT_NE(plane.find("Transverse_Mercator"), std::string::npos) << plane;
  const std::string geographic = ProjectionFileText({true, kJgd2011GeographicEpsg, "JGD2011"});
  EXPECT_EQ(geographic.rfind("GEOGCS[\"GCS_JGD_2011\"", 0), 0u) << geographic;
  EXPECT_EQ(ProjectionFileText({}), "");
}

TEST(PngTile, UnwritableFolderIsReportedAndLeavesNoFile) {
  QImage frame(16, 8, QImage::Format_RGB32);
  frame.fill(Qt::white);
  std::string error;
  EXPECT_FALSE(WritePngFile(frame, "/nonexistent-folder/x.png", &error));
  EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
}

struct VideoFacts {
  std::string codec;
  int pixelFormat = -1, width = 0, height = 0;
  AVRational rate{0, 1};
  long packets = 0;
};

VideoFacts ReadVideo(const std::string& path) {
  VideoFacts facts;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return facts;
  avformat_find_stream_info(format, nullptr);
  const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index >= 0) {
    const AVStream* stream = format->streams[index];
    facts.codec = avcodec_get_name(stream->codecpar->codec_id);
    facts.pixelFormat = stream->codecpar->format;
    facts.width = stream->codecpar->width;
    facts.height = stream->codecpar->height;
    facts.rate = stream->avg_frame_rate;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
      if (packet->stream_index == index) ++facts.packets;
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
  }
  avformat_close_input(&format);
  return facts;
}

// The first frame of the video, decoded and converted to 32-bit pixels.
QImage DecodeFirstFrame(const std::string& path) {
  QImage image;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return image;
  avformat_find_stream_info(format, nullptr);
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  AVCodecContext* codec = index >= 0 && decoder ? avcodec_alloc_context3(decoder) : nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  if (codec && avcodec_parameters_to_context(codec, format->streams[index]->codecpar) >= 0 &&
      avcodec_open2(codec, decoder, nullptr) >= 0) {
    bool got = false;
    while (!got && av_read_frame(format, packet) >= 0) {
      if (packet->stream_index == index && avcodec_send_packet(codec, packet) >= 0)
        got = avcodec_receive_frame(codec, frame) >= 0;
      av_packet_unref(packet);
    }
    if (!got && avcodec_send_packet(codec, nullptr) >= 0) got = avcodec_receive_frame(codec, frame) >= 0;
    // swscale writes whole vector widths: convert into a frame of its own
    // alignment, then copy the rows out.
    AVFrame* rgb = av_frame_alloc();
    if (got && rgb) {
      rgb->format = AV_PIX_FMT_BGRA;
      rgb->width = frame->width;
      rgb->height = frame->height;
      SwsContext* sws = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                       frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr,
                                       nullptr);
      if (sws && av_frame_get_buffer(rgb, 0) >= 0) {
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, rgb->data, rgb->linesize);
        image = QImage(frame->width, frame->height, QImage::Format_RGB32);
        for (int y = 0; y < frame->height; ++y)
          std::memcpy(image.scanLine(y), rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0],
                      static_cast<size_t>(frame->width) * 4);
      }
      sws_freeContext(sws);
    }
    av_frame_free(&rgb);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return image;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 && std::abs(qBlue(a) - qBlue(b)) < 40;
}

// H.264 4:2:0 needs even sizes: an odd frame is padded by repeating its last
// column and row, so the map's edge is in the video.
TEST(Mp4Animation, AnOddFrameIsPaddedAndKeepsItsLastColumnAndRow) {
  TempFolder folder;
  const std::string path = folder.file("odd.mp4");
  QImage frame(41, 29, QImage::Format_RGB32);
  frame.fill(QColor(240, 240, 240));
  const QRgb red = qRgb(220, 20, 20), blue = qRgb(20, 20, 220);
  for (int y = 0; y < frame.height(); ++y) frame.setPixel(frame.width() - 1, y, red);
  for (int x = 0; x < frame.width() - 1; ++x) frame.setPixel(x, frame.height() - 1, blue);
  Mp4Writer writer;
  std::string error;
  ASSERT_TRUE(writer.open(path, frame.width(), frame.height(), 5, &error)) << error;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(writer.writeFrame(frame, &error)) << error;
  ASSERT_TRUE(writer.close(&error)) << error;

  const QImage video = DecodeFirstFrame(path);
  ASSERT_FALSE(video.isNull());
  ASSERT_EQ(video.size(), QSize(42, 30));
  const QRgb grey = qRgb(240, 240, 240);
  struct Probe {
    int x, y;
    QRgb colour;
    const char* what;
  };
  const Probe probes[] = {
      {20, 10, grey, "inside"},
      {40, 10, red, "last column of the frame"},
      {41, 10, red, "padding column"},
      {20, 28, blue, "last row of the frame"},
      {20, 29, blue, "padding row"},
      {41, 29, red, "padding corner"},
  };
  for (const Probe& p : probes)
    EXPECT_TRUE(Near(video.pixel(p.x, p.y), p.colour))
        << p.what << " at " << p.x << "," << p.y << ": " << std::hex << video.pixel(p.x, p.y);
}

TEST(Mp4Animation, FramesRateAndEvenSizeReadBack) {
  TempFolder folder;
  const std::string path = folder.file("flood.mp4");
  QImage frame(101, 61, QImage::Format_RGB32);  // odd: the video grows by a column and a row
  Mp4Writer writer;
  std::string error;
  ASSERT_TRUE(writer.open(path, frame.width(), frame.height(), 7, &error)) << error;
  EXPECT_EQ(writer.encoderName(), "libx264");
  for (int i = 0; i < 23; ++i) {
    frame.fill(QColor(i * 10, 255 - i * 10, 128));
    ASSERT_TRUE(writer.writeFrame(frame, &error)) << error;
  }
  ASSERT_TRUE(writer.close(&error)) << error;

  const VideoFacts facts = ReadVideo(path);
  EXPECT_EQ(facts.codec, "h264");
  EXPECT_EQ(facts.pixelFormat, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(facts.width, 102);
  EXPECT_EQ(facts.height, 62);
  EXPECT_EQ(facts.rate.num, 7);
  EXPECT_EQ(facts.rate.den, 1);
  EXPECT_EQ(facts.packets, 23);
}

TEST(Mp4Animation, UnwritablePathIsReported) {
  Mp4Writer writer;
  std::string error;
  EXPECT_FALSE(writer.open("/nonexistent-folder/x.mp4", 64, 64, 5, &error));
  EXPECT_NE(error.find("/nonexistent-folder/x.mp4"), std::string::npos);
  EXPECT_FALSE(writer.writeFrame(QImage(64, 64, QImage::Format_RGB32), &error));
}

}  // namespace
}  // namespace velkaro
