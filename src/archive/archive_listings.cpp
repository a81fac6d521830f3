#include "archive/archive_listings.h"

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

}  // namespace velkaro
