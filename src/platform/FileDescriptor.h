#pragma once
// An open file descriptor, closed when it goes.
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/SystemError.h"

namespace kvt::platform {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close (a delayed write error of some devices and file
    // systems) is seen; `shown` names the file in the error.
    void close(const std::string& shown) {
        if (::close(std::exchange(fd_, -1)) != 0)
            throwSystemError(errno, shown);
    }

private:
    int fd_;
};

}  // namespace kvt::platform
