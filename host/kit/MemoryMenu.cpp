#include "host/kit/MemoryMenu.h"

#include <stdexcept>

namespace kvt::host {

MemoryMenuItem::MemoryMenuItem(std::string caption) : StoredMenuItem(std::move(caption)) {}

std::int32_t MemoryMenuItem::count() const {
    return static_cast<std::int32_t>(children_.size());
}

MemoryMenuItem* MemoryMenuItem::item(std::int32_t index) const {
    if (index < 0 || index >= count())
        throw std::out_of_range("Индекс меню вне диапазона (" + std::to_string(index) + ")");
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
        throw std::invalid_argument("AddMenuItem: родитель не является пунктом этого меню");
    return &menu->insert(index);
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
        throw std::runtime_error("Нет пункта меню \"" + std::string(path) + "\"");
    const std::string named = "Пункт меню \"" + std::string(path) + "\"";
    if (!entry->enabled())
        throw std::runtime_error(named + " недоступен");
    for (const MemoryMenuItem* menu = entry->parent(); menu != &root; menu = menu->parent())
        if (!menu->enabled())
            throw std::runtime_error(named + " находится в недоступном меню \"" + menu->caption() +
                                     "\"");
    return *entry;
}

}  // namespace kvt::host
