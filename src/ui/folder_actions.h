#pragma once
// What the folder buttons and the companion-program buttons work with: the
// clipboard listing of a source folder (a folder button pressed with Ctrl,
// the version button with Ctrl), the listing masks of the elevation folder,
// and the folder argument of the archive expander.

#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "job/job_settings.h"

namespace velkaro {

// Companion programs beside the executables.
inline constexpr const char* kExpandProgram = "velkaro-expand";
inline constexpr const char* kGridpackProgram = "velkaro-gridpack";
inline constexpr const char* kManualFile = "VelkaroManual.pdf";

// title CRLF, label + folder CRLF, then the bare name of every file found
// with each mask in turn, one per line ending CRLF.
QString FolderListing(const QString& programTitle, const QString& label, const std::string& folder,
                      const std::vector<std::string>& masks, bool recursive);

// Masks of the elevation folder listing: one per elevation class whose mesh
// or contour switch is on, in class order.
std::vector<std::string> ElevationListingMasks(const JobSettings& s);

// The expander's folder argument: the folder without a trailing "/", cut
// right after `component` (e.g. "/基盤地図情報") when the path contains it.
std::string ExpandArgument(const std::string& folder, std::string_view component = {});

}  // namespace velkaro
