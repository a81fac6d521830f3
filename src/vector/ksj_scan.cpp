#include "vector/ksj_scan.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "archive/source_file.h"
#include "catalogue/layer_catalogue.h"
#include "job/job_context.h"
#include "platform/file_search.h"
#include "scratch/scratch_file.h"
#include "vector/ksj_readers.h"
#include "vector/reader_request.h"
#include "vector/vector_messages.h"

namespace velkaro {

namespace {

// The readers in the order they run on a file, by reader bit.
struct KsjReaderSlot {
  int bit;
  ksj::KsjReader reader;
};
constexpr KsjReaderSlot kKsjReaders[] = {
    {0x40, &ksj::KsjAreas},         {0x20, &ksj::KsjCodedAreas}, {0x10, &ksj::KsjZoningAreas},
    {0x08, &ksj::KsjTornadoTracks}, {0x04, &ksj::KsjCurves},     {0x02, &ksj::KsjAirports},
    {0x01, &ksj::KsjPointNames},    {0x80, &ksj::KsjAreaNames},
};

bool ThemeIsRead(const KsjTheme& theme, int passMask) {
  return theme.on && (theme.readerMask & passMask) != 0;
}

bool ZipNameStartsWithCode(std::string_view zipName, std::string_view code) {
  std::string pattern(code.substr(0, 4));
  pattern.append("*.zip");
  return WildcardMatch(pattern, zipName);
}

// Whether to open a zip (on disk or inside another) of this name. KSJ
// downloads are named by theme code and prefecture ("A31-12_13_GML.zip"):
// one that starts with the code of a theme of the list is opened only when
// the pass reads such a theme; a name without a known code may hold anything.
bool ArchiveWanted(const std::vector<KsjTheme>& themes, int passMask, std::string_view zipName) {
  bool known = false;
  for (const KsjTheme& theme : themes) {
    if (!ZipNameStartsWithCode(zipName, theme.code)) continue;
    if (ThemeIsRead(theme, passMask)) return true;
    known = true;
  }
  return !known;
}

// Every KSJ file the pass may read: plain files and zip members, each in
// the place it would have once its zip is expanded next to itself, so a
// zipped folder is read in the order of the expanded one.
SourceList FindKsjSources(const JobContext& job, const std::string& folder, int passMask) {
  const std::vector<KsjTheme>& themes = job.settings.layers.ksj;
  SourceQuery query;
  query.pattern = "*.xml";
  query.subfolders = job.settings.subfolder;
  query.listings = job.archiveListings;
  query.archiveWanted = [&themes, passMask](std::string_view zipName) {
    return ArchiveWanted(themes, passMask, zipName);
  };
  SourceList list = FindSources(folder, query);
  std::stable_sort(list.files.begin(), list.files.end(), [](const SourceRef& a, const SourceRef& b) {
    return a.expandedPath() < b.expandedPath();
  });
  return list;
}

bool IsThemeFile(const KsjTheme& theme, const SourceRef& ref) {
  return WildcardMatch(KsjFilePattern(theme.code), ref.fileName());
}

// The source as the readers read it: a plain file stays on disk, a zip
// member is read into memory. False, with the message, when its archive is
// damaged.
bool OpenSource(JobContext& job, SourceLoader& loader, const SourceRef& ref, SourceFile& file) {
  std::string error;
  if (loader.load(ref, file, error)) return true;
  job.errorText = vector_msg::ArchiveFailure(ref.display());
  return false;
}

// Reads the files of one theme; false when the job was aborted.
bool ReadTheme(JobContext& job, const SourceList& sources, SourceLoader& loader, const KsjTheme& theme,
               int index, int passMask, const ksj::BulletMeasure& measure) {
  job.host.setLabel(LabelRole::Group, theme.caption);
  const std::string scratchPath = NewScratchPath(job, theme.caption);
  ScratchFile out;
  out.create(scratchPath);
  const ReaderRequest request = ReaderRequestOf(job);
  const ksj::KsjRun run{request, theme, index, out, measure ? measure(theme) : ksj::BulletSize{}};
  const int mask = theme.readerMask & passMask;
  SourceFile file{std::string()};
  for (const SourceRef& ref : sources.files) {
    if (!IsThemeFile(theme, ref)) continue;
    job.host.pump();
    if (!job.runFlag) break;
    ++job.fileCount;
    job.host.setLabel(LabelRole::Numerator, std::to_string(job.fileCount));
    job.host.setLabel(LabelRole::FileName, std::string(ref.fileName()));
    if (!OpenSource(job, loader, ref, file)) continue;
    for (const KsjReaderSlot& slot : kKsjReaders)
      if (mask & slot.bit) slot.reader(run, file);
  }
  out.close();
  if (job.runFlag) return true;
  std::remove(scratchPath.c_str());
  return false;
}

}  // namespace

std::string KsjFilePattern(std::string_view code) {
  std::string pattern(code.substr(0, 4));
  pattern.append("*.xml");
  return pattern;
}

void ScanKsj(JobContext& job, const std::string& folder, KsjScanMode mode, int passMask,
             const ksj::BulletMeasure& measure) {
  std::vector<KsjTheme>& themes = job.settings.layers.ksj;
  if (std::none_of(themes.begin(), themes.end(),
                   [passMask](const KsjTheme& theme) { return ThemeIsRead(theme, passMask); }))
    return;
  const SourceList sources = FindKsjSources(job, folder, passMask);
  if (mode == KsjScanMode::Read)
    for (const SourceProblem& problem : sources.problems)
      job.errorText = vector_msg::ArchiveFailure(problem.archive);
  SourceLoader loader;
  for (int i = static_cast<int>(themes.size()) - 1; i >= 0; --i) {
    const KsjTheme& theme = themes[static_cast<size_t>(i)];
    if (!ThemeIsRead(theme, passMask)) continue;
    if (mode == KsjScanMode::Count) {
      job.fileCount += std::count_if(sources.files.begin(), sources.files.end(),
                                     [&theme](const SourceRef& ref) { return IsThemeFile(theme, ref); });
      continue;
    }
    if (!job.runFlag) return;
    if (!ReadTheme(job, sources, loader, theme, i, passMask, measure)) return;
  }
}

}  // namespace velkaro
