#pragma once
// Capturing the render surface as a device-independent bitmap: the 40-byte
// information header and bottom-up rows padded to four bytes. The AVI writer
// and the BMP writer both take their pixels from here.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <QImage>

namespace velkaro {

// The pixel format identifiers the capture accepts; the program itself uses
// only the 24-bit one.
enum PixelFormat : int {
  PixelFormat24bppRGB = 137224,
  PixelFormat1bppIndexed = 196865,
  PixelFormat4bppIndexed = 197634,
  PixelFormat8bppIndexed = 198659,
};

struct BitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;        // positive: rows bottom-up
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;  // uncompressed RGB
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;

  static constexpr int kBytes = 40;
  // Little-endian bytes as stored in BMP and AVI files.
  std::array<uint8_t, kBytes> bytes() const;
};

// Header plus the colour table that formats of 8 bits or fewer carry.
struct BitmapInfo {
  BitmapInfoHeader header;
  std::vector<uint32_t> colours;  // 0x00RRGGBB quads as stored (B, G, R, 0)
};

// A word of a bitmap file, lowest byte first: the bytes are put together
// and copied at once, which the compiler makes one store.
inline void PutU32(uint8_t* p, uint32_t v) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                            static_cast<uint8_t>(v >> 24)};
  std::memcpy(p, bytes, 4);
}

// Bytes per row of a bitmap, padded to a multiple of four.
inline int RowStride(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

// Each returns false with "Invalid bitmap" or "Invalid pixel format" in *error.
bool InitializeBitmapInfoHeader(const QImage& bitmap, BitmapInfoHeader& info, int pixelFormat,
                                std::string* error);
bool InternalGetDIBSizes(const QImage& bitmap, int& infoHeaderSize, int& imageSize, int pixelFormat,
                         std::string* error);
// Copies the frame into `bits` (imageSize bytes, bottom-up padded rows). With
// a palette the indexed formats map each pixel to its nearest palette entry.
// Returns true when at least one row was copied.
bool InternalGetDIB(const QImage& bitmap, const std::vector<QRgb>* palette, BitmapInfo& info,
                    uint8_t* bits, int pixelFormat, std::string* error);
// Rows first .. first + count - 1 of the 24-bit bitmap of an RGB32 or ARGB32
// frame (row 0 is the bottom one), padded, into `bits`.
void CopyDib24Rows(const QImage& frame, int first, int count, uint8_t* bits);

}  // namespace velkaro
