#include "platform/Modules.h"

#include <dlfcn.h>

#include <utility>

#include "platform/Text.h"

namespace kvt::platform {

std::string sharedLibraryName(std::string_view windowsLibrary) {
    std::string_view stem = windowsLibrary;
    const auto separator = stem.find_last_of("\\/");
    if (separator != std::string_view::npos)
        stem.remove_prefix(separator + 1);
    constexpr std::string_view extension = ".dll";
    if (stem.size() > extension.size() &&
        equalsIgnoreCase(stem.substr(stem.size() - extension.size()), extension))
        stem.remove_suffix(extension.size());
    return "lib" + std::string(stem) + ".so";
}

LoadedModule LoadedModule::find(std::string_view windowsLibrary) {
    const std::string name = sharedLibraryName(windowsLibrary);
    return LoadedModule(dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD));
}

LoadedModule LoadedModule::load(std::string_view windowsLibrary) {
    const std::string name = sharedLibraryName(windowsLibrary);
    void* handle = dlopen(name.c_str(), RTLD_NOW);
    if (handle == nullptr)
        handle = dlopen((executableDirectory() / name).c_str(), RTLD_NOW);
    return LoadedModule(handle);
}

LoadedModule::~LoadedModule() {
    if (handle_ != nullptr)
        dlclose(handle_);
}

LoadedModule::LoadedModule(LoadedModule&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr)
            dlclose(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void* LoadedModule::symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

std::filesystem::path executableDirectory() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

}  // namespace kvt::platform
