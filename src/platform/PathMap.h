#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kvt::platform {

// Windows paths ("C:\VEDA\LogFiles\Reports.log") stay Windows paths wherever they are stored or
// passed; only the moment a file is touched maps them to the local file system. Drive X: is the
// folder $KVT_ROOT/drive_x; $KVT_ROOT defaults to $XDG_DATA_HOME/kvt (~/.local/share/kvt).
class PathMap {
public:
    // The station root, read from the environment at each call.
    static std::filesystem::path root();

    // The Windows directory as the station software sees it: "C:\WINDOWS".
    static std::string windowsDirectory();

    // True for "X:" followed by anything (a drive-letter path).
    static bool isWindowsPath(std::string_view path);

    // Maps a drive-letter path to the local file system. Components (split at '\' and '/') are
    // matched exactly first and then case-insensitively against what exists, as Windows finds
    // them; components that do not exist yet keep their spelling. "." and ".." are resolved
    // lexically and never climb above the drive folder.
    static std::filesystem::path toLocal(std::string_view windowsPath);

    // A drive-letter path through toLocal; any other path unchanged.
    static std::filesystem::path resolve(std::string_view path);

    // The one spelling that every spelling of a file comes to, for naming its cross-process
    // lock: a file on a station drive, whether named by a drive-letter path or by its local path
    // under the root, becomes the drive-letter path with "." and ".." resolved, each existing
    // component spelled as on disk, the drive letter in upper case and backslashes between
    // components ("c:/windows/./CNF.ini" gives "C:\WINDOWS\cnf.INI" when that file exists).
    // Any other path becomes its absolute local form. Links in the folders are followed (they
    // lead to the same file); the last component is kept as it is spelled.
    static std::string canonicalName(std::string_view path);

    // A local path on a station drive as the station software names it ("C:\VEDA\x.frm" for
    // $KVT_ROOT/drive_c/VEDA/x.frm), read lexically so that a drive reached through a link
    // keeps its own letter; none for a path on no station drive.
    static std::optional<std::string> toWindows(const std::filesystem::path& local);
};

}  // namespace kvt::platform
