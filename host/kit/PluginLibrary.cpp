#include "host/kit/PluginLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <system_error>

#include "platform/Modules.h"

namespace kvt::host {

namespace {

std::string loaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "неизвестная ошибка загрузчика";
}

}  // namespace

PluginLibrary::PluginLibrary(const std::filesystem::path& path) : path_(path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        throw PluginLoadError("Не удалось загрузить отчетный модуль " + path.string() + ": " +
                              loaderError());
    try {
        InitReportMenu = resolve<InitReportMenuFunc>("InitReportMenu");
        SetGetValue = resolve<SetGetValueFunc>("SetGetValue");
        SetNewUserPriv = resolve<SetNewUserPrivFunc>("SetNewUserPriv");
        UpdateVidOpl = resolve<UpdateVidOplFunc>("UpdateVidOpl");
    } catch (...) {
        dlclose(handle_);
        throw;
    }
}

PluginLibrary::~PluginLibrary() {
    dlclose(handle_);
}

template <class Function>
Function PluginLibrary::resolve(const char* name) const {
    dlerror();
    void* symbol = dlsym(handle_, name);
    if (symbol == nullptr)
        throw PluginLoadError("В отчетном модуле " + path_.string() +
                              " нет экспортируемой функции " + name + ": " + loaderError());
    return reinterpret_cast<Function>(symbol);
}

// The build tree keeps the plug-in in lib/ beside the programs' folder; an installed tree has it
// where the install put it, at the same place relative to the programs.
std::filesystem::path PluginLibrary::defaultPath() {
    if (const char* configured = std::getenv("KVT_PLUGIN"); configured != nullptr && *configured)
        return configured;
    const std::filesystem::path programs = platform::executableDirectory();
    const std::filesystem::path built = programs.parent_path() / "lib" / "libKVTReports7.so";
    std::error_code ignored;
    if (std::filesystem::exists(built, ignored))
        return built;
    return (programs / KVT_PLUGIN_FROM_BIN).lexically_normal();
}

}  // namespace kvt::host
