// The smallest console an integrator builds against the installed SDK: it loads the installed
// plug-in, gives it a menu, makes an operator of level 3 current and prints the report menu the
// plug-in built, one caption a line.
//   sdk_host PLUGIN
#include <dlfcn.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "kvtreports/Host.h"

namespace {

class MenuItem final : public kvt::KvtMenuItem {
public:
    explicit MenuItem(std::string caption = {}) : caption_(std::move(caption)) {}

    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override { caption_ = caption; }
    std::string hint() const override { return hint_; }
    void setHint(const std::string& hint) override { hint_ = hint; }
    std::int32_t helpContext() const override { return helpContext_; }
    void setHelpContext(std::int32_t context) override { helpContext_ = context; }
    kvt::ShortCut shortCut() const override { return shortCut_; }
    void setShortCut(kvt::ShortCut shortCut) override { shortCut_ = shortCut; }
    std::string name() const override { return name_; }
    void setName(const std::string& name) override { name_ = name; }
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override { visible_ = visible; }
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    std::int32_t count() const override { return static_cast<std::int32_t>(children_.size()); }
    KvtMenuItem* item(std::int32_t index) const override { return children_.at(index).get(); }
    ClickHandler onClick() const override { return onClick_; }
    void setOnClick(ClickHandler handler) override { onClick_ = std::move(handler); }

    MenuItem* add(std::int32_t index, std::string caption = {}) {
        if (index < 0 || index > count())
            index = count();
        auto child = std::make_unique<MenuItem>(std::move(caption));
        MenuItem* added = child.get();
        children_.insert(children_.begin() + index, std::move(child));
        return added;
    }

private:
    std::string caption_, hint_, name_;
    std::int32_t helpContext_ = 0;
    kvt::ShortCut shortCut_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    ClickHandler onClick_;
    std::vector<std::unique_ptr<MenuItem>> children_;
};

kvt::KvtMenuItem* addMenuItem(kvt::KvtMenuItem* parent, std::int32_t index) {
    return static_cast<MenuItem*>(parent)->add(index);
}

void getReport(std::string& text, std::int32_t, kvt::Variant) {
    text.clear();
}

void getHostValue(kvt::Variant& result, std::int32_t code) {
    result = code == 15 ? kvt::Variant(3) : kvt::Variant(false);
}

void getValue(kvt::Variant& result, std::int32_t, std::int32_t) {
    result = kvt::Variant(std::string());
}

template <class Function>
Function exported(void* library, const char* name) {
    void* symbol = dlsym(library, name);
    if (!symbol)
        throw std::runtime_error(std::string("no export ") + name);
    return reinterpret_cast<Function>(symbol);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: sdk_host PLUGIN\n";
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::cerr << dlerror() << "\n";
        return 1;
    }
    try {
        MenuItem root;
        for (const char* caption : {"&Файл", "&Журналы", "&Ведомости", "&Настройка", "&Справка"})
            root.add(-1, caption);
        exported<kvt::InitReportMenuFunc>(library, "InitReportMenu")(0, &root, addMenuItem,
                                                                     getReport);
        exported<kvt::SetGetValueFunc>(library, "SetGetValue")(getValue);
        exported<kvt::SetNewUserPrivFunc>(library, "SetNewUserPriv")(&root, getHostValue);
        for (std::int32_t i = 0; i < root.count(); ++i) {
            const kvt::KvtMenuItem& menu = *root.item(i);
            std::cout << menu.caption() << "\n";
            for (std::int32_t j = 0; j < menu.count(); ++j)
                if (menu.item(j)->visible())
                    std::cout << "  " << menu.item(j)->caption() << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
