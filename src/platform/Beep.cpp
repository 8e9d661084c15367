#include "platform/Beep.h"

#include <unistd.h>

namespace kvt::platform {

namespace {

// Without a sound device of its own the system rings the terminal bell, and only on a terminal:
// a bell character in a redirected log would be noise.
class TerminalBell : public BeepService {
public:
    void beep(unsigned, unsigned) override {
        if (isatty(STDERR_FILENO) == 1) {
            const ssize_t ignored = write(STDERR_FILENO, "\a", 1);
            static_cast<void>(ignored);
        }
    }
};

class ServiceSlot {
public:
    std::shared_ptr<BeepService> get() {
        std::lock_guard lock(mutex_);
        return service_;
    }
    std::shared_ptr<BeepService> exchange(std::shared_ptr<BeepService> service) {
        if (!service)
            service = defaultService();
        std::lock_guard lock(mutex_);
        service_.swap(service);
        return service;
    }

private:
    static std::shared_ptr<BeepService> defaultService() {
        static const auto bell = std::make_shared<TerminalBell>();
        return bell;
    }

    std::mutex mutex_;
    std::shared_ptr<BeepService> service_ = defaultService();
};

ServiceSlot& slot() {
    static ServiceSlot instance;
    return instance;
}

}  // namespace

void Beep(unsigned frequencyHz, unsigned durationMs) {
    // The service is called outside the lock, so a slow one never holds up a swap.
    slot().get()->beep(frequencyHz, durationMs);
}

std::shared_ptr<BeepService> setBeepService(std::shared_ptr<BeepService> service) {
    return slot().exchange(std::move(service));
}

void RecordingBeep::beep(unsigned frequencyHz, unsigned durationMs) {
    std::lock_guard lock(mutex_);
    calls_.push_back({frequencyHz, durationMs});
}

std::vector<RecordingBeep::Call> RecordingBeep::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

}  // namespace kvt::platform
