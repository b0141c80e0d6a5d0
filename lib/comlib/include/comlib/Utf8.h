#pragma once
// The one place where text crosses between UTF-16 and UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace comlib {

// UTF-8 of the text; unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// UTF-16 of the bytes; invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);
// UTF-16 of the bytes, or nothing when they are not valid UTF-8.
std::optional<std::wstring> FromUtf8Strict(std::string_view bytes);

}  // namespace comlib
