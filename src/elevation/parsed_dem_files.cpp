#include "elevation/parsed_dem_files.h"

namespace velkaro {

std::shared_ptr<const DemXmlParsed> ParsedDemFiles::find(const std::string& key) {
  const auto at = byKey_.find(key);
  if (at == byKey_.end()) return nullptr;
  used_.splice(used_.begin(), used_, at->second);
  return at->second->parsed;
}

void ParsedDemFiles::keep(const std::string& key, std::shared_ptr<const DemXmlParsed> parsed) {
  if (!parsed || byKey_.count(key) || BytesOf(*parsed) > byteLimit_) return;
  bytes_ += BytesOf(*parsed);
  used_.push_front(Entry{key, std::move(parsed)});
  byKey_[key] = used_.begin();
  while (bytes_ > byteLimit_ && !used_.empty()) {
    bytes_ -= BytesOf(*used_.back().parsed);
    byKey_.erase(used_.back().key);
    used_.pop_back();
  }
}

}  // namespace velkaro
