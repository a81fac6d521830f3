#pragma once
// Writing one zip member to disk: compared with a file already there first,
// written through a temporary file renamed into place, so an interrupted or
// damaged member never leaves a half-written file under its own name.

#include <filesystem>
#include <string>

namespace velkaro {

class ZipReader;

enum class MemberWrite {
  Written,     // new file, or a different one replaced (overwrite)
  Identical,   // the file there already holds exactly these bytes
  Conflict,    // a different file (or a folder) is there and was kept
  ReadFailed,  // the archive is damaged; nothing was changed
  WriteFailed, // the disk refused; nothing was changed
};

// Writes the reader's current member to `target` (its folder exists).
// `mtime` (seconds, 0 unknown) becomes the file's modification time.
MemberWrite WriteMember(ZipReader& reader, const std::filesystem::path& target, long long mtime,
                        bool overwrite, std::string& error);

}  // namespace velkaro
