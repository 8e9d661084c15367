#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/FileDescriptor.h"
#include "platform/PathMap.h"
#include "platform/SystemError.h"
#include "platform/Text.h"

namespace kvt::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxFileName = 200;
constexpr std::size_t kKeptPrefix = 150;

std::uint64_t fnv1a64(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// The mutex name made into one file name: '/' and NUL cannot appear in a file name and '%' is
// the escape itself; "." and ".." would name folders. Very long names are shortened to stay well
// inside NAME_MAX, with a hash of the whole name to keep them apart.
std::string encodeFileName(std::string_view name) {
    if (name.empty())
        throwSystemError(EINVAL, "пустое имя мьютекса");
    const bool namesFolder = name == "." || name == "..";
    std::string encoded;
    for (char c : name) {
        if (c == '/')
            encoded += "%2F";
        else if (c == '%')
            encoded += "%25";
        else if (c == '\0')
            encoded += "%00";
        else if (c == '.' && namesFolder)
            encoded += "%2E";
        else
            encoded += c;
    }
    if (encoded.size() <= kMaxFileName)
        return encoded;
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a64(name)));
    return encoded.substr(0, kKeptPrefix) + '~' + hash;
}

// Where a mutex name lives: the shared lock folder for "Global\" names, the user's own for the
// rest.
struct LockLocation {
    bool global;
    std::string folderName;
    std::string fileName;

    explicit LockLocation(std::string_view name)
        : global(name.size() >= NamedMutex::GlobalPrefix.size() &&
                 equalsIgnoreCase(name.substr(0, NamedMutex::GlobalPrefix.size()),
                                  NamedMutex::GlobalPrefix)),
          folderName(global ? "global" : "user-" + std::to_string(getuid())),
          fileName(encodeFileName(global ? name.substr(NamedMutex::GlobalPrefix.size()) : name)) {}

    fs::path locksFolder() const { return PathMap::root() / "locks"; }
    fs::path folder() const { return locksFolder() / folderName; }
    fs::path file() const { return folder() / fileName; }
    mode_t folderMode() const { return global ? 01777 : 0700; }
    mode_t fileMode() const { return global ? 0666 : 0600; }
};

FileDescriptor openRoot() {
    const fs::path root = PathMap::root();
    std::error_code error;
    fs::create_directories(root, error);
    if (error)
        throwSystemError(error.value(), root.string());
    FileDescriptor fd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        throwSystemError(errno, root.string());
    return fd;
}

