#pragma once

// The cross-process locks of the station's shared files (the logs, cnf.INI). Every process of
// every user that touches one of these files takes the file's lock, so a lock that cannot be had
// or that is held for long is something an administrator must hear of: both are written to the
// error side log (ErrorsWriter()), and the work goes on as the files demand.

#include <memory>
#include <string>

namespace kvt {

namespace platform {
class NamedMutex;
}

// How long a wait goes on before it is reported.
inline constexpr unsigned SharedLockReportMs = 5000;

// Opens "Global\<name>", shared by all users, or where that is refused the user's own "<name>".
// Falling back means this process no longer excludes the other users' processes (another user
// squats the lock file, or left it unreadable), so it is reported once per name and process.
// A lock file planted as a symbolic link is not worked around. `report` false keeps the
// fallback silent: the error side log's own lock must not report into itself. Throws
// platform::SystemError.
std::unique_ptr<platform::NamedMutex> OpenSharedFileLock(const std::string& name,
                                                         bool report = true);

// Takes the lock without time limit. A wait longer than SharedLockReportMs is reported once
// per wait (naming the lock file and, where the system tells, the holding process), and the
// wait goes on. `reportWaits` false takes the lock silently: the error side log's own lock must
// not report into itself.
void TakeSharedFileLock(platform::NamedMutex& mutex, bool reportWaits = true);

// Holds a shared file's lock for one scope, taken as TakeSharedFileLock takes it.
class SharedFileLockHold {
public:
    explicit SharedFileLockHold(platform::NamedMutex& mutex, bool reportWaits = true);
    ~SharedFileLockHold();
    SharedFileLockHold(const SharedFileLockHold&) = delete;
    SharedFileLockHold& operator=(const SharedFileLockHold&) = delete;

private:
    platform::NamedMutex& mutex_;
};

}  // namespace kvt
