#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "output/bmp_file.h"
#include "output/frame_capture.h"

namespace velkaro {
namespace {

TEST(FrameCapture, SizesFollowWidthAndFormat) {
  struct Row { int width, height, format, headerSize, imageSize; };
  const Row rows[] = {
      {362, 512, PixelFormat24bppRGB, 40, 1088 * 512},  // 1086 bytes padded to 1088
      {364, 2, PixelFormat24bppRGB, 40, 1092 * 2},      // multiple of 4: no padding
      {10, 3, PixelFormat8bppIndexed, 40 + 4 * 256, 12 * 3},
      {10, 3, PixelFormat4bppIndexed, 40 + 4 * 16, 8 * 3},
      {10, 3, PixelFormat1bppIndexed, 40 + 4 * 2, 4 * 3},
  };
  for (const Row& row : rows) {
    QImage frame(row.width, row.height, QImage::Format_RGB32);
    frame.fill(Qt::white);
    int headerSize = 0, imageSize = 0;
    std::string error;
    ASSERT_TRUE(InternalGetDIBSizes(frame, headerSize, imageSize, row.format, &error)) << error;
    EXPECT_EQ(headerSize, row.headerSize) << row.width << " format " << row.format;
    EXPECT_EQ(imageSize, row.imageSize) << row.width << " format " << row.format;
  }
}

TEST(FrameCapture, RefusesNullFrameAndUnknownFormat) {
  BitmapInfoHeader info;
  std::string error;
  EXPECT_FALSE(InitializeBitmapInfoHeader(QImage(), info, PixelFormat24bppRGB, &error));
  EXPECT_EQ(error, "Invalid bitmap");
  QImage frame(4, 4, QImage::Format_RGB32);
  EXPECT_FALSE(InitializeBitmapInfoHeader(frame, info, 12345, &error));
  EXPECT_EQ(error, "Invalid pixel format");
}

TEST(FrameCapture, RowsAreBottomUpInBlueGreenRedOrder) {
  QImage frame(3, 2, QImage::Format_RGB32);
  frame.fill(qRgb(0, 0, 0));
  frame.setPixel(0, 0, qRgb(10, 20, 30));   // top-left
  frame.setPixel(2, 1, qRgb(200, 100, 50)); // bottom-right
  std::vector<uint8_t> bits(12 * 2, 0xEE);
  BitmapInfo info;
  std::string error;
  ASSERT_TRUE(InternalGetDIB(frame, nullptr, info, bits.data(), PixelFormat24bppRGB, &error));
  EXPECT_EQ(info.header.height, 2);
  EXPECT_TRUE(info.colours.empty());
  // First stored row is the bottom row.
  EXPECT_EQ(bits[6], 50);
  EXPECT_EQ(bits[7], 100);
  EXPECT_EQ(bits[8], 200);
  EXPECT_EQ(bits[9], 0) << "padding is zeroed";
  EXPECT_EQ(bits[12], 30);
  EXPECT_EQ(bits[13], 20);
  EXPECT_EQ(bits[14], 10);
}

// Tall enough that the rows go to the file in several bands, each row with
// padding; every pixel comes back where it was, and the file is the same as
// the bytes made in memory.
TEST(BmpFile, WritesAWholeBitmapFile) {
  QImage frame(362, 512, QImage::Format_RGB32);
  frame.fill(qRgb(255, 0, 0));
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 200; x < frame.width(); ++x) frame.setPixel(x, y, qRgb(x & 255, y & 255, (x * 7 + y) & 255));
  const auto path = std::filesystem::temp_directory_path() / "velkaro_bmp_test.bmp";
  std::string error;
  ASSERT_TRUE(WriteBmpFile(frame, path.string(), &error)) << error;
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(bytes.size(), 54u + 1088u * 512u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(bytes[10], 54);
  EXPECT_EQ(bytes[14], 40);
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(bytes[54], 0);    // blue
  EXPECT_EQ(bytes[56], 255);  // red
  QImage back(QString::fromStdString(path.string()));
  ASSERT_FALSE(back.isNull());
  EXPECT_EQ(back.pixel(100, 100), qRgb(255, 0, 0));
  int moved = 0;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x) moved += (back.pixel(x, y) & 0xFFFFFF) != (frame.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(moved, 0);
  std::vector<uint8_t> inMemory;
  ASSERT_TRUE(BmpFileBytes(frame, inMemory, &error)) << error;
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), inMemory.begin(), inMemory.end()));
  std::filesystem::remove(path);

  EXPECT_FALSE(WriteBmpFile(frame, "/nonexistent-folder/x.bmp", &error));
  EXPECT_NE(error.find("/nonexistent-folder/x.bmp"), std::string::npos);
}

}  // namespace
}  // namespace velkaro
