#include "platform/PathMap.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/Text.h"

namespace kvt::platform {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

fs::path homeDirectory() {
    if (auto home = environment("HOME"))
        return *home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_dir;
    throw std::runtime_error("Неизвестна домашняя папка текущего пользователя");
}

fs::path dataHome() {
    if (auto data = environment("XDG_DATA_HOME"))
        return *data;
    return homeDirectory() / ".local" / "share";
}

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<std::string_view> splitComponents(std::string_view path) {
    std::vector<std::string_view> components;
    while (!path.empty()) {
        const auto separator = path.find_first_of("\\/");
        const std::string_view component = path.substr(0, separator);
        if (!component.empty())
            components.push_back(component);
        if (separator == std::string_view::npos)
            break;
        path.remove_prefix(separator + 1);
    }
    return components;
}

bool existsNoFollow(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// The entry of `folder` that Windows would open for `name`: the exact spelling when it exists,
// otherwise an entry equal to it but for case (the first in byte order if several are, so that
// the choice never depends on directory order), otherwise the name as given.
std::string findEntry(const fs::path& folder, std::string_view name) {
    if (existsNoFollow(folder / name))
        return std::string(name);
    const std::string wanted = lowerUtf8(name);
    std::optional<std::string> best;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string entry = it->path().filename().string();
        if (lowerUtf8(entry) == wanted && (!best || entry < *best))
            best = std::move(entry);
    }
    return best ? *best : std::string(name);
}

}  // namespace

fs::path PathMap::root() {
    if (auto root = environment("KVT_ROOT"))
        return *root;
    return dataHome() / "kvt";
}

std::string PathMap::windowsDirectory() {
    return "C:\\WINDOWS";
}

bool PathMap::isWindowsPath(std::string_view path) {
    return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':';
}

fs::path PathMap::toLocal(std::string_view windowsPath) {
    if (!isWindowsPath(windowsPath))
        throw std::invalid_argument("Путь не начинается с буквы диска: " +
                                    std::string(windowsPath));
    fs::path current = root() / ("drive_" + lowerUtf8(windowsPath.substr(0, 1)));
    // Depth below the drive folder: ".." stops there, as it does at the root of a Windows drive.
    std::size_t depth = 0;
    for (std::string_view component : splitComponents(windowsPath.substr(2))) {
        if (component == ".")
            continue;
        if (component == "..") {
            if (depth > 0) {
                --depth;
                current = current.parent_path();
            }
            continue;
        }
        current /= findEntry(current, component);
        ++depth;
    }
    return current;
}

fs::path PathMap::resolve(std::string_view path) {
    return isWindowsPath(path) ? toLocal(path) : fs::path(path);
}

namespace {

// A folder with its links resolved; one that cannot be resolved (no right to look into it) is
// kept lexically.
fs::path resolvedFolder(const fs::path& folder) {
    const fs::path absolute = fs::absolute(folder).lexically_normal();
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute : resolved;
}

// The folders resolved, the last component as given: the file itself may be a link, and then
// the link is what its users open.
fs::path withResolvedFolders(const fs::path& path) {
    const fs::path absolute = fs::absolute(path).lexically_normal();
    return resolvedFolder(absolute.parent_path()) / absolute.filename();
}

// "drive_c" gives 'C'; any other folder name nothing.
std::optional<char> driveLetter(const fs::path& folder) {
    const std::string name = folder.string();
    if (name.size() != 7 || !name.starts_with("drive_") || !isAsciiLetter(name[6]))
        return std::nullopt;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(name[6])));
}

// A path below the station root as a drive-letter path: its first component names the drive.
std::optional<std::string> driveLetterPath(const fs::path& local, const fs::path& root) {
    const fs::path relative = local.lexically_relative(root);
    auto component = relative.begin();
    if (relative.empty() || component == relative.end())
        return std::nullopt;
    const auto drive = driveLetter(*component);
    if (!drive)
        return std::nullopt;
    std::string name = std::string(1, *drive) + ":";
    for (++component; component != relative.end(); ++component)
        if (!component->empty())
            name += '\\' + component->string();
    return name.size() == 2 ? name + '\\' : name;
}

}  // namespace

std::string PathMap::canonicalName(std::string_view path) {
    const fs::path local = withResolvedFolders(resolve(path));
    return driveLetterPath(local, resolvedFolder(root())).value_or(local.string());
}

std::optional<std::string> PathMap::toWindows(const fs::path& local) {
    const fs::path absolute = fs::absolute(local).lexically_normal();
    if (auto name = driveLetterPath(absolute, fs::absolute(root()).lexically_normal()))
        return name;
    // The root itself may be reached through a link.
    return driveLetterPath(withResolvedFolders(absolute), resolvedFolder(root()));
}

}  // namespace kvt::platform
