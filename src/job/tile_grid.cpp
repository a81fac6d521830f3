#include "job/tile_grid.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "job/coordinates.h"
#include "job/messages.h"
#include "job/screen_size.h"
#include "platform/text_scan.h"

namespace velkaro {

const std::array<ImagePreset, kImagePresetCount> kImagePresets = {{
    {"縦長  362* 512", 362, 512},
    {"縦長  724*1024", 724, 1024},
    {"縦長 1448*2048", 1448, 2048},
    {"縦長 2172*3072", 2172, 3072},
    {"ScreenSize", 0, 0},
    {"横長  512* 362", 512, 362},
    {"横長 1024* 724", 1024, 724},
    {"横長 2048*1448", 2048, 1448},
    {"横長 3072*2172", 3072, 2172},
    {" 4:3  640* 480", 640, 480},
    {" 4:3  800* 600", 800, 600},
    {"16:9  854* 480", 854, 480},
    {"16:9 1280* 720", 1280, 720},
    {"16:9 1920*1080", 1920, 1080},
}};

namespace {


std::string Format(const char* pattern, double value) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, pattern, value);
  return std::string(text, static_cast<size_t>(std::clamp(n, 0, int(sizeof text) - 1)));
}

}  // namespace

bool ParseDecimal(std::string_view text, double& out) {
  return ParseFiniteDecimal(text, out, kBlanksAndLineEnds);
}

bool ParseCount(std::string_view text, int& out) {
  text = Trim(text, kBlanksAndLineEnds);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) {
    out = 1;
    return true;
  }
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  out = value;
  return true;
}

ImageSize ImageSizeOfPreset(int size) {
  if (size == kScreenSizePreset) {
    const ScreenSize screen = PrimaryScreenSize();
    return {screen.width, screen.height};
  }
  if (size < 0 || size >= kImagePresetCount) return {};
  const ImagePreset& p = kImagePresets[static_cast<size_t>(size)];
  return {p.width, p.height};
}

TileGrid MakeTileGrid(const DrawingArea& area, int cols, int rows, int kasane) {
  // The overlap control offers 0..50 %; a stored value outside that would
  // make the steps zero or negative.
  kasane = std::clamp(kasane, 0, 50);
  TileGrid g;
  g.cols = cols;
  g.rows = rows;
  g.overlap = kasane / 100.0;
  g.tileWidth = (area.east - area.west) / (g.overlap + cols * (1 - g.overlap));
  g.tileHeight = (area.north - area.south) / (g.overlap + rows * (1 - g.overlap));
  g.stepX = (100 - kasane) * g.tileWidth / 100;
  g.stepY = (100 - kasane) * g.tileHeight / 100;
  return g;
}

double LatFactorOf(const DrawingArea& area, bool latLonMode) {
  if (!latLonMode) return 1.0;
  return std::cos((area.north + area.south) / 2 * std::numbers::pi / 180.0);
}

ImageGeometry FitImageToTile(int width, int height, const TileGrid& grid, double latFactor) {
  ImageGeometry im;
  im.width = width;
  im.height = height;
  im.frameWidth = width * 0.95 * 260 / 290;
  im.frameHeight = height * 0.9;
  im.latFactor = latFactor;
  if (grid.tileWidth * latFactor / grid.tileHeight > im.frameWidth / im.frameHeight) {
    im.unitsPerPixel = grid.tileWidth / im.frameWidth * latFactor;
    im.frameHeight = grid.tileHeight / im.unitsPerPixel;
  } else {
    im.unitsPerPixel = grid.tileHeight / im.frameHeight;
    // The map's pixel width: longitude is shrunk by LatFactor like everywhere
    // the tile is drawn, so the frame matches the map in lat/lon mode too.
    im.frameWidth = grid.tileWidth * latFactor / im.unitsPerPixel;
  }
  return im;
}

