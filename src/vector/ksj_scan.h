#pragma once
// The KSJ scan: for one reading pass, visits the selected themes of the KSJ
// theme list from the last to the first, lists each theme's files in the KSJ
// folder and runs the theme's readers that the pass selects on them, into
// the theme's scratch file. In counting mode it only adds up the files.
// Files inside the folder's zips (and zips inside those) count as files of
// the folder: they are found by the same name pattern and read from memory,
// in the order the expanded folder would give. A zip named after a theme
// that the pass does not read is left closed; a damaged zip is named in the
// job's error text and the rest is read.

#include <string>
#include <string_view>

#include "vector/ksj_reading.h"

namespace velkaro {

struct JobContext;

enum class KsjScanMode { Count, Read };

// passMask selects reader bits: the driver counts with 0x7FFFFFFF and reads
// per tile with 0x7FFFFF40 (areas), 62 (tracks, curves, airports), 1 (point
// names) and 128 (area names). Each read pass creates the scratch file of
// every theme it selects anew. An abort (job.runFlag cleared) deletes the
// scratch file of the theme being read and ends the scan. `measure` gives
// the label bullet's size in a theme's label font (none: no offset).
void ScanKsj(JobContext& job, const std::string& folder, KsjScanMode mode, int passMask,
             const ksj::BulletMeasure& measure = {});

// The wildcard of a theme's files: the first four characters of its code
// (the whole code when shorter) followed by "*.xml".
std::string KsjFilePattern(std::string_view code);

}  // namespace velkaro
