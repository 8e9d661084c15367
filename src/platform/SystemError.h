#pragma once

#include <string>

#include "kvtreports/Exception.h"

namespace kvt::platform {

// An operating-system call failed. The message is the system's own text for the error
// (strerror), as the station software shows it to the operator.
class SystemError : public ExceptionOf<SystemError> {
public:
    SystemError(int errorNumber, const std::string& message)
        : ExceptionOf(message), errorNumber_(errorNumber) {}
    int errorNumber() const noexcept { return errorNumber_; }

private:
    int errorNumber_;
};

// The system's text for an errno value.
std::string systemErrorText(int errorNumber);

// Throws SystemError for errno, with the system's text; `what` names the object, if given:
// "<system text> (<what>)".
[[noreturn]] void throwSystemError(int errorNumber, const std::string& what = {});

}  // namespace kvt::platform
