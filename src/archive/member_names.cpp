#include "archive/member_names.h"

#include <algorithm>
#include <cctype>

#include "platform/text_encoding.h"

namespace velkaro {

std::string MemberNameToUtf8(std::string_view bytes) {
  std::string name = DecodeToUtf8(bytes);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

MemberPath SafeMemberPath(std::string_view name) {
  MemberPath out;
  if (!name.empty() && name.front() == '/') {
    out.problem = MemberPathProblem::Absolute;
    return out;
  }
  // "C:" or "C:/..." names a Windows drive.
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    out.problem = MemberPathProblem::Absolute;
    return out;
  }
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t slash = name.find('/', pos);
    if (slash == std::string_view::npos) slash = name.size();
    const std::string_view step = name.substr(pos, slash - pos);
    pos = slash + 1;
    if (step.empty() || step == ".") continue;
    if (step == "..") {
      out.problem = MemberPathProblem::ParentStep;
      out.relative.clear();
      return out;
    }
    if (!out.relative.empty()) out.relative += '/';
    out.relative += step;
  }
  if (out.relative.empty()) out.problem = MemberPathProblem::Empty;
  return out;
}

std::string_view MemberFileName(std::string_view path) {
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsZipName(std::string_view fileName) {
  if (fileName.size() < 4) return false;
  const std::string_view tail = fileName.substr(fileName.size() - 4);
  return tail[0] == '.' && std::tolower(static_cast<unsigned char>(tail[1])) == 'z' &&
         std::tolower(static_cast<unsigned char>(tail[2])) == 'i' &&
         std::tolower(static_cast<unsigned char>(tail[3])) == 'p';
}

}  // namespace velkaro
