// Throughput of the KSJ area readers on one large generated file in the
// storm-surge (A49) layout: curves Cv<n>_<part> with one pair per line, then
// the attribute part (bounds, then the depth class text). Every feature lies
// on the tile, so every feature is written. A plain memchr line count of the
// same file is measured in the same run as the yardstick.
//   ksj_reader_bench [MEGABYTES]   (default 120 MB, kept in /tmp)

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "catalogue/layer_catalogue.h"
#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "scratch/scratch_file.h"
#include "vector/ksj_readers.h"
#include "vector/reader_request.h"

using namespace velkaro;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

const char* const kClasses[] = {"0.3m 未満", "0.3m 以上 0.5m 未満", "0.5m 以上 3m 未満", "3m 以上 5m 未満",
                                "5m 以上 10m 未満", "20m 以上"};

// Features of 30 to 90 points (a ring and, for every third, a hole), spread
// over about 0.2 x 0.2 degrees around 35.7 N 139.75 E.
size_t Generate(const std::string& path, size_t bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fputs("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", f);
  std::fputs("<ksj:Dataset gml:id=\"A49Dataset\" xmlns:ksj=\"http://nlftp.mlit.go.jp/ksj/schemas/ksj-app\" "
             "xmlns:gml=\"http://www.opengis.net/gml/3.2\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\r\n", f);
  std::fputs("<gml:description>国土数値情報 高潮浸水想定区域 インスタンス文書</gml:description>\r\n", f);
  size_t written = 0;
  long features = 0;
  unsigned seed = 12345;
  auto rnd = [&] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  const size_t geometryBytes = bytes * 9 / 10;
  while (written < geometryBytes) {
    ++features;
    const double lat = 35.6 + (rnd() % 20000) * 1e-5, lon = 139.65 + (rnd() % 20000) * 1e-5;
    const int rings = features % 3 == 0 ? 2 : 1;
    for (int k = 0; k < rings; ++k) {
      const int n = 30 + static_cast<int>(rnd() % 60);
      const double r = (k == 0 ? 0.003 : 0.001);
      written += std::fprintf(f, "\t<gml:Curve gml:id=\"Cv%ld_%d\">\r\n\t\t<gml:segments>\r\n\t\t\t<gml:LineStringSegment>\r\n"
                                 "\t\t\t\t<gml:posList>\r\n", features, k);
      for (int i = 0; i <= n; ++i) {
        const double a = 2 * M_PI * (i % n) / n;
        written += std::fprintf(f, "\t\t\t\t%.8f %.8f\r\n", lat + r * std::sin(a), lon + r * std::cos(a));
      }
      written += std::fprintf(f, "\t\t\t\t</gml:posList>\r\n\t\t\t</gml:LineStringSegment>\r\n\t\t</gml:segments>\r\n\t</gml:Curve>\r\n");
    }
  }
  for (long i = 1; i <= features; ++i)
    std::fprintf(f, "\t<ksj:AreasExpectedToBeFloodedByStormSurges gml:id=\"ss%ld\">\r\n\t\t<ksj:bounds xlink:href=\"#sf%ld\"/>\r\n"
                    "\t\t<ksj:prefectureName>東京都</ksj:prefectureName>\r\n"
                    "\t\t<ksj:classificationOfWaterDepth>%s</ksj:classificationOfWaterDepth>\r\n"
                    "\t</ksj:AreasExpectedToBeFloodedByStormSurges>\r\n",
                 i, i, kClasses[i % 6]);
  std::fputs("</ksj:Dataset>\r\n", f);
  std::fclose(f);
  return static_cast<size_t>(features);
}

long LineScan(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  static char buf[1 << 20];
  long lines = 0;
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0)
    for (const char* p = buf; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(buf + got - p)))); ++p)
      ++lines;
  std::fclose(f);
  return lines;
}

class NullHost : public JobHost {
 public:
  void setLabel(LabelRole, const std::string&) override {}
  void pump() override {}
  Answer ask(const std::string&, const std::string&, Buttons) override { return Answer::Ok; }
};

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 120;
  const std::string path = "/tmp/A49-velkaro-bench.xml";
  if (!fs::exists(path) || fs::file_size(path) < megabytes * 900000) {
    std::printf("generating %zu MB ...\n", megabytes);
    Generate(path, megabytes * 1000000);
  }
  const double mb = static_cast<double>(fs::file_size(path)) / 1e6;

  NullHost host;
  CellBuffer cells;
  JobSettings settings;
  settings.writefolder = "/tmp";
  JobContext job(settings, host, cells);
  SetZoneNumber(job.coords, 9, 1.0);
  const PlaneXY sw = bltoxy(job.coords, 139.0, 35.0), ne = bltoxy(job.coords, 140.5, 36.5);
  job.tile.west = sw.y, job.tile.south = sw.x, job.tile.east = ne.y, job.tile.north = ne.x;
  job.runFlag = true;

  // The page cache holds the file for every measurement.
  auto t0 = Clock::now();
  const long lines = LineScan(path);
  const double scan = Seconds(t0);
  t0 = Clock::now();
  LineScan(path);
  const double scan2 = Seconds(t0);
  std::printf("file %.1f MB, %ld lines\n", mb, lines);
  std::printf("%-34s %8.3f s %8.0f MB/s\n", "memchr line scan", std::min(scan, scan2), mb / std::min(scan, scan2));

  struct Case {
    const char* name;
    ksj::KsjReader reader;
    int mask;
  };
  for (const Case& c : {Case{"KsjAreas (every feature written)", &ksj::KsjAreas, 64},
                        Case{"KsjCodedAreas (every feature written)", &ksj::KsjCodedAreas, 32}}) {
    KsjTheme theme;
    theme.code = "A49-";
    theme.caption = "bench-ksj";
    theme.readerMask = c.mask;
    theme.readerTexts = {"<gml:Curve gml:id=\"Cv", "", "<ksj:bounds xlink:href=\"#sf", "<ksj:classificationOfWaterDepth>"};
    const std::string out = ScratchPath(job, theme.caption);
    ScratchFile file;
    file.create(out);
    const ReaderRequest req = ReaderRequestOf(job);
    const ksj::KsjRun run{req, theme, 0, file, {}};
    t0 = Clock::now();
    c.reader(run, path);
    file.close();
    const double s = Seconds(t0);
    std::printf("%-34s %8.3f s %8.0f MB/s  (scratch %.0f MB)%s%s\n", c.name, s, mb / s,
                static_cast<double>(fs::file_size(out)) / 1e6, job.errorText.empty() ? "" : "  error: ",
                job.errorText.c_str());
    fs::remove(out);
  }
  return 0;
}
