#pragma once
// A running job on a tile of plane zone 9 (around Tokyo station) with one
// output group whose every feature type routes to the first output, so a
// fuzzed GML file reaches every branch of the reader it is given to.

#include <memory>
#include <string>
#include <string_view>

#include "catalogue/layer_catalogue.h"
#include "fuzz_support.h"
#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "job/job_host.h"
#include "scratch/scratch_file.h"
#include "vector/gml_readers.h"
#include "vector/gml_scan_context.h"
#include "vector/reader_request.h"

namespace velkaro::fuzz {

class GmlReaderJob {
 public:
  GmlReaderJob() {
    settings_.writefolder = WorkFolder();
    job_ = std::make_unique<JobContext>(settings_, host_, cells_);
    fuzz::PlaceOnTestTile(*job_);
    job_->meshCodes = {"533946"};
  }

  // Runs one reader over the bytes, saved under a real FGD file name.
  void read(gml::GmlReader reader, std::string_view bytes, bool typedOutputs) {
    const std::string path = WriteFile("FG-GML-533946-WL-20161001-0001.xml", bytes);
    ScanContext scan;
    scan.setGroup("WL-1", "fuzz");
    const char* keys[] = {"", "一条河川", "普通道路", "普通建物"};
    const int count = typedOutputs ? 3 : 1;
    scan.outputs.reserve(count);
    for (int k = 0; k < count; ++k) {
      const std::string text = std::to_string(k + 1) + "out";
      scan.childTexts.push_back(text);
      scan.typeKeys.push_back(keys[typedOutputs ? k + 1 : 0]);
      scan.subKeys.emplace_back();
      scan.outputs.emplace_back();
      scan.outputs.back().create(ScratchPath(WorkFolder(), text));
    }
    job_->runFlag = true;
    job_->errorText.clear();
    reader(ReaderRequestOf(*job_), path, scan);
  }

  // Runs one reader over the bytes as a file of a catalogue group, every
  // child of the group switched on (as many as a scan keeps).
  void readGroup(gml::GmlReader reader, std::string_view bytes, const LayerGroup& group) {
    const std::string path =
        WriteFile("FG-GML-533946-" + group.node.entry.elementName() + "-20161001-0001.xml", bytes);
    ScanContext scan;
    scan.setGroup(group.node.entry.name, group.node.text);
    for (const LayerNode& child : group.children) {
      if (scan.outputs.size() == kMaxScanOutputs) break;
      scan.childTexts.push_back(std::to_string(scan.outputs.size() + 1) + "out");
      scan.typeKeys.push_back(child.entry.typeKey);
      scan.subKeys.push_back(child.entry.subKey);
      scan.outputs.emplace_back();
      scan.outputs.back().create(ScratchPath(WorkFolder(), scan.childTexts.back()));
    }
    job_->runFlag = true;
    job_->errorText.clear();
    reader(ReaderRequestOf(*job_), path, scan);
  }

 private:
  JobSettings settings_;
  SilentHost host_;
  CellBuffer cells_;
  std::unique_ptr<JobContext> job_;
};

}  // namespace velkaro::fuzz
