#include "vector/ksj_scan.h"

#include <cstdio>
#include <vector>

#include "catalogue/layer_catalogue.h"
#include "job/job_context.h"
#include "platform/file_search.h"
#include "scratch/scratch_file.h"
#include "vector/ksj_readers.h"
#include "vector/reader_request.h"

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

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> ThemeFiles(const JobContext& job, const std::string& folder,
                                    const KsjTheme& theme) {
  return FindFiles(folder, KsjFilePattern(theme.code), job.settings.subfolder);
}

// Reads the files of one theme; false when the job was aborted.
bool ReadTheme(JobContext& job, const std::string& folder, const KsjTheme& theme, int index,
               int passMask, const ksj::BulletMeasure& measure) {
  const std::vector<std::string> files = ThemeFiles(job, folder, theme);
  job.host.setLabel(LabelRole::Group, theme.caption);
  const std::string scratchPath = ScratchPath(job, theme.caption);
  ScratchFile out;
  out.create(scratchPath);
  const ReaderRequest request = ReaderRequestOf(job);
  const ksj::KsjRun run{request, theme, index, out, measure ? measure(theme) : ksj::BulletSize{}};
  const int mask = theme.readerMask & passMask;
  for (const std::string& path : files) {
    job.host.pump();
    if (!job.runFlag) break;
    ++job.fileCount;
    job.host.setLabel(LabelRole::Numerator, std::to_string(job.fileCount));
    job.host.setLabel(LabelRole::FileName, std::string(FileNameOf(path)));
    for (const KsjReaderSlot& slot : kKsjReaders)
      if (mask & slot.bit) slot.reader(run, path);
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
  for (int i = static_cast<int>(themes.size()) - 1; i >= 0; --i) {
    const KsjTheme& theme = themes[static_cast<size_t>(i)];
    if (!theme.on || (theme.readerMask & passMask) == 0) continue;
    if (mode == KsjScanMode::Count) {
      job.fileCount += static_cast<long>(ThemeFiles(job, folder, theme).size());
      continue;
    }
    if (!job.runFlag) return;
    if (!ReadTheme(job, folder, theme, i, passMask, measure)) return;
  }
}

}  // namespace velkaro
