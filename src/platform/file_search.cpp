#include "platform/file_search.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace velkaro {
namespace {

namespace fs = std::filesystem;

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Bytes of the UTF-8 character starting at s[i] (1 for a stray byte).
std::size_t CharLength(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  std::size_t len = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  return std::min(len, s.size() - i);
}

bool IsMatchingFile(const fs::directory_entry& entry, std::string_view pattern) {
  std::error_code ec;
  if (!entry.is_regular_file(ec)) return false;
  return WildcardMatch(pattern, entry.path().filename().native());
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Greedy matching with one backtrack point: the last "*" seen.
  std::size_t p = 0, n = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starN = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharLength(name, n);
    } else if (p < pattern.size() && FoldAscii(pattern[p]) == FoldAscii(name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP;
      starN += CharLength(name, starN);
      n = starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern,
                                   bool recursive) {
  std::vector<std::string> found;
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return found;
  const auto options = fs::directory_options::skip_permission_denied;
  if (recursive) {
    fs::recursive_directory_iterator it(folder, options, ec), end;
    for (; !ec && it != end; it.increment(ec))
      if (IsMatchingFile(*it, pattern)) found.push_back(it->path().string());
  } else {
    fs::directory_iterator it(folder, options, ec), end;
    for (; !ec && it != end; it.increment(ec))
      if (IsMatchingFile(*it, pattern)) found.push_back(it->path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace velkaro
