// UTF-8 and UTF-16 conversion for platform strings. Malformed input becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::pltfm {

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view units);

// The longest prefix of utf8 of at most limit bytes that ends on a character boundary.
std::size_t utf8PrefixLength(std::string_view utf8, std::size_t limit);

}  // namespace tessaly::pltfm
