#include "host/kit/HeadlessPlatform.h"

#include <cstdlib>

namespace kvt::host {

void chooseHeadlessPlatform() {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace kvt::host
