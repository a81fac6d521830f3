#include "archive/archive_listings.h"

#include "platform/file_search.h"

namespace velkaro {

const std::vector<ZipMemberRef>* ArchiveListings::members(const std::string& zipPath) {
  auto [it, added] = byZip_.try_emplace(zipPath);
  Listing& listing = it->second;
  if (added) {
    ZipMemberFilter everything;
    everything.member = [](std::string_view) { return true; };
    std::string error;
    listing.whole = ListZipMembers(zipPath, everything, listing.members, error);
    if (!listing.whole) listing.members.clear();
  }
  return listing.whole ? &listing.members : nullptr;
}

const std::vector<std::string>& ArchiveListings::folderFiles(const std::string& folder, bool recursive) {
  auto [it, added] = byFolder_.try_emplace({folder, recursive});
  if (added) it->second = FindFiles(folder, "*", recursive);
  return it->second;
}

}  // namespace velkaro
