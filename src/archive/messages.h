#pragma once
// Every text the archive subsystem shows the user, in one place. The
// companion programs print them on stderr; %s stands for a name.

#include <string>
#include <string_view>

#include "platform/text_scan.h"

namespace velkaro::archive_text {

// Why a member is not written.
inline constexpr const char* kRefusedAbsolute = "refused \"%s\": absolute path";
inline constexpr const char* kRefusedParent = "refused \"%s\": \"..\" would leave the folder";
inline constexpr const char* kRefusedLink = "refused \"%s\": links are not expanded";
inline constexpr const char* kRefusedThroughLink = "refused \"%s\": its folder is a link";
inline constexpr const char* kRefusedSpecial = "refused \"%s\": not a file or folder";
inline constexpr const char* kRefusedEmpty = "refused a member without a name";
inline constexpr const char* kConflict =
    "kept \"%s\": a different file of that name is already there (--overwrite replaces it)";
inline constexpr const char* kNotAFile = "kept \"%s\": a folder of that name is already there";
inline constexpr const char* kWriteFailed = "cannot write \"%s\"";
inline constexpr const char* kTooDeep = "not expanded: zips nested deeper than %s levels";

// A damaged or unreadable archive.
inline constexpr const char* kDamaged = "damaged archive: %s";
inline constexpr const char* kCannotOpen = "cannot open";
inline constexpr const char* kMemberNotFound = "member not found";

// A message pattern with its %s filled in.
inline std::string Fill(std::string_view pattern, std::string_view value) { return FillPattern(pattern, value); }

}  // namespace velkaro::archive_text
