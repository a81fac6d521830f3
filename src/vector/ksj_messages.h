#pragma once
// Every text of the KSJ scan and readers that a user can see.

#include <string>
#include <string_view>

namespace velkaro::ksj_msg {

// Appended to the theme caption when a feature or a table does not fit in
// the cell pool.
inline constexpr std::string_view kXyLimit = " でxylimitを超えました";
// Appended to the theme caption when a tornado point number lies beyond the
// point part of the pool.
inline constexpr std::string_view kBiasLimit = " でbiaslimitを超えました";

inline constexpr std::string_view kStep1 = " STEP1";
inline constexpr std::string_view kStep2 = " STEP2 ";

// "mlitjpgis(" + what + ")で異常" + CR LF: the reader could not read a file;
// `what` names the file and the place in it.
inline std::string Failure(std::string_view what, std::string_view tail = {}) {
  std::string text = "mlitjpgis(";
  text.append(what).append(")で異常").append(tail).append("\r\n");
  return text;
}

// A depth class value that does not read as a number.
inline std::string BadValue(long featureNumber, std::string_view line) {
  std::string what = "code = " + std::to_string(featureNumber) + ":";
  what.append(line);
  return Failure(what);
}

// The attribute part of a point name file was not found.
inline std::string NoAttributePart(std::string_view caption, std::string_view path) {
  std::string text(caption);
  text.append(" は \r\n").append(path).append("\r\nを処理できあせん\r\n");
  return text;
}

// The geometry part of a point name file was not found.
inline std::string NoGeometryPart(std::string_view path) {
  std::string text = "mlitjpgis(";
  text.append(path).append(" (fi) ファイル終端まで読込\r\n");
  return text;
}

}  // namespace velkaro::ksj_msg