CurrentTile TileAt(const DrawingArea& area, const TileGrid& grid, const ImageGeometry& image,
                   int row, int col) {
  CurrentTile t;
  t.row = row;
  t.col = col;
  t.west = area.west + col * grid.stepX;
  t.east = t.west + grid.tileWidth;
  t.north = area.north - row * grid.stepY;
  t.south = t.north - grid.tileHeight;
  t.mapOffsetX = (t.west + t.east) / 2 / image.unitsPerPixel * image.latFactor -
                 image.width * 0.95 * 160 / 290 - image.width * 0.025;
  t.mapOffsetY = (t.south + t.north) / 2 / image.unitsPerPixel - image.height * 0.5;
  return t;
}

void SetCurrentTile(JobContext& ctx, int row, int col) {
  ctx.tile = TileAt(ctx.area, ctx.grid, ctx.image, row, col);
}

std::string rowst(int row, std::string_view sep, int rows) {
  if (row < 0 || row >= rows) return {};
  const auto letter = [](int i) { return static_cast<char>('A' + i); };
  std::string label;
  if (rows >= 1 && rows <= 26) {
    label += letter(row % 26);
  } else if (rows >= 27 && rows <= 701) {
    if (row <= 25) {
      label.append(sep);
    } else {
      label += static_cast<char>('A' - 1 + row / 26);
    }
    label += letter(row % 26);
  } else if (rows >= 702 && rows <= 18277) {
    if (row <= 25) {
      label.append(sep);
      label.append(sep);
    } else if (row <= 701) {
      label.append(sep);
      label += static_cast<char>('A' - 1 + row / 26);
    } else {
      const int q = row - 702;
      label += letter(q / 676);
      label += letter((q / 26) % 26);
    }
    label += letter(row % 26);
  }
  return label;
}

std::string colst(int col, int cols) {
  const char* pattern = cols >= 1 && cols <= 10     ? "%1.1d"
                        : cols >= 11 && cols <= 100  ? "%2.2d"
                        : cols >= 101 && cols <= 1000 ? "%3.3d"
                                                      : "%4.4d";
  char text[32];
  const int n = std::snprintf(text, sizeof text, pattern, col);
  return std::string(text, static_cast<size_t>(std::clamp(n, 0, int(sizeof text) - 1)));
}

const char* OutputExtension(int type) {
  switch (type) {
    case 1: return ".avi";
    case 2: return ".tif";
    case 3: return ".png";
    default: return ".bmp";
  }
}

const char* OutputExtension(const JobSettings& s) {
  if (s.type == kOutputAnimation && s.movieFormat == kMovieMp4) return ".mp4";
  return OutputExtension(s.type);
}

std::string TileFileName(const JobSettings& s, const TileGrid& grid, int row, int col) {
  std::string name = s.writefolder;
  if (name.empty() || name.back() != '/') name += '/';
  name += s.namae;
  if (grid.cols != 1 || grid.rows != 1) name += rowst(row, "_", grid.rows) + colst(col, grid.cols);
  name += OutputExtension(s);
  return name;
}

std::string SizeReadout(const JobSettings& s) {
  DrawingArea area;
  int cols = 1, rows = 1;
  if (!ParseDecimal(s.kita, area.north) || !ParseDecimal(s.minami, area.south) ||
      !ParseDecimal(s.nisi, area.west) || !ParseDecimal(s.higasi, area.east) ||
      !ParseCount(s.yokodiv, cols) || !ParseCount(s.tatediv, rows))
    return {};
  if (area.south >= area.north || area.west >= area.east || cols < 1 || rows < 1) return {};
  const TileGrid g = MakeTileGrid(area, cols, rows, s.kasane);
  const char* pattern = s.zahyokei == kLatLonEntry ? "%0.6f" : "%0.0f";
  return std::string(msg::kReadoutHeight) + Format(pattern, g.tileHeight) + msg::kReadoutWidth +
         Format(pattern, g.tileWidth);
}

}  // namespace velkaro
