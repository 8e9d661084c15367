#include "infra/progress/AdditionalThread.h"

#include <utility>

namespace kvt::infra {

TAdditionalThread::TAdditionalThread(ProgressProc proc, std::intptr_t userData,
                                     TProgressViewer& viewer)
    : proc_(std::move(proc)), userData_(userData), viewer_(viewer) {}

void TAdditionalThread::Start() {
    if (thread_.joinable())
        return;
    thread_ = std::jthread([this] {
        try {
            proc_(userData_, viewer_);
        } catch (...) {
            // The procedure's failure is its own business; the viewer goes on.
        }
    });
}

}  // namespace kvt::infra
