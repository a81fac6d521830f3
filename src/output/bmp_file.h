#pragma once
// Writing a frame as an ordinary uncompressed 24-bit Windows bitmap file.

#include <cstdint>
#include <string>
#include <vector>

class QImage;

namespace velkaro {

class PendingFile;

// Replaces an existing file whole: written under a temporary name and renamed
// into place. On failure returns false with "<path>: <system's reason>" in
// *error, and the previous file (if any) is left as it was.
bool WriteBmpFile(const QImage& frame, const std::string& path, std::string* error);
// The bytes of that file; false with the reason in *error.
bool BmpFileBytes(const QImage& frame, std::vector<uint8_t>& file, std::string* error);
// Writes that file as the whole of `file`'s temporary (committing is left to
// the caller), the rows a band at a time: no copy of the whole image is
// made. False with the reason in *error ("Invalid bitmap" for an image
// without pixels, else "<final path>: <system's reason>").
bool WriteBmpInto(PendingFile& file, const QImage& frame, std::string* error);

}  // namespace velkaro
