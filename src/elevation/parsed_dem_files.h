#pragma once
// DEM files taken apart once per run: a 10 m mesh spans many tiles, and
// each tile's grid would otherwise read and take apart the same file again.

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "elevation/dem_readers.h"
#include "platform/line_stream.h"

namespace velkaro {

// The taken-apart files, held up to a number of bytes of values; the file
// used longest ago goes first. Main thread, but for readBuffer.
class ParsedDemFiles {
 public:
  explicit ParsedDemFiles(size_t byteLimit = size_t{128} << 20) : byteLimit_(byteLimit) {}
  std::shared_ptr<const DemXmlParsed> find(const std::string& key);
  void keep(const std::string& key, std::shared_ptr<const DemXmlParsed> parsed);
  // The streams the files are read through as they are taken apart, one
  // for each of the two reading threads (lane 0 or 1, each used by one
  // thread at a time), kept for the run so that a run's files reuse their
  // memory.
  LineStream& readBuffer(int lane) { return readBuffers_[lane == 0 ? 0 : 1]; }

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<const DemXmlParsed> parsed;
  };
  static size_t BytesOf(const DemXmlParsed& parsed) { return parsed.allValues().size() * sizeof(double) + 256; }

  size_t byteLimit_, bytes_ = 0;
  LineStream readBuffers_[2];
  std::list<Entry> used_;   // most recently used first
  std::unordered_map<std::string, std::list<Entry>::iterator> byKey_;
};

}  // namespace velkaro
