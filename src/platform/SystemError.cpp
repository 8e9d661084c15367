#include "platform/SystemError.h"

#include <cstring>

namespace kvt::platform {

std::string systemErrorText(int errorNumber) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text;
}

void throwSystemError(int errorNumber, const std::string& what) {
    std::string message = systemErrorText(errorNumber);
    if (!what.empty()) message += " (" + what + ")";
    throw SystemError(errorNumber, message);
}

}  // namespace kvt::platform
