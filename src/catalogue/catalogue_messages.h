#pragma once
// Every text the user sees while the layer catalogue is built from its
// definition files beside the program.

#include <string>

namespace velkaro::catalogue_messages {

inline constexpr const char* kWarningTitle = "警告";
inline constexpr const char* kStartupFailureTitle = "起動時に障害発生";

// Appended to the full path of a definition file that does not exist.
inline constexpr const char* kFileMissing = " が見つかりません";
// Appended to the full path of a theme list that holds too many themes.
inline constexpr const char* kTooManyThemes = " の項目が多すぎます。";

// The link file is named by itself, without its folder.
inline constexpr const char* kMapLinkFileMissing = "\\maplink.txtが見つかりません";

inline std::string FileMissing(const std::string& path) { return path + kFileMissing; }

inline std::string TooManyThemes(const std::string& path) { return path + kTooManyThemes; }

inline std::string UnreadableFile(const std::string& path) {
  return path + " を読み込めません。";
}

// A definition line whose columns do not fit its grammar.
inline std::string TooFewColumns(const std::string& path, int lineNumber, int needed, int found) {
  return path + " の " + std::to_string(lineNumber) + " 行目の列が足りません（" +
         std::to_string(needed) + " 列必要、" + std::to_string(found) + " 列）。";
}

inline std::string BadNumber(const std::string& path, int lineNumber, int column,
                             const std::string& text) {
  return path + " の " + std::to_string(lineNumber) + " 行目の " + std::to_string(column + 1) +
         " 列目「" + text + "」は数値として読めません。";
}

inline std::string NumberOutOfRange(const std::string& path, int lineNumber, int column,
                                    const std::string& text, int low, int high) {
  return path + " の " + std::to_string(lineNumber) + " 行目の " + std::to_string(column + 1) +
         " 列目「" + text + "」は " + std::to_string(low) + "～" + std::to_string(high) +
         " の範囲にありません。";
}

}  // namespace velkaro::catalogue_messages
