#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace kvt::platform {

// Every beep of the system goes through one service, so that a desktop host can sound it and a
// test can record it.
class BeepService {
public:
    virtual ~BeepService() = default;
    virtual void beep(unsigned frequencyHz, unsigned durationMs) = 0;
};

// Sounds a beep through the installed service (by default the terminal bell on a terminal).
void Beep(unsigned frequencyHz, unsigned durationMs);

// Installs a service and returns the previous one; nullptr restores the default.
std::shared_ptr<BeepService> setBeepService(std::shared_ptr<BeepService> service);

// Records every beep; for tests.
class RecordingBeep : public BeepService {
public:
    struct Call {
        unsigned frequencyHz;
        unsigned durationMs;
        bool operator==(const Call&) const = default;
    };
    void beep(unsigned frequencyHz, unsigned durationMs) override;
    std::vector<Call> calls() const;

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

}  // namespace kvt::platform
