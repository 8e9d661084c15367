#pragma once

#include <string>
#include <string_view>

namespace kvt::platform {

// Strings are UTF-8 in memory; files shared with the station software are Windows-1251 and the
// raw printer device takes DOS 866. A character that the target code page lacks becomes '?';
// a malformed UTF-8 byte becomes '?' as well. Windows-1251 is converted by table, as every log
// line goes through it; DOS 866 goes through iconv.
std::string utf8ToCp1251(std::string_view utf8);
// As utf8ToCp1251, added to the end of `out`, so that a caller can convert into a buffer it has
// sized for what comes after.
void appendUtf8AsCp1251(std::string& out, std::string_view utf8);
std::string cp1251ToUtf8(std::string_view bytes);
std::string utf8ToCp866(std::string_view utf8);
std::string cp866ToUtf8(std::string_view bytes);

}  // namespace kvt::platform
