#pragma once
// A host menu kept in memory: what a headless host (kvt-hostsim, the tests) gives the plug-in
// as its main menu. Entries behave as the contract describes; nothing is drawn.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/kit/StoredMenuItem.h"
#include "kvtreports/Host.h"

namespace kvt::host {

class MemoryMenuItem : public StoredMenuItem {
public:
    explicit MemoryMenuItem(std::string caption = {});

    std::int32_t count() const override;
    MemoryMenuItem* item(std::int32_t index) const override;

    // A new child at `index`; -1, or any index past the end, appends.
    MemoryMenuItem& insert(std::int32_t index, std::string caption = {});
    MemoryMenuItem* parent() const { return parent_; }
    // Runs the click handler, if any; its errors reach the caller.
    void click();

private:
    MemoryMenuItem* parent_ = nullptr;
    std::vector<std::unique_ptr<MemoryMenuItem>> children_;
};

// The top-level menus of a station console: "&Файл", "&Журналы" (holding the console's own
// "Экспорт журнала по резервуарам" and a separator named "VedSep"), "&Ведомости", "&Настройка",
// "&Справка".
void addStationMenus(MemoryMenuItem& root);

// The host callback AddMenuItem over memory menus: `parent` must be a MemoryMenuItem.
KvtMenuItem* addMemoryMenuItem(KvtMenuItem* parent, std::int32_t index);

// The entry reached from `root` by captions joined with "/". A caption may itself hold "/"
// ("&Журналы/Отчеты"), so every way of splitting the path is tried, first match in menu order.
// Null when there is none.
MemoryMenuItem* findMenuPath(const MemoryMenuItem& root, std::string_view path);

// The entry of findMenuPath if the operator can run it: it and every menu above it enabled, as
// a click or a shortcut requires. Visibility does not count, since a shortcut runs an invisible
// entry (the per-pump entries under the invisible "История продаж"). Throws std::runtime_error
// naming the path when there is no such entry or it cannot run.
MemoryMenuItem& runnableMenuPath(const MemoryMenuItem& root, std::string_view path);

}  // namespace kvt::host
