#pragma once
// The ScratchFile: the per-layer, per-tile text file through which the readers
// hand features to the renderer. UTF-8, one value per line, CR LF line ends.
// Plane coordinates are written in a fixed 23-character exponential form,
// pixel positions and counts as plain integers.

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>

namespace velkaro {

struct JobContext;
struct LayerCatalogue;

// Writes the 23-character form of a plane coordinate into out (no line end):
// sign ("-" or a blank), one digit, ".", 14 digits, "E", exponent sign and
// four exponent digits. Returns false (and writes nothing) for a value that is
// not finite, since no reader of the file could parse it.
inline constexpr int kPlaneValueWidth = 23;
bool FormatPlaneValue(double v, char out[kPlaneValueWidth]);
std::string PlaneValueText(double v);

class ScratchFile {
 public:
  ScratchFile() = default;
  ~ScratchFile() { close(); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&& other) noexcept;

  // Opens for appending when the first bytes are written out (a missing file
  // is created then); nothing written, no file. A file that cannot be opened
  // fails the writes, as close() reports. Once the file is open its path is
  // added to `opened` (when given): the job's list of files to delete.
  void openAppend(const std::string& path, std::set<std::string>* opened = nullptr);
  // Creates the file empty (an existing one is truncated).
  bool create(const std::string& path);
  // Flushes and closes; returns false if any write failed since opening.
  bool close();

  bool isOpen() const { return file_ != nullptr; }
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

  // One line each; every line ends with CR LF.
  void line(std::string_view text);
  void integer(long long value);
  // Returns false (and marks the file failed) for a value that is not finite.
  bool plane(double value);
  // A vertex: easting line, then northing line.
  bool vertex(double easting, double northing) { return plane(easting) && plane(northing); }

 private:
  void append(const char* data, size_t n);
  void flushBuffer();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string buffer_;
  bool failed_ = false;
  bool openOnWrite_ = false;   // openAppend() waiting for the first bytes
  std::set<std::string>* opened_ = nullptr;
};

// The scratch file path of a layer node or theme: the output folder joined
// with the display text and ".txt".
std::string ScratchPath(const std::string& writeFolder, const std::string& displayText);
std::string ScratchPath(const JobContext& job, const std::string& displayText);
// The same for a scratch file about to be written: noted in the job, so that
// DeleteScratchFiles removes it without trying every other name.
std::string NewScratchPath(JobContext& job, const std::string& displayText);

// Deletes the scratch files. The first call of a run (job.scratchSwept
// false) tries the scratch file of every node of both layer trees and of
// every KSJ theme, so that none left by an earlier run is appended to; later
// calls delete the files written since (NewScratchPath, or a ScratchFile
// opened with the job's list). Run before and after every tile.
void DeleteScratchFiles(JobContext& job);

// Moves every existing scratch file of the catalogue into
// <output folder>/scratch/<tileLabel>/ (kept for inspection). Returns an empty
// string or a message naming what could not be moved.
std::string KeepScratchFiles(JobContext& job, const std::string& tileLabel);
// The same for the current tile, labelled like its output file without the
// extension (map name, row label, column label).
std::string KeepScratchFiles(JobContext& job);
std::string TileScratchLabel(const JobContext& job);

// After a tile: keeps the scratch files when the job asked for it, otherwise
// deletes them.
std::string FinishTileScratch(JobContext& job, const std::string& tileLabel);

}  // namespace velkaro
