#include "output/bmp_file.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "output/frame_capture.h"
#include "platform/atomic_file.h"

namespace velkaro {
namespace {

constexpr int kFileHeaderBytes = 14;

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool BmpFileBytes(const QImage& frame, std::vector<uint8_t>& file, std::string* error) {
  int headerSize = 0, imageSize = 0;
  if (!InternalGetDIBSizes(frame, headerSize, imageSize, PixelFormat24bppRGB, error)) return false;
  file.assign(static_cast<size_t>(kFileHeaderBytes + BitmapInfoHeader::kBytes) + imageSize, 0);
  BitmapInfo info;
  uint8_t* pixels = file.data() + kFileHeaderBytes + BitmapInfoHeader::kBytes;
  if (!InternalGetDIB(frame, nullptr, info, pixels, PixelFormat24bppRGB, error)) return false;
  file[0] = 'B';
  file[1] = 'M';
  PutU32(&file[2], static_cast<uint32_t>(file.size()));
  PutU32(&file[10], kFileHeaderBytes + BitmapInfoHeader::kBytes);
  const auto header = info.header.bytes();
  std::memcpy(&file[kFileHeaderBytes], header.data(), header.size());
  return true;
}

bool WriteBmpFile(const QImage& frame, const std::string& path, std::string* error) {
  std::vector<uint8_t> file;
  if (!BmpFileBytes(frame, file, error)) return false;
  return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(file.data()), file.size()),
                             error);
}

}  // namespace velkaro
