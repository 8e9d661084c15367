#include "host/kit/MemoryMenu.h"

#include <stdexcept>

namespace kvt::host {

MemoryMenuItem::MemoryMenuItem(std::string caption) : StoredMenuItem(std::move(caption)) {}

std::int32_t MemoryMenuItem::count() const {
    return static_cast<std::int32_t>(children_.size());
}

MemoryMenuItem* MemoryMenuItem::item(std::int32_t index) const {
    if (index < 0 || index >= count())
        throw std::out_of_range("Menu index out of bounds (" + std::to_string(index) + ")");
    return children_[static_cast<std::size_t>(index)].get();
}

MemoryMenuItem& MemoryMenuItem::insert(std::int32_t index, std::string caption) {
    auto child = std::make_unique<MemoryMenuItem>(std::move(caption));
    child->parent_ = this;
    const bool append = index < 0 || index >= count();
    const auto at = append ? children_.end() : children_.begin() + index;
    return **children_.insert(at, std::move(child));
}

void MemoryMenuItem::click() {
    runClick();
}

void addStationMenus(MemoryMenuItem& root) {
    root.insert(-1, "&Файл");
    MemoryMenuItem& journals = root.insert(-1, "&Журналы");
    journals.insert(-1, "Экспорт журнала по резервуарам");
    journals.insert(-1, "-").setName("VedSep");
    root.insert(-1, "&Ведомости");
    root.insert(-1, "&Настройка");
    root.insert(-1, "&Справка");
}

KvtMenuItem* addMemoryMenuItem(KvtMenuItem* parent, std::int32_t index) {
    auto* menu = dynamic_cast<MemoryMenuItem*>(parent);
    if (menu == nullptr)
        throw std::invalid_argument("AddMenuItem: the parent is not an entry of this menu");
    return &menu->insert(index);
}

namespace {

void dumpItem(const MemoryMenuItem& item, int depth, std::string& out) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += item.caption();
    if (!item.name().empty())
        out += " [" + item.name() + "]";
    if (!item.visible())
        out += " hidden";
    if (!item.enabled())
        out += " disabled";
    if (item.shortCut() != 0)
        out += " shortcut=" + std::to_string(item.shortCut());
    out += '\n';
    for (std::int32_t i = 0; i < item.count(); ++i)
        dumpItem(*item.item(i), depth + 1, out);
}

}  // namespace

std::string dumpMenu(const MemoryMenuItem& root) {
    std::string out;
    for (std::int32_t i = 0; i < root.count(); ++i)
        dumpItem(*root.item(i), 0, out);
    return out;
}

MemoryMenuItem* findMenuPath(const MemoryMenuItem& root, std::string_view path) {
    for (std::int32_t i = 0; i < root.count(); ++i) {
        MemoryMenuItem* child = root.item(i);
        const std::string caption = child->caption();
        if (path == caption)
            return child;
        if (path.size() > caption.size() && path.starts_with(caption) &&
            path[caption.size()] == '/')
            if (MemoryMenuItem* found = findMenuPath(*child, path.substr(caption.size() + 1)))
                return found;
    }
    return nullptr;
}

MemoryMenuItem& runnableMenuPath(const MemoryMenuItem& root, std::string_view path) {
    MemoryMenuItem* entry = findMenuPath(root, path);
    if (entry == nullptr)
        throw std::runtime_error("No menu entry \"" + std::string(path) + "\"");
    const std::string named = "The menu entry \"" + std::string(path) + "\"";
    if (!entry->enabled())
        throw std::runtime_error(named + " is disabled");
    for (const MemoryMenuItem* menu = entry->parent(); menu != &root; menu = menu->parent())
        if (!menu->enabled())
            throw std::runtime_error(named + " is in the disabled menu \"" + menu->caption() +
                                     "\"");
    return *entry;
}

}  // namespace kvt::host
