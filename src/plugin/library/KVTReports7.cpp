// libKVTReports7.so: the four exports and the module's life with the library's.
#include <memory>

#include "infra/progress/ProgressViewer.h"
#include "kvtreports/Host.h"
#include "plugin/KVTRep.h"
#include "reports/Reports.h"
#include "ui/Desktop.h"

namespace {

struct LibraryLoad {
    LibraryLoad() {
        kvt::infra::SetAppTitle("BLM KVT");
        kvt::plugin::LoadModule();
        kvt::plugin::module().Runners = std::make_unique<kvt::reports::Runners>();
        kvt::ui::installDesktopBeep();
        kvt::ui::installVedFilterTrace();
    }
};

const LibraryLoad gLoad;

// An ELF destructor runs before the library's static objects are destroyed, so the module is
// unloaded while everything it uses (the log's error writer, the code pages, Qt) still exists.
__attribute__((destructor)) void unloadLibrary() {
    kvt::plugin::UnloadModule();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void InitReportMenu(std::intptr_t appHandle,
                                                           kvt::KvtMenuItem* parentItem,
                                                           kvt::AddMenuItemFunc addMenuItem,
                                                           kvt::GetReportFunc getReport) {
    kvt::plugin::InitReportMenu(appHandle, parentItem, addMenuItem, getReport);
}

__attribute__((visibility("default"))) void SetGetValue(kvt::GetValueFunc getValue) {
    kvt::plugin::SetGetValue(getValue);
}

__attribute__((visibility("default"))) void SetNewUserPriv(kvt::KvtMenuItem* mainMenuRoot,
                                                           kvt::GetHostValueFunc getHostValue) {
    kvt::plugin::SetNewUserPriv(mainMenuRoot, getHostValue);
}

__attribute__((visibility("default"))) void UpdateVidOpl() {
    kvt::plugin::UpdateVidOpl();
}
}
