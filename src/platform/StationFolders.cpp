#include "platform/StationFolders.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <exception>
#include <filesystem>

#include "platform/FileDescriptor.h"
#include "platform/PathMap.h"
#include "platform/SystemError.h"

namespace kvt::platform {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void refuse(const std::string& folder, int errorNumber, const std::string& reason,
                         const fs::path& shown) {
    throw SystemError(errorNumber, "Не удалось создать папку \"" + folder + "\": " + reason + " (" +
                                       shown.string() + ")");
}

[[noreturn]] void refuse(const std::string& folder, int errorNumber, const fs::path& shown) {
    refuse(folder, errorNumber, systemErrorText(errorNumber), shown);
}

// The station root is the user's own setting and may itself be a link; it is made as named.
FileDescriptor openRoot(const std::string& folder) {
    const fs::path root = PathMap::root();
    std::error_code error;
    fs::create_directories(root, error);
    if (error)
        refuse(folder, error.value(), root);
    FileDescriptor fd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        refuse(folder, errno, root);
    return fd;
}

bool isSymlinkAt(const FileDescriptor& parent, const fs::path& name) {
    struct stat info {};
    return fstatat(parent.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(info.st_mode);
}

// One component below an open folder, made when missing; mkdirat never follows a link that
// stands at the name, and the folder is opened only if it is not one.
FileDescriptor openOrMake(const FileDescriptor& parent, const fs::path& name,
                          const std::string& folder, const fs::path& shown) {
    if (mkdirat(parent.get(), name.c_str(), 0777) != 0 && errno != EEXIST)
        refuse(folder, errno, shown);
    FileDescriptor fd(
        openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.valid())
        return fd;
    const int error = errno;
    if (isSymlinkAt(parent, name))
        refuse(folder, ELOOP, "путь к ней проходит через символическую ссылку", shown);
    refuse(folder, error, shown);
}

void makeFolder(const std::string& folder) {
    const fs::path local = PathMap::toLocal(folder);
    // A folder there already, also one that a link of the station's administrator leads to,
    // needs nothing.
    if (std::error_code error; fs::is_directory(local, error))
        return;
    FileDescriptor current = openRoot(folder);
    fs::path shown = PathMap::root();
    for (const fs::path& component : local.lexically_relative(shown)) {
        shown /= component;
        current = openOrMake(current, component, folder, shown);
    }
}

}  // namespace

const std::vector<std::string>& stationFolders() {
    static const std::vector<std::string> folders{
        PathMap::windowsDirectory(), "C:\\VEDA\\LogFiles", "C:\\VEDA\\FORMS\\REPORT",
        "C:\\VEDA\\FORMS\\WEBREP",   "C:\\VEDA\\EXPORT",   "C:\\VEDA\\OfficeDB"};
    return folders;
}

void makeStationFolders() {
    std::exception_ptr firstFailure;
    for (const std::string& folder : stationFolders()) {
        try {
            makeFolder(folder);
        } catch (const std::exception&) {
            if (!firstFailure)
                firstFailure = std::current_exception();
        }
    }
    if (firstFailure)
        std::rethrow_exception(firstFailure);
}

}  // namespace kvt::platform
