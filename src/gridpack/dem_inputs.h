#pragma once
// The DEM XML files of a folder tree for the mosaic: plain files and members
// of zips (zips inside zips too), with the header of each read from its first
// bytes, so nothing is expanded to disk and no file is read whole twice.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/zip_members.h"
#include "elevation/dem_readers.h"
#include "gridpack/mosaic_grid.h"

namespace velkaro {

struct DemInput {
  std::string path;          // the plain file, or the zip on disk
  ZipMemberRef member;       // member.member is empty for a plain file
  std::string fileName;
  DemXmlHeader header;
  MeshExtent extent;

  bool zipped() const { return !member.member.empty(); }
  std::string display() const { return zipped() ? member.display() : path; }
  DemRank rank() const { return DemRank{extent.cellLat(), DemProductLetter(fileName)}; }
};

// True for the file names of DEM XML files ("*dem*.xml", any letter case).
bool IsDemXmlName(std::string_view fileName);

// The DEM text of file bytes: Shift_JIS files (by their declaration) turned
// into UTF-8 in `scratch`, others as they are (a byte order mark rides on
// the first line, which the reader skips).
std::string_view DemTextOf(std::string_view bytes, std::string& scratch);

// Header of a DEM text or of its leading part; false when the text is no DEM
// (no "<type>…mメッシュ" line, no envelope or grid size, a bad number).
bool ReadDemInputHeader(std::string_view text, DemXmlHeader& header, MeshExtent& extent);

struct DemInputScan {
  std::vector<DemInput> inputs;     // in drawing order
  std::vector<std::string> problems;// one line per file or archive left out
  int notDem = 0;                   // XML files named like DEMs that are not
  int superseded = 0;               // older copies of a mesh left out
};

// Finds and reads the headers of the DEM XML files below `folder`. Of
// several files of one mesh, cell size and product, the newest is kept.
// `progress(done, total)` is called after each file or archive.
DemInputScan ScanDemInputs(const std::string& folder,
                           const std::function<void(int, int)>& progress = {});

}  // namespace velkaro
