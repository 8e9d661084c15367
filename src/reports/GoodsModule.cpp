#include "reports/GoodsModule.h"

#include "platform/Modules.h"

namespace kvt::reports {

std::string GetCurrentDepartmentPath() {
    using EntryPoint = void (*)(std::string&);
    std::string path;
    const platform::LoadedModule goods = platform::LoadedModule::find(kGoodsModule);
    if (!goods)
        return path;
    if (auto* entry = reinterpret_cast<EntryPoint>(goods.symbol("GetCurrentDepartmentPath")))
        entry(path);
    return path;
}

}  // namespace kvt::reports
