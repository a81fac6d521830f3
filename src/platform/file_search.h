#pragma once
// Directory search with wildcard masks, as the source scans use it.

#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

// True when a file name matches a wildcard pattern: "*" matches any run of
// characters (also none), "?" exactly one character (one UTF-8 character),
// everything else itself with ASCII letters compared case-insensitively.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Full paths of the regular files in `folder` (and, when `recursive`, in all
// its subfolders) whose file name matches `pattern`, sorted by path so runs
// are deterministic. A missing or unreadable folder gives an empty list;
// unreadable subfolders are skipped and symbolic links to folders are not
// followed (no loops).
std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern,
                                   bool recursive);

}  // namespace velkaro
