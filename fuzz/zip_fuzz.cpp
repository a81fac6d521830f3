// Zip archives as downloaded: members read from memory, and the in-place
// walk through zips inside zips that the source scans use.
#include <cstdint>
#include <string>

#include "archive/zip_members.h"
#include "archive/zip_reader.h"
#include "fuzz_support.h"

using namespace velkaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  const uint8_t choice = input.choice();
  const std::string_view bytes = input.rest();

  ZipReader reader;
  if (reader.openMemory(bytes)) {
    ZipEntry entry;
    std::string member;
    while (reader.next(entry)) reader.readAll(member, choice & 1 ? 4096 : 0);
  }

  const std::string path = fuzz::WriteFile("fuzz.zip", bytes);
  ZipMemberFilter filter;
  filter.member = [](std::string_view) { return true; };
  filter.prefixBytes = choice & 2 ? 256 : 0;
  std::string error;
  ForEachZipMember(path, filter, [](const ZipMemberRef& ref, std::string_view) {
    ref.display();
    return true;
  }, error);
  return 0;
}
