#include "platform/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/SystemError.h"

namespace kvt::platform {

namespace {

std::filesystem::path temporaryBase() {
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
}

// Another user may have put a folder, or a link to one, under our name in a shared /tmp before
// us; files written into it would be theirs to read or replace.
void requirePrivateFolder(const std::filesystem::path& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        throwSystemError(errno, path.string());
    const bool isPrivate = S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
                           (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
    if (!isPrivate)
        throwSystemError(EPERM, path.string());
}

}  // namespace

std::filesystem::path privateTempDir() {
    const std::filesystem::path path = temporaryBase() / ("kvt-" + std::to_string(getuid()));
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throwSystemError(errno, path.string());
    requirePrivateFolder(path);
    return path;
}

}  // namespace kvt::platform
