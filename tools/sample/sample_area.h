#pragma once
// The bundled sample area: a small stretch of coast around four secondary
// mesh cells, with hills, a valley, a closed depression and sea. Every writer
// of the generator takes its shapes from the one terrain model below, so the
// coastline of the vector layers meets the sea of the elevation grids.

#include <algorithm>
#include <cmath>
#include <string>

namespace velkaro::sample {

// The area covers the secondary meshes 533935, 533936, 533945, 533946.
inline constexpr double kLatS = 35.5833333333333;  // south edge of mesh row 3 of 5339
inline constexpr double kLatN = 35.75;
inline constexpr double kLonW = 139.625;
inline constexpr double kLonE = 139.875;

// Longitude of the shoreline at a latitude: land lies west of it.
inline double CoastLon(double lat) {
  return 139.80 + 0.02 * std::sin((lat - kLatS) * 40.0) - 0.25 * (lat - kLatS) * 0.3;
}

// Ground elevation in metres; negative offshore (sea floor).
inline double Elevation(double lat, double lon) {
  const double coast = CoastLon(lat);
  const double inland = (coast - lon) * 91000.0;   // metres from the shore, roughly
  if (inland <= 0) return std::max(-30.0, inland * 0.02);  // gentle shelf
  auto bump = [&](double la, double lo, double h, double r) {
    const double dy = (lat - la) * 111000.0, dx = (lon - lo) * 91000.0;
    return h * std::exp(-(dx * dx + dy * dy) / (r * r));
  };
  double z = 2.0 + inland * 0.004;                       // coastal plain rising inland
  z += bump(35.71, 139.66, 180.0, 3500.0);               // the big hill
  z += bump(35.63, 139.68, 90.0, 2500.0);                // a second hill
  z -= bump(35.67, 139.70, 25.0, 900.0);                 // a closed depression
  // A valley running from the hills to the sea.
  const double valleyLat = 35.67 + 0.01 * std::sin((lon - kLonW) * 30.0);
  z -= 30.0 * std::exp(-std::pow((lat - valleyLat) * 111000.0 / 600.0, 2)) * std::min(1.0, inland / 3000.0);
  return std::max(z, 0.3);
}

struct SampleOptions {
  bool shiftJis = false;   // write the sources in Shift_JIS instead of UTF-8
};

// Each writer creates its files below `folder` and returns an empty string,
// or a message saying what could not be written.
std::string WriteFgdSample(const std::string& folder, const SampleOptions& options);
std::string WriteDemSample(const std::string& folder, const SampleOptions& options);
std::string WriteKsjSample(const std::string& folder, const SampleOptions& options);
// Place names, spot heights and control points of the FGD family.
std::string WriteFgdPointSample(const std::string& folder, const SampleOptions& options);
// Annotation and map symbols of the KKJ family.
std::string WriteKkjSample(const std::string& folder, const SampleOptions& options);

// A GML document in the FGD layout around the given feature lines.
std::string FgdDocument(const std::string& body, bool shiftJis);

}  // namespace velkaro::sample
