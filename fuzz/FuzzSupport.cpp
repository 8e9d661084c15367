#include "FuzzSupport.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include <QGuiApplication>

namespace kvt::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path makeTemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "kvt-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed for " + pattern);
    return pattern;
}

// QGuiApplication keeps references to argc and argv for its whole life.
struct OffscreenGui {
    int argc = 1;
    char name[9] = "kvt-fuzz";
    char* argv[2] = {name, nullptr};
    QGuiApplication application{argc, argv};
};

}  // namespace

ScratchRoot::ScratchRoot() : base_(makeTemporaryFolder()) {
    for (const char* name : {"KVT_ROOT", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        const fs::path folder = base_ / name;
        fs::create_directories(folder);
        setenv(name, folder.c_str(), 1);
    }
    fs::create_directories(driveC());
}

ScratchRoot::~ScratchRoot() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

fs::path ScratchRoot::driveC() const {
    return base_ / "KVT_ROOT" / "drive_c";
}

const ScratchRoot& scratchRoot() {
    static const ScratchRoot root;
    return root;
}

void startOffscreenGui() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static OffscreenGui gui;
}

}  // namespace kvt::fuzz
