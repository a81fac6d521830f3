#pragma once
// The FGD/KKJ GML readers. Each reads one source file (on disk, or a zip
// member in memory; a path converts to the former) of the group set up in
// the ScanContext and appends records to the group's outputs; a fault in the
// file ends that reader call with a message in the job's error text.

#include <string>

#include "archive/source_file.h"

namespace velkaro {

struct ReaderRequest;
struct ScanContext;

// The readers share their names with the reader bits of the catalogue
// (velkaro::GML32Poly is the bit, velkaro::gml::GML32Poly the reader).
namespace gml {

using GmlReader = void (*)(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);

// Place and facility names at their pixel position (reader bit 1).
void GML1Name(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Spot heights at their pixel position (bit 2).
void GML2Elv(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Geodetic control points routed by class (bit 4).
void GML4GCP(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Annotation with its arrangement and angle (bit 8).
void GML8LayoutStr(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Standard map symbols and route shields (bit 16).
void GML16Symbol(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Line features cut at secondary mesh boundaries (reader bit 32).
void GML32Poly(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Road centre lines with their drawing width (bit 64).
void GML64PolyRoad(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Railway centre lines routed by type and track kind (bit 128).
void GML128PolyRail(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Other line features with a visibility value (bit 256).
void GML256Poly(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Every ring of an area feature as an outline (bit 512).
void GML512HatchEdge(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);
// Area features as filled polygons with holes (bit 1024).
void GML1024Hatch(const ReaderRequest& req, const SourceFile& source, ScanContext& scan);

}  // namespace gml
}  // namespace velkaro
