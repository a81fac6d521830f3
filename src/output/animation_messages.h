#pragma once
// Every text the flood animation writer shows the user. The "水位" title of
// the processing window is shared with the driver (job/run_messages.h).

#include <cstring>
#include <string>

namespace velkaro::animation_messages {

inline constexpr const char* kOpenFileErrorTitle = "AviOprnFile Error";
// The code's number first, then the file and the system's reason in words.
inline std::string SystemReasonLine(const std::string& path, int code) {
  return "\r\n" + path + ": " + std::strerror(code);
}
inline std::string OpenFileErrorText(const std::string& path, int code) {
  return path + "ErrNo." + std::to_string(code) + SystemReasonLine(path, code);
}

inline constexpr const char* kStreamErrorTitle = "AviStream Error";
inline std::string StreamErrorText(int code) { return "Err No." + std::to_string(code); }
inline std::string StreamErrorText(const std::string& path, int code) {
  return StreamErrorText(code) + SystemReasonLine(path, code);
}

// Refusals before anything is written.
inline constexpr const char* kRefusedTitle = "動画作成エラー";
inline constexpr const char* kBadLevels = "最高水位、開始水位が異常です";
inline constexpr const char* kIntervalNotPositive =
    "凡例の間隔(水位の刻み)が0以下か小さすぎるため、水位が最高水位に届きません。\r\n"
    "凡例の間隔を0より大きい値にしてください。";
inline constexpr const char* kTooManyFrames =
    "動画のフレーム数が多すぎます。\r\n凡例の間隔(水位の刻み)を広げてください。";
// Writing an MP4 (H.264) file failed; the text names the file and the cause.
inline constexpr const char* kMp4ErrorTitle = "MP4書き込みエラー";
inline constexpr const char* kTooLarge =
    "動画ファイルが4GBを超えます。\r\n凡例の間隔を広げるか、画像を小さくしてください。";

}  // namespace velkaro::animation_messages
