#include "output/png_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include "output/georeference.h"
#include "platform/atomic_file.h"

namespace velkaro {

bool WritePngFile(const QImage& frame, const std::string& path, std::string* error) {
  // 24-bit RGB: the frame has no transparency worth storing.
  const QImage rgb = frame.convertToFormat(QImage::Format_RGB888);
  // Encoded in memory first, so that a failed write reports the system's
  // reason (a full disk) rather than the encoder's.
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.setCompression(9);
  if (!writer.write(rgb)) {
    if (error) *error = path + ": " + writer.errorString().toStdString();
    return false;
  }
  return WriteFileAtomically(path, std::string_view(encoded.constData(), static_cast<size_t>(encoded.size())),
                             error);
}

bool WriteGeoreferencedPng(const QImage& frame, const PixelGrid& grid, const TileCoordinateSystem& crs,
                           const std::string& path, std::string* error) {
  return WritePngFile(frame, path, error) && WriteWorldFiles(path, ".pgw", grid, crs, error);
}

}  // namespace velkaro
