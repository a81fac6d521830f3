#include "gridpack/dem_inputs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <map>
#include <tuple>

#include "archive/member_names.h"
#include "gridpack/messages.h"
#include "platform/file_search.h"
#include "platform/text_encoding.h"
#include "platform/whole_file.h"

namespace velkaro {

namespace {

namespace text = gridpack_text;

// The header of a DEM file ends well before this; its tuples follow.
constexpr size_t kHeaderBytes = 32768;

bool DeclaresShiftJis(std::string_view bytes) {
  std::string first(bytes.substr(0, std::min(bytes.find('\n'), size_t{200})));
  for (char& ch : first) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return first.find("shift_jis") != std::string::npos;
}

// The part of a DEM text before its tuple list; the whole text when the
// list does not begin in it.
std::string_view HeaderPart(std::string_view text) {
  const size_t tuples = text.find("<gml:tupleList>");
  return tuples == std::string_view::npos ? text : text.substr(0, tuples);
}

bool HasDemType(std::string_view header) {
  static constexpr std::string_view kType = "<type>", kMesh = "mメッシュ";
  for (size_t at = header.find(kType); at != std::string_view::npos; at = header.find(kType, at + 1)) {
    const std::string_view line = header.substr(at, header.find('\n', at) - at);
    if (line.find(kMesh) != std::string_view::npos) return true;
  }
  return false;
}

// One mesh of one cell size and product: later files of it replace earlier ones.
using MeshKey = std::tuple<long long, long long, long long, char>;

MeshKey KeyOf(const DemInput& in) {
  return {std::llround(SnapMeshCorner(in.extent.lonW) * 1440000.0),
          std::llround(SnapMeshCorner(in.extent.latN) * 1440000.0),
          std::llround(in.extent.cellLat() * 1440000.0 * 1000), DemProductLetter(in.fileName)};
}

}  // namespace

bool IsDemXmlName(std::string_view fileName) { return WildcardMatch("*dem*.xml", fileName); }

std::string_view DemTextOf(std::string_view bytes, std::string& scratch) {
  if (!DeclaresShiftJis(bytes)) return bytes;
  scratch = Cp932ToUtf8(bytes);
  return scratch;
}

bool ReadDemInputHeader(std::string_view demText, DemXmlHeader& header, MeshExtent& extent) {
  const std::string_view head = HeaderPart(demText);
  if (!HasDemType(head)) return false;
  header = DemXmlHeader{};
  if (!ReadDemXmlHeader(head, header)) return false;
  constexpr unsigned kNeeded = DemXmlHeader::kLower | DemXmlHeader::kUpper | DemXmlHeader::kHigh;
  if ((header.found & kNeeded) != kNeeded) return false;
  extent = MeshExtent{header.lowerLon, header.lowerLat, header.upperLon, header.upperLat,
                      header.width, header.height};
  return extent.lonE > extent.lonW && extent.latN > extent.latS;
}

DemInputScan ScanDemInputs(const std::string& folder, const std::function<void(int, int)>& progress) {
  DemInputScan scan;
  std::vector<std::string> plain;
  for (const std::string& path : FindFiles(folder, "*.xml", true))
    if (IsDemXmlName(MemberFileName(path))) plain.push_back(path);
  const std::vector<std::string> zips = FindFiles(folder, "*.zip", true);
  const int total = static_cast<int>(plain.size() + zips.size());
  int done = 0;

  std::vector<DemInput> found;
  std::string scratch, whole;
  auto take = [&](DemInput in, std::string_view bytes) {
    // A header longer than the leading part (no tuple list in it yet) is
    // read from the whole file, so no header line is cut in two.
    if (bytes.size() >= kHeaderBytes && bytes.find("<gml:tupleList>") == std::string_view::npos) {
      std::string error;
      const bool read = in.zipped() ? ReadZipMember(in.member, whole, error) : ReadWholeFile(in.path, whole);
      if (!read) {
        scan.problems.push_back(text::Fill(text::kUnreadable, in.display()));
        return;
      }
      bytes = whole;
    }
    if (!ReadDemInputHeader(DemTextOf(bytes, scratch), in.header, in.extent)) {
      ++scan.notDem;
      return;
    }
    found.push_back(std::move(in));
  };
  std::string bytes;
  for (const std::string& path : plain) {
    DemInput in;
    in.path = path;
    in.fileName = std::string(MemberFileName(path));
    if (ReadFilePrefix(path, kHeaderBytes, bytes)) take(std::move(in), bytes);
    else scan.problems.push_back(text::Fill(text::kUnreadable, path));
    if (progress) progress(++done, total);
  }
  ZipMemberFilter filter;
  filter.member = IsDemXmlName;
  filter.prefixBytes = kHeaderBytes;
  for (const std::string& zip : zips) {
    std::string error;
    ForEachZipMember(zip, filter,
                     [&](const ZipMemberRef& ref, std::string_view prefix) {
                       DemInput in;
                       in.path = zip;
                       in.member = ref;
                       in.fileName = std::string(ref.fileName());
                       take(std::move(in), prefix);
                       return true;
                     },
                     error);
    if (!error.empty()) scan.problems.push_back(error);
    if (progress) progress(++done, total);
  }

  // Newest file of each mesh: the greatest name; a plain file before a
  // zipped copy of the same name.
  std::map<MeshKey, size_t> newest;
  std::vector<bool> keep(found.size(), true);
  for (size_t i = 0; i < found.size(); ++i) {
    const auto [it, fresh] = newest.emplace(KeyOf(found[i]), i);
    if (fresh) continue;
    const size_t j = it->second;
    if (DemNameKey(found[i].fileName) > DemNameKey(found[j].fileName)) {
      keep[j] = false;
      it->second = i;
    } else {
      keep[i] = false;
    }
    ++scan.superseded;
  }
  for (size_t i = 0; i < found.size(); ++i)
    if (keep[i]) scan.inputs.push_back(std::move(found[i]));

  // Drawing order: tiers of cell size and product, then north to south and
  // west to east, so neighbouring meshes share the raster blocks in cache.
  std::stable_sort(scan.inputs.begin(), scan.inputs.end(), [](const DemInput& a, const DemInput& b) {
    const DemRank ra = a.rank(), rb = b.rank();
    if (DrawsBefore(ra, rb)) return true;
    if (DrawsBefore(rb, ra)) return false;
    if (a.extent.latN != b.extent.latN) return a.extent.latN > b.extent.latN;
    return a.extent.lonW < b.extent.lonW;
  });
  return scan;
}

}  // namespace velkaro
