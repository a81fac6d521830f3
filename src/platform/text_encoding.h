#pragma once
// Text encodings of the source data and settings files: UTF-8 inside the
// program, CP932 (the Windows form of Shift_JIS) in older files. Conversions
// go through glibc's iconv; runs of ASCII are copied without it, so a mostly
// ASCII GML file costs little more than a copy.

#include <cstddef>
#include <string>
#include <string_view>

namespace velkaro {

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF). Plain ASCII is valid UTF-8.
bool IsValidUtf8(std::string_view bytes);

// The bytes without a leading UTF-8 byte order mark.
std::string_view StripUtf8Bom(std::string_view bytes);

// CP932 -> UTF-8 of a whole buffer. A byte sequence that is not CP932 becomes
// U+FFFD and the conversion goes on with the next byte.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 -> CP932. A character CP932 cannot hold becomes "?", as the system's
// converter would store it; malformed UTF-8 bytes become "?" too.
std::string Utf8ToCp932(std::string_view utf8);

// UTF-8 when the bytes are valid UTF-8, else the bytes read as CP932.
std::string DecodeToUtf8(std::string_view bytes);

// Byte length of the CP932 form of a UTF-8 text (a character CP932 cannot hold
// counts as its one-byte "?").
std::size_t Cp932Length(std::string_view utf8);

// The longest prefix of a UTF-8 text whose CP932 form fits in maxBytes bytes.
// The cut falls between characters, never inside a double-byte character.
std::string CutToCp932Bytes(std::string_view utf8, std::size_t maxBytes);

}  // namespace velkaro
