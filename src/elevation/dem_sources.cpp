#include "elevation/dem_sources.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "elevation/dem_readers.h"
#include "elevation/messages.h"
#include "job/job_context.h"
#include "platform/file_search.h"

namespace velkaro {

namespace {

namespace text = elevation_text;

constexpr const char* kPatterns[] = {"*dem5*.xml", "*dem10*.xml", "*dem50*.xml", "*dem250*.xml",
                                     "*.flt"};

// Length of the code and its distance before "DEM", by kind.
constexpr int kCodeLength[] = {10, 7, 7, 4};
constexpr int kDigits[] = {8, 6, 6, 4};

int Digit(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

bool Overlaps(const GeoBox& a, const GeoBox& b) {
  return a.lonW < b.lonE && b.lonW < a.lonE && a.latS < b.latN && b.latS < a.latN;
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

std::string DemMeshCodeOfFileName(std::string_view fileName, DemKind kind) {
  if (kind < kDem5 || kind > kDem250) return {};
  std::string upper(fileName);
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  const size_t dem = upper.find("DEM");
  const size_t back = static_cast<size_t>(kCodeLength[kind]) + 1;
  if (dem == std::string::npos || dem < back) return {};
  return upper.substr(dem - back, static_cast<size_t>(kCodeLength[kind]));
}

bool DemMeshBox(std::string_view code, DemKind kind, GeoBox& box) {
  if (kind < kDem5 || kind > kDem250) return false;
  // The 8-digit form of a 5 m code comes as "L-53394500", the 6-digit form of
  // a 10 m code as "-533945"; hyphens separate the levels otherwise.
  if (kind == kDem5 && !code.empty() && code.front() == 'L') code.remove_prefix(1);
  int d[8];
  int n = 0;
  for (char ch : code) {
    if (ch == '-') continue;
    const int v = Digit(ch);
    if (v < 0 || n == kDigits[kind]) return false;
    d[n++] = v;
  }
  if (n != kDigits[kind]) return false;
  double latS = (d[0] * 10 + d[1]) / 1.5, lonW = 100 + d[2] * 10 + d[3];
  double dLat = 2.0 / 3.0, dLon = 1.0;
  if (n >= 6) {
    if (d[4] > 7 || d[5] > 7) return false;
    latS += d[4] / 12.0;
    lonW += d[5] / 8.0;
    dLat = 1.0 / 12;
    dLon = 1.0 / 8;
  }
  if (n == 8) {
    latS += d[6] / 120.0;
    lonW += d[7] / 80.0;
    dLat = 1.0 / 120;
    dLon = 1.0 / 80;
  }
  box = GeoBox{lonW, latS, lonW + dLon, latS + dLat};
  return true;
}

void ScanDemSources(JobContext& ctx, DemScanMode mode, const GeoBox& extent) {
  const JobSettings& s = ctx.settings;
  int kind = -1;
  std::vector<std::string> files;
  for (int k = 0; k < kElevationClasses; ++k) {
    if (!(s.alti[k] || s.cont[k])) continue;
    kind = k;
    files = FindFiles(s.meshfolder, kPatterns[k], s.subfolder);
  }
  if (kind < 0) return;
  if (mode == DemScanMode::Count) {
    ctx.fileCount += static_cast<long>(files.size());
    return;
  }
  // Files are read in path order, so of two overlapping files of one mesh
  // the later-dated one (its date is in the name) wins.
  std::sort(files.begin(), files.end());
  ctx.host.setLabel(LabelRole::Group, kind == kEtopo ? text::kStepEtopo : text::kStepDemData);
  if (kind != kEtopo) ctx.host.setLabel(LabelRole::Numerator, std::to_string(ctx.fileCount));
  for (const std::string& path : files) {
    ctx.host.pump();
    if (!ctx.runFlag) return;
    ++ctx.fileCount;
    const std::string name = FileNameOf(path);
    if (kind == kEtopo) {
      ctx.host.setLabel(LabelRole::Numerator, std::to_string(ctx.fileCount));
      ctx.host.setLabel(LabelRole::FileName, name);
      ReadEtopoGrid(ctx, path, extent);
      continue;
    }
    // The grid's margin lies beyond the tile, so a file is wanted when its
    // mesh overlaps the whole grid, not only the tile.
    GeoBox mesh;
    if (!DemMeshBox(DemMeshCodeOfFileName(name, static_cast<DemKind>(kind)),
                    static_cast<DemKind>(kind), mesh) ||
        !Overlaps(mesh, extent))
      continue;
    ctx.host.setLabel(LabelRole::Numerator, std::to_string(ctx.fileCount));
    ctx.host.setLabel(LabelRole::FileName, name);
    ReadDemXml(ctx, path, extent);
  }
}

}  // namespace velkaro
