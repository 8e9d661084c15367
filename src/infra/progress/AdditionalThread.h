#pragma once

#include <cstdint>
#include <functional>
#include <thread>

namespace kvt::infra {

class TProgressViewer;

// The work a viewer runs beside its window: called once with the caller's value and the viewer.
using ProgressProc = std::function<void(std::intptr_t userData, TProgressViewer& viewer)>;

// A viewer's worker: made with the viewer, started by the viewer's thread once the window is
// there, and waited for when the viewer is freed, so that the procedure never sees a freed
// viewer. Exceptions from the procedure end it quietly: nobody is there to catch them.
class TAdditionalThread {
public:
    TAdditionalThread(ProgressProc proc, std::intptr_t userData, TProgressViewer& viewer);

    // Runs the procedure on a thread of its own; later calls do nothing.
    void Start();

private:
    ProgressProc proc_;
    std::intptr_t userData_;
    TProgressViewer& viewer_;
    std::jthread thread_;
};

}  // namespace kvt::infra
