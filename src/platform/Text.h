#pragma once

#include <string>
#include <string_view>

namespace kvt::platform {

// Lower case as Windows folds names: ASCII, Latin-1 letters and Cyrillic (Ё and the А-Я range
// included). Other characters are copied unchanged. Input and output are UTF-8.
std::string lowerUtf8(std::string_view text);

// Case-insensitive equality under lowerUtf8.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Up to `count` characters (code points) of UTF-8 text from character `first` (0-based); empty
// when the text is shorter.
std::string utf8Substring(std::string_view text, std::size_t first, std::size_t count);

}  // namespace kvt::platform
