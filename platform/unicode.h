// Text between the encodings the program meets: UTF-8 inside the program and in its logs,
// UTF-16 in the system's wide-character calls and in registry files.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Whether text is well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF, no sequence cut short.
bool IsUtf8(std::string_view text);

// UTF-8 to UTF-16; a byte that does not belong to a well-formed sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);

// UTF-16 to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace platform
