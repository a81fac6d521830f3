#include "output/png_file.h"

#include <QImage>
#include <QImageWriter>

#include <filesystem>
#include <system_error>

#include "output/georeference.h"

namespace velkaro {

bool WritePngFile(const QImage& frame, const std::string& path, std::string* error) {
  // 24-bit RGB: the frame has no transparency worth storing.
  const QImage rgb = frame.convertToFormat(QImage::Format_RGB888);
  QImageWriter writer(QString::fromStdString(path), "png");
  writer.setCompression(9);
  if (writer.write(rgb)) return true;
  if (error) *error = path + ": " + writer.errorString().toStdString();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);  // no half-written tile stays behind
  return false;
}

bool WriteGeoreferencedPng(const QImage& frame, const PixelGrid& grid, const TileCoordinateSystem& crs,
                           const std::string& path, std::string* error) {
  return WritePngFile(frame, path, error) && WriteWorldFiles(path, ".pgw", grid, crs, error);
}

}  // namespace velkaro
