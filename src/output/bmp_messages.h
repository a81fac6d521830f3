#pragma once
// The texts the BMP writing shows the user.

namespace velkaro::bmp_messages {

inline constexpr const char* kBmpWriteCaption = "BMPファイル書き込みエラー";
inline constexpr const char* kPngWriteCaption = "PNGファイル書き込みエラー";

}  // namespace velkaro::bmp_messages
