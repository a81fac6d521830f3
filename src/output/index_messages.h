#pragma once
// Every text the index image and page show the user.

#include <string>

namespace velkaro::index_messages {

inline constexpr const char* kPageTitle = "index地図";

inline constexpr const char* kWarningTitle = "警告";
inline constexpr const char* kPageNotOpened = "indexファイルを開けません、他のソフトで開いていませんか。";

// An administrative boundary file that could not be read; kept in the job's
// error text like a reader error.
inline std::string BoundaryFileError(const std::string& path) { return "IndexMap(" + path + ")で異常\r\n"; }

}  // namespace velkaro::index_messages
