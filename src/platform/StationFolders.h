#pragma once
// The folders that every Windows machine of a station already has before any of its programs
// runs: the Windows directory and the fixed folders of "C:\VEDA". A fresh station root gets them
// when any program of the station starts, so that the first cnf.INI write, log line, template
// or export finds its folder as it would on such a machine.
#include <string>
#include <vector>

namespace kvt::platform {

// "C:\WINDOWS", "C:\VEDA\LogFiles", "C:\VEDA\FORMS\REPORT", "C:\VEDA\FORMS\WEBREP",
// "C:\VEDA\EXPORT", "C:\VEDA\OfficeDB".
const std::vector<std::string>& stationFolders();

// Makes the station folders that are missing. A folder that exists in another case is the one
// Windows would find, and is kept; so is one that a symbolic link leads to. Below the station
// root nothing is made through a link: a missing folder whose path passes through one is a
// failure. Every folder that can be made is made; then the first failure is thrown as
// SystemError with a message that names the folder.
void makeStationFolders();

}  // namespace kvt::platform
