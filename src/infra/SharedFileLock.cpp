#include "infra/SharedFileLock.h"

#include <cerrno>
#include <mutex>
#include <set>

#include "infra/Format.h"
#include "infra/RVKLogger.h"
#include "platform/NamedMutex.h"
#include "platform/SystemError.h"

namespace kvt {

namespace {

constexpr std::uint8_t kWarning = 4;

// True the first time a name is given in this process.
bool firstTime(const std::string& name) {
    static std::mutex guard;
    static std::set<std::string> seen;
    std::lock_guard lock(guard);
    return seen.insert(name).second;
}

void reportFallback(const std::string& name, const platform::SystemError& error) {
    if (!firstTime(name))
        return;
    ErrorsWriter().Log(
        Format("Общая блокировка \"%s\" недоступна: %s. Используется блокировка этого "
               "пользователя: процессы других пользователей ею не исключаются",
               {name, error.what()}),
        kWarning);
}

void reportWait(const platform::NamedMutex& mutex) {
    const auto holder = mutex.holderProcess();
    ErrorsWriter().Log(
        Format("Блокировка \"%s\" (%s) занята дольше %d с%s; ожидание продолжается",
               {mutex.name(), platform::NamedMutex::lockFilePath(mutex.name()),
                static_cast<std::int32_t>(SharedLockReportMs / 1000),
                holder ? Format(" процессом %d", {static_cast<std::int32_t>(*holder)})
                       : std::string()}),
        kWarning);
}

}  // namespace

std::unique_ptr<platform::NamedMutex> OpenSharedFileLock(const std::string& name, bool report) {
    try {
        return std::make_unique<platform::NamedMutex>(
            std::string(platform::NamedMutex::GlobalPrefix) + name);
    } catch (const platform::SystemError& error) {
        if (error.errorNumber() == ELOOP)
            throw;
        if (report)
            reportFallback(name, error);
    }
    return std::make_unique<platform::NamedMutex>(name);
}

void TakeSharedFileLock(platform::NamedMutex& mutex, bool reportWaits) {
    if (!reportWaits) {
        mutex.lock();
        return;
    }
    if (mutex.tryLockFor(SharedLockReportMs))
        return;
    reportWait(mutex);
    mutex.lock();
}

SharedFileLockHold::SharedFileLockHold(platform::NamedMutex& mutex, bool reportWaits)
    : mutex_(mutex) {
    TakeSharedFileLock(mutex_, reportWaits);
}

SharedFileLockHold::~SharedFileLockHold() {
    mutex_.unlock();
}

}  // namespace kvt
