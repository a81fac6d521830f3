#include "elevation/dem_sources.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/source_file.h"
#include "elevation/dem_readers.h"
#include "elevation/parsed_dem_files.h"
#include "elevation/shared_dem_files.h"
#include "elevation/messages.h"
#include "job/job_context.h"
#include "platform/ordered_work.h"
#include "platform/whole_file.h"

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

// True when a zip of this name may hold DEM files that overlap the extent:
// its name carries no mesh code, or the code's mesh overlaps it.
bool ArchiveMeetsExtent(std::string_view zipName, const GeoBox& extent) {
  const std::string digits = ArchiveMeshDigits(zipName);
  if (digits.empty()) return true;
  const DemKind level = digits.size() == 4 ? kDem250 : digits.size() == 6 ? kDem10 : kDem5;
  GeoBox mesh;
  return !DemMeshBox(digits, level, mesh) || Overlaps(mesh, extent);
}

// The files of a kind: plain files and, for the DEM XML kinds, the members
// of the folder's zips. The ETOPO grids are far too big to take out of a zip
// into memory and are read from disk only.
SourceList FindKindSources(const JobContext& ctx, int kind, const GeoBox* extent) {
  const JobSettings& s = ctx.settings;
  SourceQuery query;
  query.pattern = kPatterns[kind];
  query.subfolders = s.subfolder;
  query.listings = ctx.archiveListings;
  if (kind == kEtopo)
    query.archiveWanted = [](std::string_view) { return false; };
  else if (extent)
    query.archiveWanted = [extent](std::string_view zipName) { return ArchiveMeetsExtent(zipName, *extent); };
  return FindSources(s.meshfolder, query);
}

// One DEM file loaded (a zip member taken out) and taken apart, or found
// taken apart earlier in the run.
struct DemFileRead {
  bool memberLoaded = false;
  std::string name;
  std::shared_ptr<const DemXmlParsed> parsed;
};

// `buffer`: the run's memory for reading a file of this thread, if any.
void LoadAndParse(SourceLoader& loader, const SourceRef& ref, unsigned kinds, LineStream* buffer, DemFileRead& out) {
  SourceFile file{std::string()};
  std::string error;
  out.memberLoaded = loader.load(ref, file, error);
  if (!out.memberLoaded) return;
  out.name = file.name();
  auto parsed = std::make_shared<DemXmlParsed>();
  LineStream ownBuffer;
  ParseDemXml(file, kinds, *parsed, buffer ? *buffer : ownBuffer);
  out.parsed = std::move(parsed);
}

// The run's taken-apart files know a file by its place and the kinds read.
std::string ParsedKey(const SourceRef& ref, unsigned kinds) {
  return ref.expandedPath() + '\n' + std::to_string(kinds);
}

// A file of the run's shared store, on this process's turn: the entry
// another worker left, or the file taken apart here and left for the others.
void ReadOnTurn(SharedDemFiles::Turn& turn, SourceLoader& loader, const SourceRef& ref, unsigned kinds,
                LineStream* buffer, DemFileRead& out) {
  if (turn.found()) {
    out.parsed = turn.found();
    out.memberLoaded = true;
    out.name = ref.display();   // as the loader names it
    return;
  }
  LoadAndParse(loader, ref, kinds, buffer, out);
  if (out.memberLoaded && out.parsed && out.parsed->loaded) turn.publish(*out.parsed);
}

// As LoadAndParse, but a file another worker of the run took apart (or is
// taking apart: this waits for it) comes from the shared store, and a file
// taken apart here is left there for the others.
void LoadParseOrShare(SharedDemFiles* shared, SourceLoader& loader, const SourceRef& ref, unsigned kinds,
                      LineStream* buffer, DemFileRead& out) {
  if (!shared) return LoadAndParse(loader, ref, kinds, buffer, out);
  SharedDemFiles::Turn turn = shared->turnFor(ParsedKey(ref, kinds));
  ReadOnTurn(turn, loader, ref, kinds, buffer, out);
}

// With workers sharing the run's DEM files, first the files no other worker
// is taking apart right now: two workers wanting the same files in the same
// order would otherwise take turns, one waiting while the other works on
// each. The files left wait for the list's order (their entries are
// usually there by then). Marks in `done` the files read here.
void ReadFreeFilesFirst(JobContext& ctx, SourceLoader& loader, const std::vector<SourceRef>& files,
                        const std::vector<size_t>& wanted, unsigned kinds, std::vector<DemFileRead>& reads,
                        std::vector<char>& done) {
  if (!ctx.sharedDemFiles || std::count(done.begin(), done.end(), 0) < 2) return;
  LineStream* buffer = ctx.parsedDemFiles ? &ctx.parsedDemFiles->readBuffer(0) : nullptr;
  for (size_t k = 0; k < wanted.size(); ++k) {
    if (done[k]) continue;
    ctx.host.pump();
    if (!ctx.runFlag) return;
    const SourceRef& ref = files[wanted[k]];
    try {
      std::optional<SharedDemFiles::Turn> turn = ctx.sharedDemFiles->turnIfFree(ParsedKey(ref, kinds));
      if (!turn) continue;   // another worker is on it
      ReadOnTurn(*turn, loader, ref, kinds, buffer, reads[k]);
      done[k] = 1;
    } catch (const std::exception&) {
      reads[k] = DemFileRead{};   // tried again in order
    }
  }
}

