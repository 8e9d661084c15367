#pragma once
// A host menu kept in memory: what a headless host (kvt-hostsim, the tests) gives the plug-in
// as its main menu. Entries behave as the contract describes; nothing is drawn.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kvtreports/Host.h"

namespace kvt::host {

class MemoryMenuItem : public KvtMenuItem {
public:
    explicit MemoryMenuItem(std::string caption = {});

    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override { caption_ = caption; }
    std::string hint() const override { return hint_; }
    void setHint(const std::string& hint) override { hint_ = hint; }
    std::int32_t helpContext() const override { return helpContext_; }
    void setHelpContext(std::int32_t context) override { helpContext_ = context; }
    ShortCut shortCut() const override { return shortCut_; }
    void setShortCut(ShortCut shortCut) override { shortCut_ = shortCut; }
    std::string name() const override { return name_; }
    void setName(const std::string& name) override { name_ = name; }
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override { visible_ = visible; }
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    std::int32_t count() const override;
    MemoryMenuItem* item(std::int32_t index) const override;
    ClickHandler onClick() const override { return onClick_; }
    void setOnClick(ClickHandler handler) override { onClick_ = std::move(handler); }

    // A new child at `index`; -1, or any index past the end, appends.
    MemoryMenuItem& insert(std::int32_t index, std::string caption = {});
    MemoryMenuItem* parent() const { return parent_; }
    // Runs the click handler, if any; its errors reach the caller.
    void click();

private:
    std::string caption_;
    std::string hint_;
    std::int32_t helpContext_ = 0;
    ShortCut shortCut_ = 0;
    std::string name_;
    bool visible_ = true;
    bool enabled_ = true;
    ClickHandler onClick_;
    MemoryMenuItem* parent_ = nullptr;
    std::vector<std::unique_ptr<MemoryMenuItem>> children_;
};

// The top-level menus of a station console: "&Файл", "&Журналы" (holding the console's own
// "Экспорт журнала по резервуарам" and a separator named "VedSep"), "&Ведомости", "&Настройка",
// "&Справка".
void addStationMenus(MemoryMenuItem& root);

// The host callback AddMenuItem over memory menus: `parent` must be a MemoryMenuItem.
KvtMenuItem* addMemoryMenuItem(KvtMenuItem* parent, std::int32_t index);

// The menu below `root`, one entry per line, two blanks of indent per level: the caption, then
// " [NAME]" for a component name, " hidden", " disabled", " shortcut=N".
std::string dumpMenu(const MemoryMenuItem& root);

// The entry reached from `root` by captions joined with "/". A caption may itself hold "/"
// ("&Журналы/Отчеты"), so every way of splitting the path is tried, first match in menu order.
// Null when there is none.
MemoryMenuItem* findMenuPath(const MemoryMenuItem& root, std::string_view path);

}  // namespace kvt::host
