#pragma once
// Conversions between the UTF-8 the program's texts are kept in and the UTF-16 of the
// keyboard's and the profile files' names and texts. Malformed input becomes U+FFFD.

#include <string>
#include <string_view>

namespace t44::model {

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace t44::model
