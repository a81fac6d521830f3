#include "output/frame_capture.h"

#include <algorithm>
#include <cstring>

namespace velkaro {
namespace {

void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

int BitsOfFormat(int pixelFormat) {
  switch (pixelFormat) {
    case PixelFormat24bppRGB: return 24;
    case PixelFormat1bppIndexed: return 1;
    case PixelFormat4bppIndexed: return 4;
    case PixelFormat8bppIndexed: return 8;
    default: return 0;
  }
}

bool Fail(std::string* error, const char* text) {
  if (error) *error = text;
  return false;
}

std::vector<QRgb> DefaultPalette(int bits) {
  std::vector<QRgb> palette(size_t{1} << bits);
  const int n = static_cast<int>(palette.size());
  for (int i = 0; i < n; ++i) {
    const int g = n == 1 ? 0 : i * 255 / (n - 1);
    palette[i] = qRgb(g, g, g);
  }
  return palette;
}

int NearestIndex(const std::vector<QRgb>& palette, QRgb colour) {
  int best = 0;
  long bestDistance = -1;
  for (size_t i = 0; i < palette.size(); ++i) {
    const long dr = qRed(palette[i]) - qRed(colour), dg = qGreen(palette[i]) - qGreen(colour),
               db = qBlue(palette[i]) - qBlue(colour);
    const long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

// A row's pixels as blue, green, red bytes. Four pixels (16 bytes, each
// 0xAARRGGBB) make three words of output: each word is put together from
// the pixels' low bytes, which drops the fourth byte of every pixel.
void CopyRow24(const QImage& image, int y, uint8_t* out) {
  const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
  const int width = image.width();
  int x = 0;
  for (; x + 4 <= width; x += 4, out += 12) {
    const uint32_t p0 = in[x], p1 = in[x + 1], p2 = in[x + 2], p3 = in[x + 3];
    PutU32(out, (p0 & 0xFFFFFFu) | (p1 << 24));
    PutU32(out + 4, ((p1 >> 8) & 0xFFFFu) | (p2 << 16));
    PutU32(out + 8, ((p2 >> 16) & 0xFFu) | (p3 << 8));
  }
  for (; x < width; ++x, out += 3) {
    out[0] = static_cast<uint8_t>(qBlue(in[x]));
    out[1] = static_cast<uint8_t>(qGreen(in[x]));
    out[2] = static_cast<uint8_t>(qRed(in[x]));
  }
}

void CopyRowIndexed(const QImage& image, int y, int bits, const std::vector<QRgb>& palette,
                    uint8_t* out) {
  const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
  const int perByte = 8 / bits;
  const int width = image.width();
  for (int x = 0; x < width; ++x) {
    const int index = NearestIndex(palette, in[x]);
    const int shift = 8 - bits * (x % perByte + 1);
    out[x / perByte] |= static_cast<uint8_t>(index << shift);
  }
}

}  // namespace

std::array<uint8_t, BitmapInfoHeader::kBytes> BitmapInfoHeader::bytes() const {
  std::array<uint8_t, kBytes> b{};
  PutU32(&b[0], size);
  PutU32(&b[4], static_cast<uint32_t>(width));
  PutU32(&b[8], static_cast<uint32_t>(height));
  PutU16(&b[12], planes);
  PutU16(&b[14], bitCount);
  PutU32(&b[16], compression);
  PutU32(&b[20], sizeImage);
  PutU32(&b[24], static_cast<uint32_t>(xPelsPerMeter));
  PutU32(&b[28], static_cast<uint32_t>(yPelsPerMeter));
  PutU32(&b[32], clrUsed);
  PutU32(&b[36], clrImportant);
  return b;
}

bool InitializeBitmapInfoHeader(const QImage& bitmap, BitmapInfoHeader& info, int pixelFormat,
                                std::string* error) {
  if (bitmap.isNull()) return Fail(error, "Invalid bitmap");
  const int bits = BitsOfFormat(pixelFormat);
  if (bits == 0) return Fail(error, "Invalid pixel format");
  // A QImage carries no header of its own, so the header starts from zero.
  info = BitmapInfoHeader{};
  info.width = bitmap.width();
  info.height = bitmap.height();
  info.bitCount = static_cast<uint16_t>(bits);
  info.planes = 1;
  info.compression = 0;
  info.sizeImage = static_cast<uint32_t>(RowStride(info.width, bits) * std::abs(info.height));
  return true;
}

bool InternalGetDIBSizes(const QImage& bitmap, int& infoHeaderSize, int& imageSize, int pixelFormat,
                         std::string* error) {
  BitmapInfoHeader info;
  if (!InitializeBitmapInfoHeader(bitmap, info, pixelFormat, error)) return false;
  infoHeaderSize = BitmapInfoHeader::kBytes;
  if (info.bitCount <= 8) infoHeaderSize += 4 * (1 << info.bitCount);
  imageSize = static_cast<int>(info.sizeImage);
  return true;
}

bool InternalGetDIB(const QImage& bitmap, const std::vector<QRgb>* palette, BitmapInfo& info,
                    uint8_t* bits, int pixelFormat, std::string* error) {
  if (!InitializeBitmapInfoHeader(bitmap, info.header, pixelFormat, error)) return false;
  const QImage frame = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
                           ? bitmap
                           : bitmap.convertToFormat(QImage::Format_RGB32);
  const int bpp = info.header.bitCount;
  const int stride = RowStride(frame.width(), bpp);
  std::vector<QRgb> colours;
  if (bpp <= 8) {
    colours = palette && !palette->empty() ? *palette : DefaultPalette(bpp);
    colours.resize(size_t{1} << bpp, qRgb(0, 0, 0));
    info.colours.assign(colours.size(), 0);
    for (size_t i = 0; i < colours.size(); ++i) info.colours[i] = colours[i] & 0x00FFFFFFu;
  } else {
    info.colours.clear();
  }
  const int rows = frame.height();
  if (bpp == 24) {
    CopyDib24Rows(frame, 0, rows, bits);
    return rows > 0;
  }
  for (int i = 0; i < rows; ++i) {
    uint8_t* out = bits + static_cast<size_t>(i) * stride;
    std::memset(out, 0, static_cast<size_t>(stride));   // indexed pixels are or-ed in
    CopyRowIndexed(frame, rows - 1 - i, bpp, colours, out);   // bottom-up
  }
  return rows > 0;
}

void CopyDib24Rows(const QImage& frame, int first, int count, uint8_t* bits) {
  const int stride = RowStride(frame.width(), 24);
  const size_t used = static_cast<size_t>(frame.width()) * 3;
  for (int i = 0; i < count; ++i) {
    uint8_t* out = bits + static_cast<size_t>(i) * stride;
    // Every byte but the row's padding is written.
    CopyRow24(frame, frame.height() - 1 - (first + i), out);
    std::memset(out + used, 0, static_cast<size_t>(stride) - used);
  }
}

}  // namespace velkaro
