#pragma once
// Writing a frame as an ordinary uncompressed 24-bit Windows bitmap file.

#include <string>

class QImage;

namespace velkaro {

// Replaces an existing file whole: written under a temporary name and renamed
// into place. On failure returns false with "<path>: <system's reason>" in
// *error, and the previous file (if any) is left as it was.
bool WriteBmpFile(const QImage& frame, const std::string& path, std::string* error);

}  // namespace velkaro
