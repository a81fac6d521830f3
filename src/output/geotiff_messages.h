#pragma once
// Every text the GeoTIFF writer shows the user.

namespace velkaro::geotiff_messages {

// Caption of the message box of a tile that could not be written; the text
// names the file and the reason.
inline constexpr const char* kWriteCaption = "GeoTIFFファイル書き込みエラー";

}  // namespace velkaro::geotiff_messages
