// Every output file is replaced whole or not at all: a full disk (a file-size
// limit in a child process), a folder under the file's name or a missing
// folder leaves the previous file byte-identical, no temporary behind, and a
// message naming the file and the system's reason.
#include <gtest/gtest.h>

#include <QImage>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "../platform/temp_dir.h"
#include "../platform/write_failures.h"
#include "output/avi_writer.h"
#include "output/bmp_file.h"
#include "output/geotiff_writer.h"
#include "output/png_file.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::ChildWrite;
using testing::RunWriteInChild;
using testing::TempDir;
using testing::WriteCondition;

// Noise, so that no compression brings the file under the size limit.
QImage NoisyFrame() {
  QImage frame(300, 200, QImage::Format_RGB32);
  std::mt19937 random(7);
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x) frame.setPixel(x, y, random() | 0xFF000000u);
  return frame;
}

bool WriteAvi(const QImage& frame, const std::string& path, std::string* error) {
  AviWriter avi;
  int code = 0;
  AviVideoStream stream;
  stream.width = frame.width();
  stream.height = frame.height();
  const std::vector<uint8_t> bits(static_cast<size_t>(frame.width()) * frame.height() * 3, 0x5A);
  const bool ok = avi.open(path, &code) && avi.createVideoStream(stream, &code) &&
                  avi.writeFrame(bits.data(), static_cast<uint32_t>(bits.size()), &code) &&
                  avi.writeFrame(bits.data(), static_cast<uint32_t>(bits.size()), &code);
  const bool closed = avi.close(ok ? &code : nullptr);
  if (!(ok && closed) && error) *error = path + ": " + std::strerror(code);
  return ok && closed;
}

struct Writer {
  const char* name;
  std::function<bool(const QImage&, const std::string&, std::string*)> write;
};

const std::vector<Writer>& Writers() {
  static const std::vector<Writer> writers = {
      {"tile.bmp", WriteBmpFile},
      {"tile.tif",
       [](const QImage& frame, const std::string& path, std::string* error) {
         GeoTiffGeoreference geo;
         geo.pixelScale = {1, 1, 0};
         geo.crs.geographic = true;
         geo.crs.epsg = 6668;
         geo.crs.name = "JGD2011";
         return WriteGeoTiffFile(frame, frame.rect(), geo, path, error);
       }},
      {"tile.avi", WriteAvi},
      {"tile.png", WritePngFile},
  };
  return writers;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

TEST(OutputWriteFailures, AFullDiskKeepsThePreviousFileAndNamesTheReason) {
  const QImage frame = NoisyFrame();
  for (const Writer& w : Writers()) {
    TempDir dir;
    const std::string previous(2000, 'p');
    const std::string path = dir.write(w.name, previous);
    const ChildWrite child = RunWriteInChild(WriteCondition::FileSizeLimit, 8192,
                                             [&](std::string* error) { return w.write(frame, path, error); });
    ASSERT_TRUE(child.ran) << w.name;
    EXPECT_FALSE(child.succeeded) << w.name;
    EXPECT_EQ(child.message.rfind(path + ": " + std::strerror(EFBIG), 0), 0u) << w.name << ": " << child.message;
    EXPECT_EQ(TempDir::read(path), previous) << w.name;
    EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{w.name}) << w.name;
  }
}

TEST(OutputWriteFailures, AFolderUnderTheFilesNameOrAMissingFolderIsReported) {
  const QImage frame = NoisyFrame();
  for (const Writer& w : Writers()) {
    TempDir dir;
    fs::create_directories(dir.file(w.name));
    for (const std::string& path : {dir.file(w.name), dir.file(std::string("missing/") + w.name)}) {
      std::string error;
      EXPECT_FALSE(w.write(frame, path, &error)) << path;
      EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
      EXPECT_GT(error.size(), path.size() + 2) << "a reason follows the name";
    }
    EXPECT_TRUE(fs::is_directory(dir.file(w.name)));
    EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{w.name}) << w.name;
  }
}

TEST(OutputWriteFailures, ASuccessfulWriteReplacesThePreviousFile) {
  const QImage frame = NoisyFrame();
  for (const Writer& w : Writers()) {
    TempDir dir;
    const std::string path = dir.write(w.name, "previous");
    std::string error;
    ASSERT_TRUE(w.write(frame, path, &error)) << error;
    EXPECT_GT(fs::file_size(path), 1000u) << w.name;
    EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{w.name}) << w.name;
  }
}

}  // namespace
}  // namespace velkaro
