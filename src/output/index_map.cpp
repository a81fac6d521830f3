#include "output/index_map.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "job/coordinates.h"
#include "job/tile_grid.h"
#include "output/bmp_file.h"
#include "output/bmp_messages.h"
#include "output/index_messages.h"
#include "platform/atomic_file.h"
#include "platform/file_search.h"
#include "platform/text_encoding.h"
#include "render/render_surface.h"
#include "platform/text_scan.h"

namespace velkaro {
namespace {

constexpr Colour kBoundaryColour = 0x0000FF;   // red
constexpr Colour kGridColour = 0x000000;
constexpr long kLinesPerPump = 1 << 16;

// Truncation towards zero that forgives the last bits of a division (so a
// value meant to be 351 that comes out 350.9999999 stays 351) and keeps far
// points inside the int range.
int TruncPixel(double v) {
  v = std::clamp(v, -1e9, 1e9);
  return static_cast<int>(std::trunc(v + (v < 0 ? -1e-6 : 1e-6)));
}

std::string JoinFolder(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

// The tile's output file name without its folder.
std::string TileFileOnly(const JobContext& job, int row, int col) {
  const std::string path = TileFileName(job.settings, job.grid, row, col);
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- administrative boundaries -------------------------------------------

struct GeoPoint {
  double lat, lon;
};

// A point on a second-level mesh line: its longitude is a multiple of 1/8
// degree or its latitude a multiple of 1/12 degree. Segments between two
// such points are the cuts of the data into mesh files, not boundaries.
bool OnMeshLine(const GeoPoint& p) {
  const auto nearInteger = [](double v) {
    const double frac = v - std::floor(v);
    return frac < 1e-7 || frac > 1 - 1e-7;
  };
  return nearInteger(p.lon * 8) || nearInteger(p.lat * 12);
}


bool ParseNumber(std::string_view s, double& out) { return ParseFiniteDecimal(s, out, " \t\r"); }


// "lat lon" of one position line; false for a line that holds none.
bool ParsePosition(std::string_view line, GeoPoint& p) {
  line = Trim(line);
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return false;
  return ParseNumber(line.substr(0, blank), p.lat) && ParseNumber(line.substr(blank + 1, 255), p.lon);
}

// Draws the rings of the administrative boundary files onto the index.
class BoundaryDrawer {
 public:
  BoundaryDrawer(JobContext& job, const IndexGeometry& g, PainterDrawer& drawer)
      : job_(job), g_(g), drawer_(drawer) {}

  // False when the file could not be read.
  bool drawFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    const std::string text = DecodeAsDeclared(bytes);
    walkLines(StripUtf8Bom(text));
    return true;
  }

 private:
  // UTF-8 when the first line names it, else the system code page.
  static std::string DecodeAsDeclared(const std::string& bytes) {
    const std::string_view body = StripUtf8Bom(bytes);
    std::string first(body.substr(0, body.find('\n')));
    std::transform(first.begin(), first.end(), first.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return first.find("utf-8") != std::string::npos ? bytes : Cp932ToUtf8(bytes);
  }

  void walkLines(std::string_view text) {
    static constexpr std::string_view kOpen = "<gml:posList>";
    static constexpr std::string_view kClose = "</gml:posList>";
    bool inRing = false;
    long lines = 0;
    while (!text.empty() && job_.runFlag) {
      const size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      if (++lines % kLinesPerPump == 0) job_.host.pump();

      if (const size_t open = line.find(kOpen); open != std::string_view::npos) {
        line.remove_prefix(open + kOpen.size());
        ring_.clear();
        inRing = true;
      }
      if (!inRing) continue;
      const size_t close = line.find(kClose);
      GeoPoint p{};
      if (ParsePosition(line.substr(0, close), p)) ring_.push_back(p);
      if (close != std::string_view::npos) {
        drawRing();
        inRing = false;
      }
    }
  }

  bool ringMeetsArea() const {
    double latS = ring_[0].lat, latN = latS, lonW = ring_[0].lon, lonE = lonW;
    for (const GeoPoint& p : ring_) {
      latS = std::min(latS, p.lat), latN = std::max(latN, p.lat);
      lonW = std::min(lonW, p.lon), lonE = std::max(lonE, p.lon);
    }
    const PlaneXY a = bltoxy(job_.coords, lonW, latS);
    const PlaneXY b = bltoxy(job_.coords, lonE, latN);
    const DrawingArea& area = job_.area;
    return std::max(a.x, b.x) >= area.south && area.north >= std::min(a.x, b.x) &&
           std::max(a.y, b.y) > area.west && area.east > std::min(a.y, b.y);
  }

  void drawRing() {
    if (ring_.size() < 2 || !ringMeetsArea()) return;
    bool penDown = false;
    for (size_t i = 1; i < ring_.size(); ++i) {
      const GeoPoint& from = ring_[i - 1];
      const GeoPoint& to = ring_[i];
      if (OnMeshLine(from) && OnMeshLine(to)) {
        penDown = false;
        continue;
      }
      if (!penDown) moveTo(from);
      lineTo(to);
      penDown = true;
    }
  }

  void moveTo(const GeoPoint& p) {
    const PlaneXY xy = bltoxy(job_.coords, p.lon, p.lat);
    drawer_.moveTo(g_.column(xy.y), g_.row(xy.x));
  }
  void lineTo(const GeoPoint& p) {
    const PlaneXY xy = bltoxy(job_.coords, p.lon, p.lat);
    drawer_.lineTo(g_.column(xy.y), g_.row(xy.x));
  }

  JobContext& job_;
  const IndexGeometry& g_;
  PainterDrawer& drawer_;
  std::vector<GeoPoint> ring_;   // reused from ring to ring
};

// Returns the error text of the last unreadable file (empty: none).
std::string DrawBoundaries(JobContext& job, const IndexGeometry& g, PainterDrawer& drawer) {
  drawer.setPen(kBoundaryColour, 1);
  BoundaryDrawer boundaries(job, g, drawer);
  const JobSettings& s = job.settings;
  std::string error;
  for (const std::string& path : FindFiles(s.readfolder, "*-AdmArea*.xml", s.subfolder)) {
    job.host.pump();
    if (!job.runFlag) break;
    // An unreadable file is reported after the run; the index goes on.
    if (!boundaries.drawFile(path)) error = index_messages::BoundaryFileError(path);
  }
  return error;
}

// ---- grid and labels ------------------------------------------------------

void DrawVertical(PainterDrawer& drawer, const IndexGeometry& g, const DrawingArea& a, double east) {
  const int x = g.column(east);
  drawer.moveTo(x, g.row(a.north));
  drawer.lineTo(x, g.row(a.south));
}

void DrawHorizontal(PainterDrawer& drawer, const IndexGeometry& g, const DrawingArea& a, double north) {
  const int y = g.row(north);
  drawer.moveTo(g.column(a.west), y);
  drawer.lineTo(g.column(a.east), y);
}

// Every inner tile edge; with overlap both the start of a tile and the end of
// its neighbour are drawn, so the shared strips show.
void DrawTileGrid(const JobContext& job, const IndexGeometry& g, PainterDrawer& drawer) {
  const DrawingArea& a = job.area;
  const TileGrid& t = job.grid;
  drawer.setPen(kGridColour, 1);
  for (int c = 1; c < t.cols; ++c) {
    DrawVertical(drawer, g, a, a.west + c * t.stepX);
    if (t.overlap > 0) DrawVertical(drawer, g, a, a.west + (c - 1) * t.stepX + t.tileWidth);
  }
  for (int r = 1; r < t.rows; ++r) {
    DrawHorizontal(drawer, g, a, a.north - r * t.stepY);
    if (t.overlap > 0) DrawHorizontal(drawer, g, a, a.north - (r - 1) * t.stepY - t.tileHeight);
  }
}

std::string TileLabel(const TileGrid& t, int row, int col) { return rowst(row, " ", t.rows) + colst(col, t.cols); }

// The label font: as high as an inner cell, shrunk to 70 % until the first
// label fits the cell's width.
int LabelHeight(const JobContext& job, const IndexGeometry& g, PainterDrawer& drawer) {
  const TileGrid& t = job.grid;
  const double cellWidth = (t.cols == 1 ? t.tileWidth : t.stepX) / g.unitsPerPixel * g.latFactor;
  const double cellHeight = (t.rows == 1 ? t.tileHeight : t.stepY) / g.unitsPerPixel;
  int height = TruncPixel(cellHeight);
  FontSpec font;
  font.sizeKind = FontSizeKind::CellHeight;
  const std::string first = TileLabel(t, 0, 0);
  while (height > 1) {
    font.size = height;
    drawer.setFont(font);
    if (drawer.textWidth(first) <= cellWidth) break;
    height = TruncPixel(height * 0.7);
  }
  return height;
}

void DrawLabels(JobContext& job, const IndexGeometry& g, PainterDrawer& drawer) {
  const int height = LabelHeight(job, g, drawer);
  if (height < 1) return;
  FontSpec font;
  font.sizeKind = FontSizeKind::CellHeight;
  font.size = height;
  drawer.setFont(font);
  drawer.setTextColour(kGridColour);
  drawer.setTransparentBackground(true);
  for (int r = 0; r < job.grid.rows; ++r) {
    for (int c = 0; c < job.grid.cols; ++c) {
      const IndexRect cell = IndexCell(job, g, r, c);
      drawer.textOut(cell.left, cell.top, TileLabel(job.grid, r, c));
    }
  }
}

// ---- output ---------------------------------------------------------------

std::string ImagePath(const JobContext& job) { return JoinFolder(job.settings.writefolder, "index.bmp"); }
std::string PagePath(const JobContext& job) { return JoinFolder(job.settings.writefolder, "indexmap.htm"); }

// A file written and flushed under its temporary name; null when that
// failed (the file is then written whole at the end, failing as it does).
std::unique_ptr<PendingFile> Staged(const std::string& path, std::string_view bytes) {
  auto file = std::make_unique<PendingFile>(path);
  if (!file->stage(bytes, nullptr)) return nullptr;
  return file;
}

void ImageNotWritten(JobContext& job, const std::string& error) {
  job.host.ask(bmp_messages::kBmpWriteCaption, error, Buttons::Ok);
  job.errorText = error;
  job.runFlag = false;
}

bool WriteImage(JobContext& job, const QImage& frame) {
  std::string error;
  if (WriteBmpFile(frame, ImagePath(job), &error)) return true;
  ImageNotWritten(job, error);
  return false;
}

// The page is the job's last file: the job ends with the failure.
void PageNotWritten(JobContext& job, const std::string& error) {
  const std::string text = std::string(index_messages::kPageNotOpened) + "\r\n" + error;
  job.host.ask(index_messages::kWarningTitle, text, Buttons::Ok);
  job.errorText = text;
}

void WritePage(JobContext& job, const std::string& page) {
  std::string error;
  if (!WriteFileAtomically(PagePath(job), page, &error)) PageNotWritten(job, error);
}

}  // namespace

int IndexGeometry::column(double east) const { return TruncPixel(east / unitsPerPixel * latFactor - offsetX); }

int IndexGeometry::row(double north) const { return TruncPixel(height - north / unitsPerPixel + offsetY); }

IndexGeometry MakeIndexGeometry(const DrawingArea& area, double latFactor, ScreenSize screen) {
  IndexGeometry g;
  g.latFactor = latFactor;
  const int fitWidth = std::max(1, TruncPixel(screen.width * 0.95));
  const int fitHeight = std::max(1, TruncPixel(screen.height * 0.65));
  // The shrunk longitude span, so a lat/lon area fills the width as well.
  const double spanX = (area.east - area.west) * latFactor;
  const double spanY = area.north - area.south;
  if (spanX / spanY > static_cast<double>(fitWidth) / fitHeight) {
    g.unitsPerPixel = spanX / fitWidth;
    g.width = fitWidth;
    g.height = std::max(1, TruncPixel(spanY / g.unitsPerPixel));
  } else {
    g.unitsPerPixel = spanY / fitHeight;
    g.height = fitHeight;
    g.width = std::max(1, TruncPixel(spanX / g.unitsPerPixel));
  }
  g.offsetX = (area.west + area.east) / 2 / g.unitsPerPixel * latFactor - g.width * 0.5;
  g.offsetY = (area.south + area.north) / 2 / g.unitsPerPixel - g.height * 0.5;
  return g;
}

IndexRect IndexCell(const JobContext& job, const IndexGeometry& g, int row, int col) {
  const DrawingArea& a = job.area;
  const TileGrid& t = job.grid;
  const double halfX = (t.tileWidth - t.stepX) / 2, halfY = (t.tileHeight - t.stepY) / 2;
  const double west = col == 0 ? a.west : a.west + col * t.stepX + halfX;
  const double east = col == t.cols - 1 ? a.east : a.west + (col + 1) * t.stepX + halfX;
  const double north = row == 0 ? a.north : a.north - row * t.stepY - halfY;
  const double south = row == t.rows - 1 ? a.south : a.north - (row + 1) * t.stepY - halfY;
  return {g.column(west), g.row(north), g.column(east), g.row(south)};
}

std::string HrefOfFileName(std::string_view fileName) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : fileName) {
    const auto byte = static_cast<unsigned char>(ch);
    const bool kept = byte >= 0x80 || std::isalnum(byte) || std::strchr("-._~", ch) != nullptr;
    if (kept) {
      out += ch;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string IndexPageText(const JobContext& job, const IndexGeometry& g) {
  std::string page;
  const auto line = [&page](std::string_view text) {
    page += text;
    page += "\r\n";
  };
  line("<!DOCTYPE html>");
  line("<HTML>");
  line(std::string("<HEAD><TITLE>") + index_messages::kPageTitle + "</TITLE>");
  line("<META http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">");
  line("</HEAD>");
  line("<BODY>");
  line(std::string("<IMG SRC=\"index.bmp\" USEMAP=\"#linkmap\" ALT=\"") + index_messages::kPageTitle + "\">");
  line("<MAP NAME=\"linkmap\">");
  for (int r = 0; r < job.grid.rows; ++r) {
    for (int c = 0; c < job.grid.cols; ++c) {
      const IndexRect cell = IndexCell(job, g, r, c);
      const std::string name = TileFileOnly(job, r, c);
      char coords[64];
      std::snprintf(coords, sizeof coords, "%d,%d,%d,%d", cell.left, cell.top, cell.right, cell.bottom);
      line(std::string("<AREA SHAPE=rect COORDS=\"") + coords + "\" HREF=\"" + HtmlEscape(HrefOfFileName(name)) +
           "\" ALT=\"" + HtmlEscape(name) + "\">");
    }
  }
  line("</MAP>");
  line("</BODY>");
  line("</HTML>");
  return page;
}

void WriteIndexMap(JobContext& job) { WriteIndexMap(job, PrimaryScreenSize()); }

void WriteIndexMap(JobContext& job, ScreenSize screen) { WriteIndexMap(job, DrawIndexMap(job, screen)); }

IndexMapDrawing DrawIndexMap(JobContext& job, ScreenSize screen) {
  const IndexGeometry g = MakeIndexGeometry(job.area, job.image.latFactor, screen);
  RenderSurface surface(g.width, g.height);
  PainterDrawer& drawer = surface.drawer();
  IndexMapDrawing drawing;
  drawing.boundaryError = DrawBoundaries(job, g, drawer);
  if (!job.runFlag) return drawing;
  DrawTileGrid(job, g, drawer);
  DrawLabels(job, g, drawer);
  drawing.image = surface.frame().copy();
  drawing.page = IndexPageText(job, g);
  drawing.complete = true;
  return drawing;
}

void WriteIndexMap(JobContext& job, const IndexMapDrawing& drawing) {
  if (!drawing.boundaryError.empty()) job.errorText = drawing.boundaryError;
  if (!drawing.complete || !job.runFlag) return;
  job.host.showImage(drawing.image);
  if (!WriteImage(job, drawing.image)) return;
  WritePage(job, drawing.page);
}

StagedIndexMap::StagedIndexMap(const JobContext& job, IndexMapDrawing drawing) : drawing_(std::move(drawing)) {
  if (!drawing_.complete) return;
  std::vector<uint8_t> bytes;
  if (!BmpFileBytes(drawing_.image, bytes, nullptr)) return;
  image_ = Staged(ImagePath(job), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (image_) page_ = Staged(PagePath(job), drawing_.page);
}

StagedIndexMap::StagedIndexMap(const JobContext& job, const std::string& imageTemporary,
                               const std::string& pageTemporary, std::string boundaryError) {
  drawing_.boundaryError = std::move(boundaryError);
  drawing_.complete = true;
  image_ = std::make_unique<PendingFile>(ImagePath(job), imageTemporary);
  page_ = std::make_unique<PendingFile>(PagePath(job), pageTemporary);
}

StagedIndexMap::~StagedIndexMap() = default;

void StagedIndexMap::handOver(std::string& imageTemporary, std::string& pageTemporary) {
  imageTemporary = image_ && page_ ? image_->handOver() : std::string();
  pageTemporary = image_ && page_ ? page_->handOver() : std::string();
}

void StagedIndexMap::commit(JobContext& job) {
  const bool staged = image_ && page_ && image_->created(nullptr) && page_->created(nullptr);
  if (!staged) {
    // Drawn here: written whole now; drawn elsewhere: drawn again here.
    if (!drawing_.image.isNull()) return WriteIndexMap(job, drawing_);
    return WriteIndexMap(job);
  }
  if (!drawing_.boundaryError.empty()) job.errorText = drawing_.boundaryError;
  if (!drawing_.complete || !job.runFlag) return;
  if (!drawing_.image.isNull()) job.host.showImage(drawing_.image);
  std::string error;
  if (!image_->commit(&error)) return ImageNotWritten(job, error);
  if (!page_->commit(&error)) PageNotWritten(job, error);
}

}  // namespace velkaro
