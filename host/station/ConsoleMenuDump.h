#pragma once
// kvt-station --dump-menu: the console starts as it always does (folders, settings, the plug-in
// with its menus and the operator's rights) without showing its window, and prints its menu
// bar's tree, so that a packager or an administrator sees what the operator would get.
#include <iosfwd>

#include "host/station/StationSetup.h"

namespace kvt::station {

// Needs the application object. The tree goes to `out` in the text of host/kit/MenuDump.h; each
// message the console would show in its error box goes to `errors`. Returns the exit code: 0,
// or 1 when a message was shown.
int dumpStartedMenu(const StationSetup& setup, std::ostream& out, std::ostream& errors);

}  // namespace kvt::station
