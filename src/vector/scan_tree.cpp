#include "vector/scan_tree.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/source_file.h"
#include "job/job_context.h"
#include "vector/reader_request.h"
#include "vector/vector_messages.h"
#include "vector/gml_readers.h"
#include "vector/gml_scan_context.h"
#include "catalogue/layer_catalogue.h"
#include "scratch/scratch_file.h"

namespace velkaro {

namespace {

// The readers in the order they run on a file, by reader bit.
struct ReaderSlot {
  int bit;
  gml::GmlReader reader;
};
constexpr ReaderSlot kReaders[] = {
    {GML1Name, &gml::GML1Name},           {GML2Elv, &gml::GML2Elv},   {GML4GCP, &gml::GML4GCP},
    {GML8LayoutStr, &gml::GML8LayoutStr}, {GML16Symbol, &gml::GML16Symbol}, {GML32Poly, &gml::GML32Poly},
    {GML64PolyRoad, &gml::GML64PolyRoad}, {GML128PolyRail, &gml::GML128PolyRail}, {GML256Poly, &gml::GML256Poly},
    {GML512HatchEdge, &gml::GML512HatchEdge}, {GML1024Hatch, &gml::GML1024Hatch},
};

bool GroupIsOn(const LayerGroup& group) {
  return std::any_of(group.children.begin(), group.children.end(),
                     [](const LayerNode& child) { return child.on; });
}

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// True when a zip of this name may hold files of the tile's secondary
// meshes: its name carries no mesh code, or a code that contains one of
// them or lies inside one.
bool ArchiveMeetsMeshes(const std::vector<std::string>& meshCodes, std::string_view zipName) {
  const std::string digits = ArchiveMeshDigits(zipName);
  if (digits.empty()) return true;
  std::string listed;
  for (const std::string& code : meshCodes) {
    listed.clear();
    for (char c : code)
      if (c >= '0' && c <= '9') listed += c;
    if (MeshDigitsNest(digits, listed)) return true;
  }
  return false;
}

// The group's source files: plain files and zip members of its wildcard.
// With `tileOnly`, zips whose name shows another mesh are left closed
// (except for "AdmBdry", whose every file is read).
SourceList FindGroupSources(const JobContext& job, const std::string& folder, const LayerGroup& group,
                            bool tileOnly) {
  SourceQuery query;
  query.pattern = SourcePattern(group.node.entry.elementName());
  query.subfolders = job.settings.subfolder;
  query.listings = job.archiveListings;
  if (tileOnly && group.node.entry.name != "AdmBdry")
    query.archiveWanted = [&job](std::string_view zipName) { return ArchiveMeetsMeshes(job.meshCodes, zipName); };
  return FindSources(folder, query);
}

bool MeshCodeIsListed(const JobContext& job, std::string_view code) {
  return !code.empty() &&
         std::find(job.meshCodes.begin(), job.meshCodes.end(), code) != job.meshCodes.end();
}

void OpenChildOutputs(JobContext& job, const LayerGroup& group, ScanContext& scan) {
  scan.clearChildren();
  for (const LayerNode& child : group.children) {
    if (!child.on) continue;
    if (scan.outputs.size() == kMaxScanOutputs) break;
    scan.childTexts.push_back(child.text);
    scan.typeKeys.push_back(child.entry.typeKey);
    scan.subKeys.push_back(child.entry.subKey);
    scan.outputs.emplace_back();
    // Noted for deletion only if something is written: most layers get
    // nothing in most passes, and a file that was never made need not be
    // deleted (on a network folder every try is a round trip).
    scan.outputs.back().openAppend(ScratchPath(job, child.text), &job.scratchWritten);
  }
}

void DeleteChildOutputs(JobContext& job, ScanContext& scan) {
  scan.closeOutputs();
  for (const std::string& text : scan.childTexts) std::remove(ScratchPath(job, text).c_str());
}

bool HasReader(int mask) {
  return std::any_of(std::begin(kReaders), std::end(kReaders),
                     [mask](const ReaderSlot& slot) { return (mask & slot.bit) && slot.reader; });
}

void RunReaders(JobContext& job, const SourceFile& source, int mask, ScanContext& scan) {
  const ReaderRequest request = ReaderRequestOf(job);
  for (const ReaderSlot& slot : kReaders) {
    if ((mask & slot.bit) == 0 || slot.reader == nullptr) continue;
    slot.reader(request, source, scan);
  }
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

void CountPass(JobContext& job, LayerTree& tree, const std::string& folder) {
  for (const LayerGroup& group : tree.groups)
    if (GroupIsOn(group))
      job.fileCount += static_cast<long>(FindGroupSources(job, folder, group, false).files.size());
}

// Returns false when the scan has to stop (abort).
bool ScanGroup(JobContext& job, const LayerGroup& group, const std::string& folder, int passMask,
               ScanContext& scan) {
  const SourceList sources = FindGroupSources(job, folder, group, true);
  for (const SourceProblem& problem : sources.problems)
    job.errorText = vector_msg::ArchiveFailure(problem.archive);
  scan.setGroup(group.node.entry.name, group.node.text);
  job.host.setLabel(LabelRole::Group, group.node.text);
  OpenChildOutputs(job, group, scan);

  const int mask = group.node.entry.readerMask & passMask;
  const bool readsEveryMesh = group.node.entry.name == "AdmBdry";
  const bool reads = HasReader(mask);
  SourceLoader loader;
  SourceFile file{std::string()};
  for (const SourceRef& ref : sources.files) {
    job.host.pump();
    if (!job.runFlag) break;
    if (mask > 0) ++job.fileCount;
    if (!readsEveryMesh && !MeshCodeIsListed(job, MeshCodeOfFile(ref.fileName(), scan.elementName))) continue;
    job.host.setLabel(LabelRole::Numerator, std::to_string(job.fileCount));
    job.host.setLabel(LabelRole::FileName, std::string(ref.fileName()));
    if (!reads || !OpenSource(job, loader, ref, file)) continue;
    RunReaders(job, file, mask, scan);
  }
  scan.closeOutputs();
  if (job.runFlag) return true;
  DeleteChildOutputs(job, scan);
  return false;
}

}  // namespace

std::string_view MeshCodeOfFile(std::string_view path, std::string_view elementName) {
  const std::string_view name = FileNameOf(path);
  if (elementName.empty()) return {};
  const size_t at = name.find(elementName);
  if (at == std::string_view::npos || at < 8) return {};
  return name.substr(at - 8, 7);
}

std::string SourcePattern(std::string_view elementName) {
  std::string pattern = "*";
  pattern.append(elementName).append("*.xml");
  return pattern;
}

void scanTree(JobContext& job, LayerTree& tree, const std::string& folder, int passFlag,
              int passMask, ScanContext& scan) {
  if (passFlag == 0) {
    CountPass(job, tree, folder);
    return;
  }
  for (const LayerGroup& group : tree.groups) {
    job.host.pump();
    if (!job.runFlag) return;
    if (!GroupIsOn(group)) continue;
    if (!ScanGroup(job, group, folder, passMask, scan)) return;
  }
}

void scanTree(JobContext& job, LayerTree& tree, const std::string& folder, int passFlag,
              int passMask) {
  ScanContext scan;
  scanTree(job, tree, folder, passFlag, passMask, scan);
}

}  // namespace velkaro
