#pragma once

#include <filesystem>

namespace kvt::platform {

// The user's private temporary folder: "kvt-<uid>" under $TMPDIR (or /tmp), created with mode
// 0700 on first use. A folder of that name that is a symbolic link, belongs to another user or
// is open to others is refused with SystemError (EPERM) rather than used.
std::filesystem::path privateTempDir();

}  // namespace kvt::platform
