#pragma once
// Writing a frame as an ordinary uncompressed 24-bit Windows bitmap file.

#include <string>

class QImage;

namespace velkaro {

// Replaces an existing file. On failure returns false with a message naming
// the file in *error.
bool WriteBmpFile(const QImage& frame, const std::string& path, std::string* error);

}  // namespace velkaro
