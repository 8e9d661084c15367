#pragma once
// The text form of a host menu that kvt-hostsim and kvt-station print with --dump-menu and that
// the tests compare: one host's menu reads like another's.
#include <string>

#include "kvtreports/Host.h"

namespace kvt::host {

// The menu below `root`, one entry per line, two blanks of indent per level: the caption, then
// " [NAME]" for a component name, " hidden", " disabled", " shortcut=N".
std::string dumpMenu(const KvtMenuItem& root);

}  // namespace kvt::host