// Opens (creating if needed) a folder below `parent`, never through a symbolic link. A folder we
// create gets exactly `mode`, whatever the umask says, so that other users can reach the shared
// one.
FileDescriptor openFolder(const FileDescriptor& parent, const std::string& name, mode_t mode,
                          const fs::path& shown) {
    const bool created = mkdirat(parent.get(), name.c_str(), mode) == 0;
    if (!created && errno != EEXIST)
        throwSystemError(errno, shown.string());
    FileDescriptor fd(
        openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        throwSystemError(errno, shown.string());
    if (created && fchmod(fd.get(), mode) != 0)
        throwSystemError(errno, shown.string());
    return fd;
}

// A user's lock folder that someone else owns or can enter would let them hold or break the
// user's locks.
void requirePrivate(const FileDescriptor& folder, const fs::path& shown) {
    struct stat info {};
    if (fstat(folder.get(), &info) != 0)
        throwSystemError(errno, shown.string());
    if (info.st_uid != getuid() || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        throwSystemError(EPERM, shown.string());
}

// In the shared folder every user creates lock files; only the sticky bit keeps one user from
// deleting or replacing another's. A folder we own is put right; one that another user owns
// and left open to that is refused.
void requireSticky(const FileDescriptor& folder, const fs::path& shown) {
    struct stat info {};
    if (fstat(folder.get(), &info) != 0)
        throwSystemError(errno, shown.string());
    if ((info.st_mode & 07777) == 01777)
        return;
    if (info.st_uid == geteuid() && fchmod(folder.get(), 01777) == 0)
        return;
    if ((info.st_mode & S_ISVTX) == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throwSystemError(
            EPERM, shown.string() + " открыта на запись другим пользователям без sticky-бита");
}

FileDescriptor openLockFolder(const LockLocation& location) {
    const FileDescriptor root = openRoot();
    const FileDescriptor locks = openFolder(root, "locks", 0755, location.locksFolder());
    FileDescriptor folder =
        openFolder(locks, location.folderName, location.folderMode(), location.folder());
    if (location.global)
        requireSticky(folder, location.folder());
    else
        requirePrivate(folder, location.folder());
    return folder;
}

// Only a regular file serves as a lock file; anything else planted at its name (a FIFO would
// block the opening) is refused.
FileDescriptor openExistingLockFile(const FileDescriptor& folder, const char* name) {
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    FileDescriptor existing(openat(folder.get(), name, O_RDWR | kFlags));
    if (existing.get() < 0 && (errno == EACCES || errno == EISDIR))
        existing = FileDescriptor(openat(folder.get(), name, O_RDONLY | kFlags));
    if (existing.get() < 0)
        return existing;
    struct stat info {};
    if (fstat(existing.get(), &info) != 0)
        throwSystemError(errno, name);
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return FileDescriptor(-1);
    }
    return existing;
}

// Only a file we have just created is given the shared mode: an existing entry of that name in
// the shared folder may be another user's hard link to one of our private files.
FileDescriptor openLockFile(const LockLocation& location) {
    const FileDescriptor folder = openLockFolder(location);
    const char* name = location.fileName.c_str();
    const std::string shown = location.file().string();
    for (;;) {
        FileDescriptor created(openat(folder.get(), name,
                                      O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                      location.fileMode()));
        if (created.get() >= 0) {
            if (fchmod(created.get(), location.fileMode()) != 0)
                throwSystemError(errno, shown);
            return created;
        }
        if (errno != EEXIST)
            throwSystemError(errno, shown);
        // flock needs no write access, so a lock file that another user left read-only still
        // serves.
        FileDescriptor existing = openExistingLockFile(folder, name);
        if (existing.get() >= 0)
            return existing;
        // Removed between the two calls: create it again.
        if (errno != ENOENT)
            throwSystemError(errno, shown);
    }
}

// /proc/locks lines read "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; the device is
// given as hexadecimal major and minor numbers.
std::optional<int> flockHolder(dev_t device, ino_t inode) {
    std::ifstream locks("/proc/locks");
    char wanted[64];
    std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(device), minor(device),
                  static_cast<unsigned long long>(inode));
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, advisory, access, file;
        int pid = 0;
        if (fields >> number >> kind) {
            if (kind == "->")
                fields >> kind;
            if (kind == "FLOCK" && fields >> advisory >> access >> pid >> file && file == wanted)
                return pid;
        }
    }
    return std::nullopt;
}

}  // namespace

// One per lock file and process, shared by every NamedMutex of that name. The lock file's
// flock excludes other processes; the owner and count make the lock re-entrant for one thread
// and make the other threads of this process wait their turn before they reach flock, because
// flock alone would let every thread through one descriptor.
struct NamedMutex::Shared {
    explicit Shared(FileDescriptor lockFile) : file(std::move(lockFile)) {}

    void lock() {
        std::unique_lock guard(mutex);
        if (reenter())
            return;
        available.wait(guard, [this] { return owner == std::thread::id(); });
        claim();
        guard.unlock();
        while (flock(file.get(), LOCK_EX) != 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            giveUpClaim();
            throwSystemError(error, "flock");
        }
    }