void PlaceDemFile(JobContext& ctx, const SourceRef& ref, const DemFileRead& read, const GeoBox& extent) {
  if (!read.memberLoaded || !read.parsed) {
    ctx.errorText = text::kArchiveErrorHead + ref.display() + text::kReaderErrorTail;
    return;
  }
  PlaceDemXml(ctx, *read.parsed, extent, read.name);
}

// Whether a DEM file's mesh (from its name) overlaps the grid. The grid's
// margin lies beyond the tile, so a file is wanted when its mesh overlaps
// the whole grid, not only the tile.
bool MeshOverlaps(const std::string& name, DemKind kind, const GeoBox& extent) {
  GeoBox mesh;
  return DemMeshBox(DemMeshCodeOfFileName(name, kind), kind, mesh) && Overlaps(mesh, extent);
}

// Reads the DEM XML files in list order. The files are loaded and taken
// apart on two threads (OrderedWork) and placed into the grid here, in
// order, so that of two files of one mesh the later still wins.
void ReadDemXmlFiles(JobContext& ctx, const std::vector<SourceRef>& files, DemKind kind, const GeoBox& extent) {
  std::vector<size_t> wanted;
  for (size_t i = 0; i < files.size(); ++i)
    if (MeshOverlaps(std::string(files[i].fileName()), kind, extent)) wanted.push_back(i);
  const unsigned kinds = SelectedDemKinds(ctx);
  // Files taken apart for an earlier tile are placed from memory.
  std::vector<DemFileRead> known(wanted.size());
  if (ctx.parsedDemFiles)
    for (size_t k = 0; k < wanted.size(); ++k) {
      const SourceRef& ref = files[wanted[k]];
      known[k].parsed = ctx.parsedDemFiles->find(ParsedKey(ref, kinds));
      known[k].memberLoaded = known[k].parsed != nullptr;
      known[k].name = ref.display();   // as the loader names it
    }
  SourceLoader loaders[2];
  std::vector<DemFileRead> early(wanted.size());
  std::vector<char> done(wanted.size());
  for (size_t k = 0; k < wanted.size(); ++k) done[k] = known[k].parsed != nullptr;
  ReadFreeFilesFirst(ctx, loaders[0], files, wanted, kinds, early, done);
  // A second thread only when some file is still to be taken apart.
  const bool toParse = std::count(done.begin(), done.end(), 0) > 0;
  OrderedWork<DemFileRead> reads(wanted.size(), [&](size_t k, int lane, DemFileRead& out) {
    if (known[k].parsed)
      out = known[k];
    else if (done[k])
      out = std::move(early[k]);
    else
      LoadParseOrShare(ctx.sharedDemFiles, loaders[lane], files[wanted[k]], kinds,
                       ctx.parsedDemFiles ? &ctx.parsedDemFiles->readBuffer(lane) : nullptr, out);
  }, ctx.helperThreads && toParse);
  size_t next = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    ctx.host.pump();
    if (!ctx.runFlag) return;
    ++ctx.fileCount;
    if (next >= wanted.size() || wanted[next] != i) continue;
    ctx.host.setLabel(LabelRole::Numerator, std::to_string(ctx.fileCount));
    ctx.host.setLabel(LabelRole::FileName, std::string(files[i].fileName()));
    const DemFileRead* read = reads.take(next++, [&] {
      ctx.host.pump();
      return ctx.runFlag;
    });
    if (!read) return;   // aborted while waiting
    PlaceDemFile(ctx, files[i], *read, extent);
    if (ctx.parsedDemFiles && read->parsed && !known[next - 1].parsed)
      ctx.parsedDemFiles->keep(ParsedKey(files[i], kinds), read->parsed);
  }
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
  for (int k = 0; k < kElevationClasses; ++k)
    if (s.alti[k] || s.cont[k]) kind = k;
  if (kind < 0) return;
  // Counting takes every file; reading leaves closed the zips whose mesh
  // misses the grid.
  SourceList sources = FindKindSources(ctx, kind, mode == DemScanMode::Read ? &extent : nullptr);
  if (mode == DemScanMode::Count) {
    ctx.fileCount += static_cast<long>(sources.files.size());
    return;
  }
  for (const SourceProblem& problem : sources.problems)
    ctx.errorText = text::kArchiveErrorHead + problem.archive + text::kReaderErrorTail;
  // Files are read in path order, so of two overlapping files of one mesh
  // the later-dated one (its date is in the name) wins. A zip member takes
  // the place it would have once expanded, so a zipped tree reads as the
  // expanded one does.
  std::vector<SourceRef>& files = sources.files;
  std::stable_sort(files.begin(), files.end(), [](const SourceRef& a, const SourceRef& b) {
    return a.expandedPath() < b.expandedPath();
  });
  ctx.host.setLabel(LabelRole::Group, kind == kEtopo ? text::kStepEtopo : text::kStepDemData);
  if (kind != kEtopo) ctx.host.setLabel(LabelRole::Numerator, std::to_string(ctx.fileCount));
  if (kind != kEtopo) {
    ReadDemXmlFiles(ctx, files, static_cast<DemKind>(kind), extent);
    return;
  }
  for (const SourceRef& ref : files) {
    ctx.host.pump();
    if (!ctx.runFlag) return;
    ++ctx.fileCount;
    ctx.host.setLabel(LabelRole::Numerator, std::to_string(ctx.fileCount));
    ctx.host.setLabel(LabelRole::FileName, std::string(ref.fileName()));
    ReadEtopoGrid(ctx, ref.path, extent);
  }
}

}  // namespace velkaro
