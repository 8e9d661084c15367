#pragma once
// The report plug-in loaded as a host loads it: dlopen, then the four exports by name.
#include <filesystem>
#include <stdexcept>

#include "kvtreports/Host.h"

namespace kvt::host {

// The library cannot be loaded or lacks an export; the message carries the loader's words.
class PluginLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PluginLibrary {
public:
    // Loads the library now, with every symbol resolved (RTLD_NOW) and kept to itself.
    explicit PluginLibrary(const std::filesystem::path& path);
    // Unloads it.
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // The plug-in next to the running program's build: $KVT_PLUGIN when set, else
    // ../lib/libKVTReports7.so from the program's folder.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return path_; }

    InitReportMenuFunc InitReportMenu = nullptr;
    SetGetValueFunc SetGetValue = nullptr;
    SetNewUserPrivFunc SetNewUserPriv = nullptr;
    UpdateVidOplFunc UpdateVidOpl = nullptr;

private:
    template <class Function>
    Function resolve(const char* name) const;

    std::filesystem::path path_;
    void* handle_ = nullptr;
};

}  // namespace kvt::host
