// velkaro-gridpack speed: MB/s of DEM XML turned into a GeoTIFF mosaic, from
// plain files and from one zip of them, next to a plain memchr line scan of
// the same files in the same run (the scan reads the files from the page
// cache too, so the ratio says what parsing and writing cost).
//
//   gridpack_bench [MESHES_PER_SIDE]   (default 8: 64 full 5 m meshes, ~40 MB)

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gridpack/gridpack.h"

using namespace velkaro;
namespace fs = std::filesystem;

namespace {

// One full 5 m DEM XML of third mesh (row r, column c) of 2nd mesh 5339-45.
std::string MeshText(int r, int c) {
  const double latS = 35.75 + r / 120.0, lonW = 139.625 + c / 80.0;
  char buf[512];
  std::string s = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Dataset>\r\n\t<DEM  gml:id=\"DEM001\">\r\n"
                  "\t\t<type>5mメッシュ（標高）</type>\r\n";
  std::snprintf(buf, sizeof buf,
                "\t\t\t\t\t<gml:lowerCorner>%.9f %.9f</gml:lowerCorner>\r\n"
                "\t\t\t\t\t<gml:upperCorner>%.9f %.9f</gml:upperCorner>\r\n"
                "\t\t\t\t\t\t\t<gml:high>224 149</gml:high>\r\n"
                "<gml:QuantityList  uom=\"DEM構成点\"/>\r\n<gml:tupleList>\r\n",
                latS, lonW, latS + 1 / 120.0, lonW + 1 / 80.0);
  s += buf;
  s.reserve(700000);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 225; ++x) {
      const double gy = r * 150 + (149 - y), gx = c * 225 + x;
      const double v = 40 + 30 * std::sin(gx * 0.004) * std::cos(gy * 0.005) + 0.01 * std::fmod(gx * gy, 97);
      if (v < 15) {
        s += "海水面,-9999.\r\n";
        continue;
      }
      std::snprintf(buf, sizeof buf, "地表面,%.2f\r\n", v);
      s += buf;
    }
  s += "</gml:tupleList>\r\n\t\t\t\t\t<gml:startPoint>0 0</gml:startPoint>\r\n\t</DEM>\r\n</Dataset>\r\n";
  return s;
}

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// All files of `from` into one deflated zip.
void ZipFolder(const fs::path& from, const fs::path& zip) {
  struct archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_open_filename(a, zip.c_str());
  for (const auto& e : fs::directory_iterator(from)) {
    std::ifstream in(e.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, e.path().filename().c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
    archive_write_header(a, entry);
    archive_write_data(a, bytes.data(), bytes.size());
    archive_entry_free(entry);
  }
  archive_write_close(a);
  archive_write_free(a);
}

template <class F>
double BestSeconds(int repeats, F&& f) {
  double best = 1e9;
  for (int i = 0; i < repeats; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

class Quiet : public GridpackObserver {};

}  // namespace

int main(int argc, char** argv) {
  const int side = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
  const fs::path root = fs::temp_directory_path() / ("velkaro-gridpack-bench-" + std::to_string(getpid()));
  const fs::path plain = root / "plain", zipped = root / "zipped";
  fs::create_directories(plain);
  fs::create_directories(zipped);
  double bytes = 0;
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c) {
      const std::string text = MeshText(r, c);
      bytes += static_cast<double>(text.size());
      char name[64];
      std::snprintf(name, sizeof name, "FG-GML-5339-45-%d%d-DEM5A-20161001.xml", r, c);
      WriteFile(plain / name, text);
    }
  ZipFolder(plain, zipped / "FG-GML-5339-45-DEM5A.zip");
  const double mb = bytes / 1e6;
  std::printf("%d meshes, %.1f MB of DEM XML (zip %.1f MB)\n", side * side, mb,
              fs::file_size(zipped / "FG-GML-5339-45-DEM5A.zip") / 1e6);

  // The yardstick: read every file whole and count its lines with memchr.
  size_t lines = 0;
  std::string buffer;
  const double scan = BestSeconds(3, [&] {
    lines = 0;
    for (const auto& e : fs::directory_iterator(plain)) {
      std::ifstream in(e.path(), std::ios::binary | std::ios::ate);
      buffer.resize(static_cast<size_t>(in.tellg()));
      in.seekg(0);
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      const char* p = buffer.data();
      const char* end = p + buffer.size();
      while (const void* nl = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
        p = static_cast<const char*>(nl) + 1;
        ++lines;
      }
    }
  });

  auto pack = [&](const fs::path& folder, const char* out, bool overviews, int zone) {
    GridpackOptions o;
    o.folder = folder.string();
    o.outPath = (root / out).string();
    o.overviews = overviews;
    o.zone = zone;
    Quiet quiet;
    GridpackSummary s;
    const double t = BestSeconds(3, [&] { s = RunGridpack(o, quiet); });
    if (!s.written) std::fprintf(stderr, "gridpack failed: %s\n", s.error.c_str());
    return t;
  };
  const double fromPlain = pack(plain, "plain.tif", false, 0);
  const double fromZip = pack(zipped, "zipped.tif", false, 0);
  const double withOverviews = pack(plain, "overviews.tif", true, 0);
  const double zone = pack(plain, "zone.tif", false, 9);

  std::printf("memchr line scan        : %8.1f MB/s  (%zu lines)\n", mb / scan, lines);
  std::printf("gridpack, plain XML     : %8.1f MB/s  (%.2f x the scan's time; target >= 200 MB/s)\n",
              mb / fromPlain, fromPlain / scan);
  std::printf("gridpack, one zip       : %8.1f MB/s  (%.2f x)\n", mb / fromZip, fromZip / scan);
  std::printf("gridpack, --overviews   : %8.1f MB/s  (%.2f x)\n", mb / withOverviews, withOverviews / scan);
  std::printf("gridpack, --zone 9      : %8.1f MB/s  (%.2f x)\n", mb / zone, zone / scan);
  std::printf("output %.1f MB\n", fs::file_size(root / "plain.tif") / 1e6);
  fs::remove_all(root);
  return 0;
}
