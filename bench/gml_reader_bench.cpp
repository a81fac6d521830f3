// Throughput of the GML readers on one large generated FGD file, next to two
// yardsticks measured in the same run on the same file: a plain memchr line
// count and `grep -c "<gml:posList>"`.
//   gml_reader_bench [MEGABYTES [CASE]]   (default 220 MB, kept in /tmp; CASE
//   picks one case by a part of its name, e.g. "culled"; a third argument
//   names another file to read)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "vector/gml_readers.h"
#include "vector/reader_request.h"
#include "vector/gml_scan_context.h"

using namespace velkaro;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Water lines in the FGD layout, all inside the secondary mesh 533946, with
// 20 to 60 vertices each; every fourth feature is a closed ring.
void Generate(const std::string& path, size_t bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fputs("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Dataset gml:id=\"Dataset1\">\r\n", f);
  unsigned seed = 12345;
  auto next = [&]() { return (seed = seed * 1103515245u + 12345u) >> 8; };
  size_t written = 0;
  std::string buf;
  for (long id = 1; written < bytes; ++id) {
    buf.clear();
    char line[96];
    std::snprintf(line, sizeof line, "<WA gml:id=\"K_%ld\">\r\n<fid>%ld</fid>\r\n", id, id);
    buf += line;
    buf += "<orgGILvl>2500</orgGILvl>\r\n<vis>表示</vis>\r\n<area>\r\n<gml:Surface gml:id=\"s\" "
           "srsName=\"fguuid:jgd2011.bl\">\r\n<gml:patches>\r\n<gml:PolygonPatch>\r\n<gml:exterior>\r\n"
           "<gml:Ring>\r\n<gml:curveMember>\r\n<gml:Curve gml:id=\"c\">\r\n<gml:segments>\r\n"
           "<gml:LineStringSegment>\r\n<gml:posList>\r\n";
    const int n = 20 + static_cast<int>(next() % 41);
    double lat = 35.67 + (next() % 90000) * 1e-6, lon = 139.76 + (next() % 100000) * 1e-6;
    const double lat0 = lat, lon0 = lon;
    for (int i = 0; i < n; ++i) {
      std::snprintf(line, sizeof line, "%.9f %.9f\r\n", lat, lon);
      buf += line;
      lat += (static_cast<int>(next() % 200) - 100) * 1e-7;
      lon += (static_cast<int>(next() % 200) - 100) * 1e-7;
    }
    std::snprintf(line, sizeof line, "%.9f %.9f\r\n", lat0, lon0);
    buf += line;
    buf += "</gml:posList>\r\n</gml:LineStringSegment>\r\n</gml:segments>\r\n</gml:Curve>\r\n"
           "</gml:curveMember>\r\n</gml:Ring>\r\n</gml:exterior>\r\n</gml:PolygonPatch>\r\n"
           "</gml:patches>\r\n</gml:Surface>\r\n</area>\r\n<type>湖池</type>\r\n</WA>\r\n";
    std::fwrite(buf.data(), 1, buf.size(), f);
    written += buf.size();
  }
  std::fputs("</Dataset>\r\n", f);
  std::fclose(f);
}

// The floor of any line reader: the file read through one 4 MB buffer and its
// line ends counted with memchr.
double MemchrLines(const std::string& path, long& lines) {
  const auto start = Clock::now();
  std::vector<char> buffer(1 << 22);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) std::exit(1);
  lines = 0;
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
    const char* p = buffer.data();
    const char* end = p + got;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
      ++lines;
      ++p;
    }
  }
  std::fclose(f);
  return Seconds(start);
}

double Grep(const std::string& path, std::string& count) {
  const auto start = Clock::now();
  const std::string command = "grep -c \"<gml:posList>\" '" + path + "'";
  std::FILE* p = popen(command.c_str(), "r");
  char buf[64] = {};
  if (p) {
    if (std::fgets(buf, sizeof buf, p) == nullptr) buf[0] = 0;
    pclose(p);
  }
  count = buf;
  while (!count.empty() && (count.back() == '\n' || count.back() == '\r')) count.pop_back();
  return Seconds(start);
}

struct Case {
  const char* name;
  gml::GmlReader reader;
  bool inside;
  bool latLon;  // no projection: the readers' own cost without bltoxy
};

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 220;
  const std::string path =
      argc > 3 ? argv[3] : (fs::temp_directory_path() / "velkaro-bench-FG-GML-533946-WA.xml").string();
  std::error_code ec;
  if (!fs::exists(path) || fs::file_size(path, ec) < megabytes * 1000000) {
    std::printf("generating %zu MB in %s ...\n", megabytes, path.c_str());
    Generate(path, megabytes * 1000000);
  }
  const double mb = static_cast<double>(fs::file_size(path)) / 1e6;

  SilentHost host;
  CellBuffer cells;
  JobSettings settings;
  JobContext job(settings, host, cells);
  job.image.unitsPerPixel = 1.0;

  long lines = 0;
  MemchrLines(path, lines);  // warm the page cache
  const std::clock_t memchrCpu = std::clock();
  const double memchrSeconds = MemchrLines(path, lines);
  const double memchrCpuSeconds = static_cast<double>(std::clock() - memchrCpu) / CLOCKS_PER_SEC;
  std::string grepCount;
  const double grepSeconds = Grep(path, grepCount);
  std::printf("file           %.1f MB, %ld lines, %s vertex lists\n", mb, lines, grepCount.c_str());
  std::printf("read + memchr  %8.1f MB/s  (%.1f MB/s of CPU time; yardstick)\n", mb / memchrSeconds,
              mb / memchrCpuSeconds);
  std::printf("grep -c        %8.1f MB/s  (yardstick)\n", mb / grepSeconds);

  const Case cases[] = {
      {"GML32Poly    all written         ", gml::GML32Poly, true, false},
      {"GML32Poly    all culled          ", gml::GML32Poly, false, false},
      {"GML1024Hatch all written         ", gml::GML1024Hatch, true, false},
      {"GML1024Hatch all culled          ", gml::GML1024Hatch, false, false},
      {"GML32Poly    all written, lat/lon", gml::GML32Poly, true, true},
      {"GML1024Hatch all written, lat/lon", gml::GML1024Hatch, true, true},
  };
  const std::string only = argc > 2 ? argv[2] : "";
  for (const Case& c : cases) {
    if (!only.empty() && std::string(c.name).find(only) == std::string::npos) continue;
    // Inside: a tile over the whole mesh; culled: a tile 20 km away.
    const double latS = c.inside ? 35.60 : 35.90, latN = c.inside ? 35.80 : 35.95;
    SetZoneNumber(job.coords, c.latLon ? 0 : 9, 1.0);
    job.coords.latLonMode = c.latLon;
    const PlaneXY sw = bltoxy(job.coords, 139.70, latS);
    const PlaneXY ne = bltoxy(job.coords, 139.90, latN);
    job.tile.west = sw.y;
    job.tile.south = sw.x;
    job.tile.east = ne.y;
    job.tile.north = ne.x;
    job.runFlag = true;
    job.errorText.clear();
    ScanContext scan;
    scan.setGroup("WA-1", "水域");
    scan.typeKeys = {""};
    scan.childTexts = {"bench"};
    scan.subKeys = {""};
    scan.outputs.emplace_back();
    scan.outputs.back().openAppend("/dev/null");
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    c.reader(ReaderRequestOf(job), path, scan);
    scan.closeOutputs();
    const double s = Seconds(start);
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("%s %8.1f MB/s  (%.1f MB/s of CPU time)  %s\n", c.name, mb / s, mb / cpu,
                job.errorText.c_str());
  }
  return 0;
}
