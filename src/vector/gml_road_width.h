#pragma once
// Road widths of the road centre line reader.

#include <string_view>

namespace velkaro {
struct ReaderRequest;
}

namespace velkaro::gml {

// The width in plane units of a "<rnkWidth>" class ("3m未満" … "19.5m以上");
// any other text leaves current unchanged.
double RoadWidthOfClass(std::string_view widthClass, double current, double unitScale);

// Drawing width in whole pixels of a road width in plane units, rounded up.
int RoadPixelWidth(const ReaderRequest& req, double width);

}  // namespace velkaro::gml
