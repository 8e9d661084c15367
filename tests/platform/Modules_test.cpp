#include "platform/Modules.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace kvt::platform {
namespace {

TEST(Modules, WindowsLibraryNamesBecomeSharedLibraryNames) {
    EXPECT_EQ(sharedLibraryName("C:\\VEDA\\Vovev7.dll"), "libVovev7.so");
    EXPECT_EQ(sharedLibraryName("RodaVuv.DLL"), "libRodaVuv.so");
    EXPECT_EQ(sharedLibraryName("/opt/kvt/Scanner"), "libScanner.so");
    EXPECT_EQ(sharedLibraryName("C:\\VEDA\\.dll"), "lib.dll.so");
}

TEST(Modules, OnlyALibraryAlreadyLoadedIsFound) {
    EXPECT_FALSE(LoadedModule::find("C:\\X\\KvtTestModule.dll"));
    EXPECT_EQ(LoadedModule().symbol("KvtTestModuleAnswer"), nullptr);

    std::unique_ptr<void, int (*)(void*)> loaded(dlopen(KVT_TEST_MODULE_PATH, RTLD_NOW), &dlclose);
    ASSERT_NE(loaded, nullptr) << dlerror();
    LoadedModule module = LoadedModule::find("C:\\X\\KvtTestModule.dll");
    ASSERT_TRUE(module);
    auto answer = reinterpret_cast<int (*)()>(module.symbol("KvtTestModuleAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(module.symbol("NoSuchEntry"), nullptr);

    LoadedModule moved = std::move(module);
    EXPECT_FALSE(module);
    EXPECT_TRUE(moved);
}

TEST(Modules, ExecutableDirectoryIsTheFolderOfThisProgram) {
    EXPECT_TRUE(std::filesystem::exists(executableDirectory() / "platform_Modules_test"));
}

}  // namespace
}  // namespace kvt::platform
