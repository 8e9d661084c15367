#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kvt::platform {

// The shared-library name that stands for a Windows library: "C:\VEDA\Vovev7.dll" and
// "Vovev7.dll" give "libVovev7.so".
std::string sharedLibraryName(std::string_view windowsLibrary);

// A shared library held open: one already loaded into this process, found without loading it
// (dlopen with RTLD_NOLOAD), or one loaded on purpose. Empty when there is none.
class LoadedModule {
public:
    static LoadedModule find(std::string_view windowsLibrary);
    // Loads the library: found as the dynamic linker finds libraries, else beside the program.
    // Empty when it cannot be loaded.
    static LoadedModule load(std::string_view windowsLibrary);
    LoadedModule() = default;
    ~LoadedModule();
    LoadedModule(LoadedModule&& other) noexcept;
    LoadedModule& operator=(LoadedModule&& other) noexcept;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    // The address of an exported symbol, or nullptr.
    void* symbol(const char* name) const;

private:
    explicit LoadedModule(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

// The folder of the running program (the host executable).
std::filesystem::path executableDirectory();

}  // namespace kvt::platform
