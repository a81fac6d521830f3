#pragma once
// What a source reader gets from the job: the tile and coordinate system it
// reads for, the thresholds that leave features out, the cell pool for a
// feature's vertices, and the job's run state through which it reports
// progress, sees an abort and leaves its message. A reader never sees the
// rest of the job.

#include <string>
#include <vector>

#include "job/cell_buffer.h"
#include "job/job_context.h"
#include "job/job_host.h"

namespace velkaro {

struct ReaderRequest {
  const CoordinateState& coords;             // zone and unit of the plane coordinates
  const CurrentTile& tile;                   // the tile's plane box and pixel offsets
  const ImageGeometry& image;                // pixel mapping of the tile image
  const std::vector<std::string>& meshCodes; // secondary mesh codes that meet the tile
  int rankThreshold = 0;                     // features of a lower rank level are left out
  double roadWidthThreshold = 0;             // narrower roads are left out (job units)
  int bld = 0;                               // shortest building outline kept, metres
  double datumOffset = 0;                    // height correction added to heights, metres
  CellBuffer& cells;                         // vertex store of the feature being read

  // The job's run state.
  JobHost& host;
  bool& runFlag;
  long& fileCount;
  std::string& errorText;
};

// The request for a reader call of the current tile of job.
inline ReaderRequest ReaderRequestOf(JobContext& job) {
  return ReaderRequest{job.coords,
                       job.tile,
                       job.image,
                       job.meshCodes,
                       job.constants.rankThreshold,
                       job.roadWidthThreshold,
                       job.settings.bld,
                       job.datumOffset,
                       job.cells,
                       job.host,
                       job.runFlag,
                       job.fileCount,
                       job.errorText};
}

}  // namespace velkaro
