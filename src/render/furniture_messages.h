#pragma once
// The Japanese texts drawn around the map of a tile.

namespace velkaro::furniture_messages {

inline constexpr const char* kEast = "東";
inline constexpr const char* kWest = "西";
inline constexpr const char* kSouth = "南";
inline constexpr const char* kNorth = "北";
inline constexpr const char* kDatumPrefix = "T.P=";
inline constexpr const char* kDatumMark = "T.P";
inline constexpr const char* kLightDial = "影方向";
inline constexpr const char* kElevationLegend = "標高(m)";
// In place of the elevation legend on a tile without elevation data.
inline constexpr const char* kNoElevationData = "標高データなし";
inline constexpr const char* kWaterLevelFormat = "水位 %0.2fm";
inline constexpr const char* kFloodAreaPrefix = "浸水面積 ";
inline constexpr const char* kSquareMetres = "㎡";
inline constexpr const char* kContourIntervalFormat = "等高線間隔 %0.2f";
inline constexpr const char* kShortLineSuffix = "節未満省略";
inline constexpr const char* kOutsideDepressions = "窪地以外";
inline constexpr const char* kDepressionsOnly = "窪地のみ";
inline constexpr const char* kDepressionAreas = "窪地のみ(面描画)";

}  // namespace velkaro::furniture_messages
