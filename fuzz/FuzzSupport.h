#pragma once
// What the fuzz targets share: the fuzz bytes as text, a station root of the process's own, and
// Qt's application on the offscreen platform.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kvt::fuzz {

// The bytes as they come, in no particular encoding.
inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A fresh temporary folder as KVT_ROOT, TMPDIR, XDG_CONFIG_HOME and XDG_DATA_HOME, so that a run
// never touches a real station's files and parallel runs (-jobs) share no file and no named
// mutex. Removed with the object.
class ScratchRoot {
public:
    ScratchRoot();
    ~ScratchRoot();
    ScratchRoot(const ScratchRoot&) = delete;
    ScratchRoot& operator=(const ScratchRoot&) = delete;

    // $KVT_ROOT/drive_c, created.
    std::filesystem::path driveC() const;

private:
    std::filesystem::path base_;
};

// The process's scratch root, made on the first call and removed at exit.
const ScratchRoot& scratchRoot();

// Makes the process's QGuiApplication on the offscreen platform on the first call; it lives
// until exit, so that Qt's own globals outlive it.
void startOffscreenGui();

}  // namespace kvt::fuzz
