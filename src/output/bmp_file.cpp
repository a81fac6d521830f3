#include "output/bmp_file.h"

#include <QImage>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "output/frame_capture.h"
#include "platform/atomic_file.h"

namespace velkaro {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kHeadBytes = kFileHeaderBytes + BitmapInfoHeader::kBytes;
// Rows go to the file in bands of about this many bytes, converted into a
// buffer that stays in the core's cache, rather than through a copy of the
// whole image in the file's layout.
constexpr size_t kBandBytes = 128 * 1024;

// The frame in a format whose rows the bitmap rows are copied from.
QImage Rgb32(const QImage& frame) {
  return frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32
             ? frame
             : frame.convertToFormat(QImage::Format_RGB32);
}

// The 54 bytes that start the file; false with "Invalid bitmap" in *error
// for an image without pixels.
bool BmpFileHead(const QImage& frame, std::vector<uint8_t>& head, std::string* error) {
  BitmapInfoHeader info;
  if (!InitializeBitmapInfoHeader(frame, info, PixelFormat24bppRGB, error)) return false;
  head.assign(kHeadBytes, 0);
  head[0] = 'B';
  head[1] = 'M';
  PutU32(&head[2], static_cast<uint32_t>(kHeadBytes + info.sizeImage));
  PutU32(&head[10], kHeadBytes);
  const auto header = info.bytes();
  std::memcpy(&head[kFileHeaderBytes], header.data(), header.size());
  return true;
}

// Writes the file to fd: `head`, then the rows a band at a time; false with
// the system's reason in errno.
bool WriteBmpTo(int fd, const QImage& frame, const std::vector<uint8_t>& head) {
  if (!WriteAllBytes(fd, std::string_view(reinterpret_cast<const char*>(head.data()), head.size()))) return false;
  const QImage rgb = Rgb32(frame);
  const size_t stride = static_cast<size_t>(RowStride(rgb.width(), 24));
  const int bandRows = static_cast<int>(std::max<size_t>(1, kBandBytes / stride));
  std::vector<uint8_t> band(stride * static_cast<size_t>(std::min(bandRows, rgb.height())));
  for (int first = 0; first < rgb.height(); first += bandRows) {
    const int rows = std::min(bandRows, rgb.height() - first);
    CopyDib24Rows(rgb, first, rows, band.data());
    if (!WriteAllBytes(fd, std::string_view(reinterpret_cast<const char*>(band.data()), stride * rows))) return false;
  }
  return true;
}

}  // namespace

bool WriteBmpInto(PendingFile& file, const QImage& frame, std::string* error) {
  std::vector<uint8_t> head;
  if (!BmpFileHead(frame, head, error)) return false;
  return file.writeThrough([&](int fd) { return WriteBmpTo(fd, frame, head); }, error);
}

bool BmpFileBytes(const QImage& frame, std::vector<uint8_t>& file, std::string* error) {
  std::vector<uint8_t> head;
  if (!BmpFileHead(frame, head, error)) return false;
  const QImage rgb = Rgb32(frame);
  file = std::move(head);
  file.resize(kHeadBytes + static_cast<size_t>(RowStride(rgb.width(), 24)) * rgb.height());
  CopyDib24Rows(rgb, 0, rgb.height(), file.data() + kHeadBytes);
  return true;
}

bool WriteBmpFile(const QImage& frame, const std::string& path, std::string* error) {
  PendingFile file(path);
  return WriteBmpInto(file, frame, error) && file.commit(error);
}

}  // namespace velkaro
