#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kvt::platform {

// A named lock shared by every process on the machine, in place of a Windows named mutex.
// The name is the Windows mutex name: "Global\<name>" lives in the lock folder shared by all
// users ($KVT_ROOT/locks/global), any other name in the user's own ($KVT_ROOT/locks/user-<uid>).
// Underneath is flock(2) on a lock file named after the mutex, so the kernel releases the lock
// when its holder dies, as Windows hands on an abandoned mutex. Lock files are never opened
// through a symbolic link.
//
// Like a Windows mutex it is re-entrant for the owning thread, across every NamedMutex object of
// the same name in the process; other threads of the process wait like other processes do.
class NamedMutex {
public:
    // The prefix of the names visible to every user.
    static constexpr std::string_view GlobalPrefix = "Global\\";

    // Opens (creating if needed) the lock file. Throws SystemError when the lock folder or file
    // cannot be opened, for example when the lock file is a symbolic link.
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Waits without time limit.
    void lock();
    // Waits at most timeoutMs; true when the lock was taken.
    bool tryLockFor(unsigned timeoutMs);
    // Releases one level of ownership; the lock is free when every lock() has been matched.
    void unlock();

    const std::string& name() const { return name_; }
    // The process holding the lock, where the system tells (for reports of long waits).
    std::optional<int> holderProcess() const;
    // The lock file behind the name (for administrators and tests).
    static std::string lockFilePath(const std::string& name);

    struct Shared;

private:
    std::string name_;
    std::shared_ptr<Shared> shared_;
};

// Holds a NamedMutex for one scope.
class NamedMutexLock {
public:
    explicit NamedMutexLock(NamedMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
    ~NamedMutexLock() { mutex_.unlock(); }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

private:
    NamedMutex& mutex_;
};

}  // namespace kvt::platform
