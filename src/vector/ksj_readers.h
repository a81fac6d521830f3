#pragma once
// The KSJ readers. Each reads one source file (a plain file, or a zip member
// in memory) of the theme the scan is
// visiting and appends records to the theme's scratch file; a fault in the
// file ends that reader call with a message in the job's error text, never
// more. Reader texts 1-4 of the theme give the fragments each reader looks
// for (see data/mlit-GML.txt).

#include <string>

#include "vector/ksj_reading.h"

namespace velkaro::ksj {

using KsjReader = void (*)(const KsjRun& run, const SourceFile& file);

// Plain areas: polygon records with the name line "0" (reader bit 0x40).
void KsjAreas(const KsjRun& run, const SourceFile& file);
// Areas whose name line carries a value from the attribute part, such as a
// flood depth class as a negative height in job units (0x20).
void KsjCodedAreas(const KsjRun& run, const SourceFile& file);
// The areas of one zoning class, the class taken from the theme code (0x10).
void KsjZoningAreas(const KsjRun& run, const SourceFile& file);
// Tornado tracks: Fujita scale text, start and end pixel (0x08).
void KsjTornadoTracks(const KsjRun& run, const SourceFile& file);
// Every position list as a polyline (0x04).
void KsjCurves(const KsjRun& run, const SourceFile& file);
// Airport names at their reference points (0x02).
void KsjAirports(const KsjRun& run, const SourceFile& file);
// Names of point features (0x01).
void KsjPointNames(const KsjRun& run, const SourceFile& file);
// Names at the centre of the first part of area features (0x80).
void KsjAreaNames(const KsjRun& run, const SourceFile& file);

// The value KsjCodedAreas writes for a feature: read from the attribute part
// through a cursor that moves forward with the features.
class AttributeCursor {
 public:
  AttributeCursor(const KsjRun& run, std::string_view text) : run_(run), lines_(text) {}
  // STEP1: moves to the first line of the attribute part (the first line
  // holding reader text 3). False when the job was aborted on the way.
  bool findAttributePart();
  // The feature's value in job units (minus the depth times UnitScale), or
  // 99999 when the file holds none for it.
  double LookupValue(long featureNumber);

 private:
  bool seek(std::string_view key, std::string_view& line);
  double valueOf(long featureNumber, std::string_view line);

  const KsjRun& run_;
  LineCursor lines_;
  LineCursor::Mark partStart_{};
};

inline constexpr double kNoValue = 99999;

// The zoning class of a theme code: "A29-1" … "A29-15" give 1 … 15,
// "A29-21" gives 21 and
// "A29-99" gives 99, anything else 0.
int ZoningClassOf(std::string_view code);

// The number of a depth class text ("0.5m～ 1.0m" gives 1.0, "3m 以上 5m
// 未満" gives 5, "20m 以上" gives 20); false when the text holds none.
bool DepthClassNumber(std::string_view line, double& depth);

// True for the themes whose values are depth class texts.
bool IsDepthClassTheme(std::string_view code);

}  // namespace velkaro::ksj
