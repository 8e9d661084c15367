#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "reports/GoodsModule.h"

namespace kvt::test {
namespace {

using Loaded = std::unique_ptr<void, int (*)(void*)>;

Loaded load(const char* path) {
    Loaded module(dlopen(path, RTLD_NOW), &dlclose);
    EXPECT_NE(module, nullptr) << dlerror();
    return module;
}

// One test, as both stand-ins are the same module by name: the second can only be loaded once
// the first is gone.
TEST(GoodsModule, AskedOnlyWhenLoadedAndOnlyThroughItsEntryPoint) {
    EXPECT_EQ(reports::GetCurrentDepartmentPath(), "") << "never loaded by the reports";
    {
        const Loaded bare = load(KVT_GOODS_MODULE_BARE);
        EXPECT_EQ(reports::GetCurrentDepartmentPath(), "");
    }
    {
        const Loaded goods = load(KVT_GOODS_MODULE);
        EXPECT_EQ(reports::GetCurrentDepartmentPath(), "Магазин\\Касса 1");
    }
    EXPECT_EQ(reports::GetCurrentDepartmentPath(), "");
}

}  // namespace
}  // namespace kvt::test
