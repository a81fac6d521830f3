#pragma once
// The index of a multi-tile job: "index.bmp", the whole drawing area with the
// administrative boundaries, the tile grid and each tile's label, and
// "indexmap.htm", a page that shows the image with one clickable rectangle
// per tile linking to the tile's output file.

#include <QImage>

#include <memory>
#include <string>
#include <string_view>

#include "job/job_context.h"
#include "job/screen_size.h"
#include "platform/atomic_file.h"

namespace velkaro {

// Size and scale of the index image: the drawing area fitted into 95 % of
// the screen's width and 65 % of its height, keeping its aspect (longitude
// shrunk by latFactor in the lat/lon mode).
struct IndexGeometry {
  int width = 1, height = 1;
  double unitsPerPixel = 1;   // job units (degrees of latitude) per pixel
  double latFactor = 1;
  double offsetX = 0, offsetY = 0;

  // Pixel column of an easting and pixel row (from the top) of a northing.
  int column(double east) const;
  int row(double north) const;
};
IndexGeometry MakeIndexGeometry(const DrawingArea& area, double latFactor, ScreenSize screen);

struct IndexRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
// The pixels of tile (row, col) on the index: without overlap the tile
// itself; with overlap every shared strip is split at its middle, so the
// cells cover the image without gaps and every tile keeps a cell.
IndexRect IndexCell(const JobContext& job, const IndexGeometry& g, int row, int col);

// A file name as it stands in an attribute: characters that mean something
// in a relative URL or in HTML are percent-encoded; letters (also non-ASCII),
// digits and "-._~" stay as they are.
std::string HrefOfFileName(std::string_view fileName);
// Text with &, <, > and " replaced by their character references.
std::string HtmlEscape(std::string_view text);

// The page "indexmap.htm" (UTF-8, CR LF line ends).
std::string IndexPageText(const JobContext& job, const IndexGeometry& g);

// Draws and writes "index.bmp", then writes "indexmap.htm", both into the
// output folder. The screen size is the primary screen's.
void WriteIndexMap(JobContext& job);
void WriteIndexMap(JobContext& job, ScreenSize screen);

// The index image and page drawn but not yet written. They depend on the
// area, the tile grid and the boundary files, not on the tiles drawn, so a
// run can draw them while its tiles are being drawn elsewhere.
struct IndexMapDrawing {
  QImage image;
  std::string page;
  std::string boundaryError;   // the job's error text for an unreadable boundary file
  bool complete = false;       // false: the job was aborted while drawing
};
IndexMapDrawing DrawIndexMap(JobContext& job, ScreenSize screen);
// Writes a drawn index as WriteIndexMap does.
void WriteIndexMap(JobContext& job, const IndexMapDrawing& drawing);

// A drawn index whose files are written and flushed to the disk under
// temporary names while the last tiles are still being drawn; commit()
// renames them into place once every tile exists, with the outcome and the
// messages of WriteIndexMap. Destroyed without commit() (a run that failed
// or stopped), it removes them. Files that could not be staged are
// written whole by commit().
class StagedIndexMap {
 public:
  StagedIndexMap(const JobContext& job, IndexMapDrawing drawing);
  // The files another process of the run drew and staged, as its handOver()
  // gave them (empty: it could not stage them, and commit() draws them).
  StagedIndexMap(const JobContext& job, const std::string& imageTemporary, const std::string& pageTemporary,
                 std::string boundaryError);
  ~StagedIndexMap();
  StagedIndexMap(const StagedIndexMap&) = delete;
  StagedIndexMap& operator=(const StagedIndexMap&) = delete;
  // Leaves the staged files to another process (empty paths when there are
  // none); they are no longer removed here.
  void handOver(std::string& imageTemporary, std::string& pageTemporary);
  const IndexMapDrawing& drawing() const { return drawing_; }
  void commit(JobContext& job);

 private:
  IndexMapDrawing drawing_;
  std::unique_ptr<PendingFile> image_, page_;
};

}  // namespace velkaro
