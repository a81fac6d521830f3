// The KSJ readers: plain, coded and zoning areas, tornado tracks, curves,
// airports, point names and area names. The choice byte picks the reader
// (its low three bits) and one theme of the theme list that uses it (the
// rest), whose reader texts the reader then looks for.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalogue_support.h"
#include "fuzz_support.h"
#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "job/job_host.h"
#include "scratch/scratch_file.h"
#include "vector/ksj_readers.h"
#include "vector/reader_request.h"

using namespace velkaro;

namespace {

struct ReaderThemes {
  ksj::KsjReader reader;
  std::vector<const KsjTheme*> themes;
};

std::vector<ReaderThemes> ThemesByReader() {
  static constexpr struct {
    int bit;
    ksj::KsjReader reader;
  } kReaders[] = {{0x01, ksj::KsjPointNames}, {0x02, ksj::KsjAirports},   {0x04, ksj::KsjCurves},
                  {0x08, ksj::KsjTornadoTracks}, {0x10, ksj::KsjZoningAreas}, {0x20, ksj::KsjCodedAreas},
                  {0x40, ksj::KsjAreas},      {0x80, ksj::KsjAreaNames}};
  std::vector<ReaderThemes> list;
  for (const auto& r : kReaders) {
    list.push_back({r.reader, {}});
    for (const KsjTheme& theme : fuzz::Catalogue().ksj)
      if (theme.readerMask & r.bit) list.back().themes.push_back(&theme);
  }
  return list;
}

// A running job on a tile around Tokyo station (plane zone 9), as the KSJ
// scan sets it up for its readers.
class KsjReaderJob {
 public:
  KsjReaderJob() {
    settings_.writefolder = fuzz::WorkFolder();
    job_ = std::make_unique<JobContext>(settings_, host_, cells_);
    fuzz::PlaceOnTestTile(*job_);
  }

  void read(ksj::KsjReader reader, const KsjTheme& theme, std::string_view bytes) {
    const std::string path = fuzz::WriteFile(theme.code + "fuzz.xml", bytes);
    ScratchFile out;
    out.create(ScratchPath(fuzz::WorkFolder(), "ksj"));
    job_->runFlag = true;
    job_->errorText.clear();
    const ReaderRequest req = ReaderRequestOf(*job_);
    const ksj::KsjRun run{req, theme, 0, out, ksj::BulletSize{12, 12}};
    reader(run, path);
  }

 private:
  JobSettings settings_;
  SilentHost host_;
  CellBuffer cells_;
  std::unique_ptr<JobContext> job_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static KsjReaderJob job;
  static const std::vector<ReaderThemes> readers = ThemesByReader();
  fuzz::Input input(data, size);
  const uint8_t choice = input.choice();
  const ReaderThemes& r = readers[choice % readers.size()];
  job.read(r.reader, *r.themes[(choice / readers.size()) % r.themes.size()], input.rest());
  return 0;
}
