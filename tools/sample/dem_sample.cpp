// The DEM part of the sample area: GSI DEM XML files (10 m over the four
// secondary meshes, 5 m over a block of third-level meshes around the closed
// depression, one of them in Shift_JIS as files before late 2016 were) and
// an ETOPO-layout one-arc-minute grid, all from the shared terrain model.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text_encoding.h"
#include "sample_area.h"

namespace velkaro::sample {

namespace {

namespace fs = std::filesystem;

struct DemBlock {
  std::string meshCode;      // without hyphens, as in <mesh>
  const char* type;          // the <type> text
  double latS, lonW;         // south-west corner
  int cols, rows;
  double cellLat, cellLon;
  bool shiftJis;
};

// One DEM XML document in the 2016 line layout (CRLF, tabs), sea cells
// written as "海水面,-9999." like the real files.
std::string DemXml(const DemBlock& b) {
  std::string out;
  out.reserve(static_cast<size_t>(b.cols) * b.rows * 18 + 4096);
  char line[256];
  auto add = [&](const char* text) {
    out += text;
    out += "\r\n";
  };
  add(b.shiftJis ? "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>" : "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  add("");
  add("<Dataset xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema FGD_GMLSchema.xsd\" ");
  add("\txmlns:gml=\"http://www.opengis.net/gml/3.2\" ");
  add("\txmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" ");
  add("\txmlns:xlink=\"http://www.w3.org/1999/xlink\"");
  add("\txmlns=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema\"");
  add("\tgml:id=\"Dataset1\">");
  add("\t<gml:description>基盤地図情報メタデータ ID=fmdid:15-3101</gml:description>");
  add("\t<gml:name>基盤地図情報ダウンロードデータ（GML版）</gml:name>");
  add("\t");
  add("\t<DEM gml:id=\"DEM001\">");
  std::snprintf(line, sizeof line, "\t\t<fid>fgoid:10-00100-15-60101-%s</fid>", b.meshCode.c_str());
  add(line);
  add("\t\t<orgGILvl>0</orgGILvl>");
  std::snprintf(line, sizeof line, "\t\t<type>%s</type>", b.type);
  add(line);
  std::snprintf(line, sizeof line, "\t\t<mesh>%s</mesh>", b.meshCode.c_str());
  add(line);
  add("\t\t<coverage gml:id=\"DEM001-3\">");
  add("\t\t\t<gml:boundedBy>");
  add("\t\t\t\t<gml:Envelope srsName=\"fguuid:jgd2011.bl\">");
  std::snprintf(line, sizeof line, "\t\t\t\t\t<gml:lowerCorner>%.9g %.9g</gml:lowerCorner>", b.latS, b.lonW);
  add(line);
  std::snprintf(line, sizeof line, "\t\t\t\t\t<gml:upperCorner>%.9g %.9g</gml:upperCorner>",
                b.latS + b.rows * b.cellLat, b.lonW + b.cols * b.cellLon);
  add(line);
  add("\t\t\t\t</gml:Envelope>");
  add("\t\t\t</gml:boundedBy>");
  add("\t\t\t<gml:gridDomain>");
  add("\t\t\t\t<gml:Grid dimension=\"2\" gml:id=\"DEM001-4\">");
  add("\t\t\t\t\t<gml:limits>");
  add("\t\t\t\t\t\t<gml:GridEnvelope>");
  add("\t\t\t\t\t\t\t<gml:low>0 0</gml:low>");
  std::snprintf(line, sizeof line, "\t\t\t\t\t\t\t<gml:high>%d %d</gml:high>", b.cols - 1, b.rows - 1);
  add(line);
  add("\t\t\t\t\t\t</gml:GridEnvelope>");
  add("\t\t\t\t\t</gml:limits>");
  add("\t\t\t\t\t<gml:axisLabels>x y</gml:axisLabels>");
  add("\t\t\t\t</gml:Grid>");
  add("\t\t\t</gml:gridDomain>");
  add("\t\t\t<gml:rangeSet>");
  add("\t\t\t\t<gml:DataBlock>");
  add("\t\t\t\t\t<gml:rangeParameters>");
  add("\t\t\t\t\t\t<gml:QuantityList uom=\"DEM構成点\"></gml:QuantityList>");
  add("\t\t\t\t\t</gml:rangeParameters>");
  add("");
  add("<gml:tupleList>");
  const double latN = b.latS + b.rows * b.cellLat;
  for (int r = 0; r < b.rows; ++r) {
    const double lat = latN - (r + 0.5) * b.cellLat;
    for (int c = 0; c < b.cols; ++c) {
      const double z = Elevation(lat, b.lonW + (c + 0.5) * b.cellLon);
      if (z > 0)   // the model is positive on land, at or below 0 offshore
        std::snprintf(line, sizeof line, "地表面,%.2f\r\n", z);
      else
        std::snprintf(line, sizeof line, "海水面,-9999.\r\n");
      out += line;
    }
  }
  add("</gml:tupleList>");
  add("");
  add("\t\t\t\t</gml:DataBlock>");
  add("\t\t\t</gml:rangeSet>");
  add("\t\t\t<gml:coverageFunction>");
  add("\t\t\t\t<gml:GridFunction>");
  add("\t\t\t\t\t<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>");
  add("\t\t\t\t\t<gml:startPoint>0 0</gml:startPoint>");
  add("\t\t\t\t</gml:GridFunction>");
  add("\t\t\t</gml:coverageFunction>");
  add("\t\t</coverage>");
  add("\t</DEM>");
  add("</Dataset>");
  return b.shiftJis ? Utf8ToCp932(out) : out;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

std::string Hyphenated(int first, int second, int third = -1) {
  char code[32];
  if (third < 0)
    std::snprintf(code, sizeof code, "%04d-%d%d", first, second / 10, second % 10);
  else
    std::snprintf(code, sizeof code, "%04d-%02d-%d%d", first, second, third / 10, third % 10);
  return code;
}

// ETOPO layout: 21,600 x 10,800 little-endian floats from 90 N and 180 W. The
// file is sparse: only the rows around the sample area hold data.
std::string WriteEtopo(const fs::path& folder) {
  constexpr long kCols = 21600, kRows = 10800;
  const fs::path flt = folder / "etopo1_ice_c_f4.flt";
  {
    std::ofstream create(flt, std::ios::binary | std::ios::trunc);
    if (!create) return "cannot write " + flt.string();
  }
  std::error_code ec;
  fs::resize_file(flt, static_cast<uintmax_t>(kCols) * kRows * 4, ec);
  if (ec) return "cannot size " + flt.string() + ": " + ec.message();
  std::fstream file(flt, std::ios::binary | std::ios::in | std::ios::out);
  const long row0 = static_cast<long>((90 - (kLatN + 0.15)) * 60);
  const long row1 = static_cast<long>((90 - (kLatS - 0.15)) * 60);
  const long col0 = static_cast<long>((kLonW - 0.15 + 180) * 60);
  const long col1 = static_cast<long>((kLonE + 0.15 + 180) * 60);
  std::string bytes(static_cast<size_t>(col1 - col0 + 1) * 4, '\0');
  for (long row = row0; row <= row1; ++row) {
    const double lat = 90 - (row + 0.5) / 60;
    for (long col = col0; col <= col1; ++col) {
      const float z = static_cast<float>(std::round(Elevation(lat, (col + 0.5) / 60 - 180)));
      uint32_t bits;
      std::memcpy(&bits, &z, 4);
      for (int k = 0; k < 4; ++k) bytes[static_cast<size_t>((col - col0) * 4 + k)] = static_cast<char>(bits >> (8 * k));
    }
    file.seekp(static_cast<std::streamoff>((row * kCols + col0) * 4));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  if (!file) return "cannot write " + flt.string();
  const std::string header =
      "NCOLS 21600\r\nNROWS 10800\r\nXLLCORNER -180\r\nYLLCORNER -90\r\nCELLSIZE 0.01666666667\r\n"
      "NODATA_VALUE -9999\r\nBYTEORDER LSBFIRST\r\nNUMBERTYPE 4_BYTE_FLOAT\r\nZUNITS METERS\r\n";
  if (!WriteFile(folder / "etopo1_ice_c_f4.hdr", header)) return "cannot write the ETOPO header";
  return {};
}

}  // namespace

std::string WriteDemSample(const std::string& folderText, const SampleOptions& options) {
  const fs::path folder(folderText);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return "cannot create " + folderText + ": " + ec.message();

  // 10 m: one file per secondary mesh, 1125 x 750 cells of 0.4".
  for (int second : {35, 36, 45, 46}) {
    const double latS = 53 / 1.5 + (second / 10) / 12.0;
    const double lonW = 139 + (second % 10) / 8.0;
    const DemBlock block{"5339" + std::to_string(second), "10mメッシュ（標高）", latS, lonW, 1125, 750,
                         1.0 / 9000, 1.0 / 9000, options.shiftJis};
    const fs::path path = folder / ("FG-GML-" + Hyphenated(5339, second) + "-DEM10B-20161001.xml");
    if (!WriteFile(path, DemXml(block))) return "cannot write " + path.string();
  }

  // 5 m: third-level meshes around the depression, in the folder of their
  // secondary mesh as the download archives unpack.
  struct Third {
    int second, row, col;
  };
  for (const Third t : {Third{35, 9, 5}, Third{35, 9, 6}, Third{35, 9, 7}, Third{45, 0, 5}, Third{45, 0, 6},
                        Third{45, 0, 7}, Third{45, 1, 5}, Third{45, 1, 6}, Third{45, 1, 7}}) {
    const double latS = 53 / 1.5 + (t.second / 10) / 12.0 + t.row / 120.0;
    const double lonW = 139 + (t.second % 10) / 8.0 + t.col / 80.0;
    // The depression's own mesh comes in Shift_JIS, as files before late 2016 did.
    const bool sjis = options.shiftJis || (t.second == 45 && t.row == 0 && t.col == 6);
    const std::string code = Hyphenated(5339, t.second, t.row * 10 + t.col);
    const std::string date = sjis && !options.shiftJis ? "20150301" : "20161001";
    const DemBlock block{"5339" + std::to_string(t.second) + std::to_string(t.row) + std::to_string(t.col),
                         "5mメッシュ（標高）", latS, lonW, 225, 150, 1.0 / 18000, 1.0 / 18000, sjis};
    const fs::path sub = folder / ("FG-GML-5339" + std::to_string(t.second) + "-DEM5A");
    fs::create_directories(sub, ec);
    const fs::path path = sub / ("FG-GML-" + code + "-DEM5A-" + date + ".xml");
    if (!WriteFile(path, DemXml(block))) return "cannot write " + path.string();
  }
  return WriteEtopo(folder);
}

}  // namespace velkaro::sample
