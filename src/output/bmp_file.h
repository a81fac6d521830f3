#pragma once
// Writing a frame as an ordinary uncompressed 24-bit Windows bitmap file.

#include <cstdint>
#include <string>
#include <vector>

class QImage;

namespace velkaro {

// Replaces an existing file whole: written under a temporary name and renamed
// into place. On failure returns false with "<path>: <system's reason>" in
// *error, and the previous file (if any) is left as it was.
bool WriteBmpFile(const QImage& frame, const std::string& path, std::string* error);
// The bytes of that file; false with the reason in *error.
bool BmpFileBytes(const QImage& frame, std::vector<uint8_t>& file, std::string* error);
// The 54 bytes that start that file; false with "Invalid bitmap" in *error
// for an image without pixels.
bool BmpFileHead(const QImage& frame, std::vector<uint8_t>& head, std::string* error);
// Writes that file to fd, `head` (from BmpFileHead) and then the rows a
// band at a time, no copy of the whole image being made; false with the
// system's reason in errno.
bool WriteBmpTo(int fd, const QImage& frame, const std::vector<uint8_t>& head);

}  // namespace velkaro
