#include "ui/folder_actions.h"

#include <filesystem>

#include "platform/file_search.h"

namespace velkaro {

QString FolderListing(const QString& programTitle, const QString& label, const std::string& folder,
                      const std::vector<std::string>& masks, bool recursive) {
  QString text = programTitle + "\r\n" + label + QString::fromStdString(folder) + "\r\n";
  for (const std::string& mask : masks)
    for (const std::string& path : FindFiles(folder, mask, recursive))
      text += QString::fromStdString(std::filesystem::path(path).filename().string()) + "\r\n";
  return text;
}

std::vector<std::string> ElevationListingMasks(const JobSettings& s) {
  static constexpr const char* kMasks[kElevationClasses] = {"*dem5*.xml", "*dem10*.xml", "*dem50*.xml",
                                                            "*dem250*.xml", "*.flt"};
  std::vector<std::string> masks;
  for (size_t k = 0; k < kElevationClasses; ++k)
    if (s.alti[k] || s.cont[k]) masks.emplace_back(kMasks[k]);
  return masks;
}

std::string ExpandArgument(const std::string& folder, std::string_view component) {
  std::string arg = folder;
  while (arg.size() > 1 && arg.back() == '/') arg.pop_back();
  if (!component.empty()) {
    const size_t at = arg.find(component);
    if (at != std::string::npos) arg.resize(at + component.size());
  }
  return arg;
}

}  // namespace velkaro
