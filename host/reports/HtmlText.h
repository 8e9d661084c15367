#pragma once
// Text placed into the console's HTML pages.
#include <string>
#include <string_view>

namespace kvt::host {

// The text with &, <, >, " and ' replaced by their character references, so that a value can
// neither close an element nor an attribute of the page it lands in.
std::string htmlEscaped(std::string_view text);

}  // namespace kvt::host