    bool tryLockFor(unsigned timeoutMs) {
        // The clock is read only once there is a wait to bound, so that a free lock costs its
        // one flock call and little else.
        std::optional<std::chrono::steady_clock::time_point> start;
        const auto deadline = [&start, timeoutMs] {
            if (!start)
                start = std::chrono::steady_clock::now();
            return *start + std::chrono::milliseconds(timeoutMs);
        };
        std::unique_lock guard(mutex);
        if (reenter())
            return true;
        const auto free = [this] { return owner == std::thread::id(); };
        if (!free() && !available.wait_until(guard, deadline(), free))
            return false;
        claim();
        guard.unlock();
        // flock has no timeout of its own; polling keeps the wait bounded, at short intervals
        // first so that a lock held for a moment costs little.
        auto pause = std::chrono::microseconds(50);
        for (;;) {
            if (flock(file.get(), LOCK_EX | LOCK_NB) == 0)
                return true;
            const int error = errno;
            if (error == EINTR)
                continue;
            const bool busy = error == EWOULDBLOCK;
            if (!busy || std::chrono::steady_clock::now() >= deadline()) {
                giveUpClaim();
                if (busy)
                    return false;
                throwSystemError(error, "flock");
            }
            std::this_thread::sleep_for(pause);
            pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(2));
        }
    }

    void unlock() {
        std::unique_lock guard(mutex);
        if (owner != std::this_thread::get_id())
            throw std::logic_error(
                "NamedMutex::unlock вызван потоком, который не владеет мьютексом");
        if (--count > 0)
            return;
        flock(file.get(), LOCK_UN);
        owner = std::thread::id();
        guard.unlock();
        available.notify_all();
    }

    // The process that holds the lock file's flock, as the kernel lists it; nothing when it is
    // free or the list says nothing of it.
    std::optional<int> holder() const {
        struct stat info {};
        if (fstat(file.get(), &info) != 0)
            return std::nullopt;
        return flockHolder(info.st_dev, info.st_ino);
    }

    // A forked child inherits this entry, but its descriptor shares the parent's open file and
    // with it the parent's flock; the child must open the file afresh.
    const pid_t process = getpid();

private:
    bool reenter() {
        if (owner != std::this_thread::get_id())
            return false;
        ++count;
        return true;
    }

    void claim() {
        owner = std::this_thread::get_id();
        count = 1;
    }

    void giveUpClaim() {
        {
            std::lock_guard guard(mutex);
            owner = std::thread::id();
            count = 0;
        }
        available.notify_all();
    }

    FileDescriptor file;
    std::mutex mutex;
    std::condition_variable available;
    std::thread::id owner;
    unsigned count = 0;
};

namespace {

// Every NamedMutex of one name in this process shares one entry, which lives as long as any of
// them does.
class SharedTable {
public:
    std::shared_ptr<NamedMutex::Shared> acquire(const LockLocation& location) {
        const std::string key = location.file().string();
        std::lock_guard guard(mutex_);
        if (auto found = entries_.find(key); found != entries_.end()) {
            auto shared = found->second.lock();
            if (shared && shared->process == getpid())
                return shared;
        }
        std::erase_if(entries_, [](const auto& entry) { return entry.second.expired(); });
        auto shared = std::make_shared<NamedMutex::Shared>(openLockFile(location));
        entries_[key] = shared;
        return shared;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::weak_ptr<NamedMutex::Shared>> entries_;
};

SharedTable& table() {
    static SharedTable instance;
    return instance;
}

}  // namespace

NamedMutex::NamedMutex(const std::string& name)
    : name_(name), shared_(table().acquire(LockLocation(name))) {}

NamedMutex::~NamedMutex() = default;

void NamedMutex::lock() {
    shared_->lock();
}

bool NamedMutex::tryLockFor(unsigned timeoutMs) {
    return shared_->tryLockFor(timeoutMs);
}

void NamedMutex::unlock() {
    shared_->unlock();
}

std::optional<int> NamedMutex::holderProcess() const {
    return shared_->holder();
}

std::string NamedMutex::lockFilePath(const std::string& name) {
    return LockLocation(name).file().string();
}

}  // namespace kvt::platform
