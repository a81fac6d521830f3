#pragma once
// Settings files: a JobSettings record (with the states and styles of the
// layer catalogue) saved to and loaded from an INI file. The reader upgrades
// files of older layouts, told by `kihon/ver`; the writer always writes the
// current layout and updates an existing file in place, so keys it does not
// write survive.

#include <string>
#include <string_view>
#include <vector>

#include "job/job_settings.h"
#include "platform/ini_file.h"

namespace velkaro {

// The layout version the writer writes.
inline constexpr int kSettingsVersion = 12;

// Reads a settings file into s; every field missing from the file keeps its
// value. Returns false when the file could not be read (s is then unchanged
// but for the refreshed layer groups).
bool ReadSettings(JobSettings& s, const std::string& path);
// Reads from a loaded file; the path only matters for the ".pxk" rules (the
// width scale of layer-style presets).
void ReadSettings(JobSettings& s, const IniFile& ini, const std::string& path);

// Writes the whole record to path, keeping the other keys of an existing file.
bool WriteSettings(const JobSettings& s, const std::string& path, std::string* error);
// Writes the whole record into ini, in the order of the settings file.
void WriteSettings(const JobSettings& s, IniFile& ini);

// One command-line setting "section/key=value", with section and key as in a
// settings file of the current layout (e.g. "area/namae=tokyo",
// "GSI-OnOff/RdEdg-1=1", "kankaku/A0=5"). A malformed assignment or an
// unknown key leaves s unchanged and puts a message into *error.
bool ApplySettingAssignment(JobSettings& s, std::string_view assignment, std::string* error);
// A list of them in order, as one after the other; at the first bad one,
// false with its message and its place in *failedAt (s then holds the ones
// before it).
bool ApplySettingAssignments(JobSettings& s, const std::vector<std::string>& assignments, std::string* error,
                             size_t* failedAt = nullptr);

// Settings key of the legend-grid cell of tile row r and column c in a grid of
// `rows` rows: the row label followed by c in decimal (A0, B3, AA12).
std::string LegendCellKey(int r, int c, int rows);

}  // namespace velkaro
