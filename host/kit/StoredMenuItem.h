#pragma once
// What the plug-in sets on a menu entry, kept as it was given: the part every host's entry has
// in common. A host that shows its entries learns of each change through `changed` and shows
// the new value; a host that keeps its menu in memory needs nothing more.
#include <cstdint>
#include <string>

#include "kvtreports/Host.h"

namespace kvt::host {

class StoredMenuItem : public KvtMenuItem {
public:
    enum class Property { Caption, Hint, HelpContext, ShortCut, Name, Visible, Enabled, OnClick };

    std::string caption() const final { return caption_; }
    void setCaption(const std::string& caption) final {
        store(caption_, caption, Property::Caption);
    }
    std::string hint() const final { return hint_; }
    void setHint(const std::string& hint) final { store(hint_, hint, Property::Hint); }
    std::int32_t helpContext() const final { return helpContext_; }
    void setHelpContext(std::int32_t context) final {
        store(helpContext_, context, Property::HelpContext);
    }
    ShortCut shortCut() const final { return shortCut_; }
    void setShortCut(ShortCut shortCut) final { store(shortCut_, shortCut, Property::ShortCut); }
    std::string name() const final { return name_; }
    void setName(const std::string& name) final { store(name_, name, Property::Name); }
    bool visible() const final { return visible_; }
    void setVisible(bool visible) final { store(visible_, visible, Property::Visible); }
    bool enabled() const final { return enabled_; }
    void setEnabled(bool enabled) final { store(enabled_, enabled, Property::Enabled); }
    ClickHandler onClick() const final { return onClick_; }
    void setOnClick(ClickHandler handler) final {
        store(onClick_, std::move(handler), Property::OnClick);
    }

protected:
    explicit StoredMenuItem(std::string caption = {}) : caption_(std::move(caption)) {}

    // Runs the click handler, if any; its errors reach the caller.
    void runClick() {
        if (onClick_)
            onClick_(*this);
    }

    // After a property took its new value.
    virtual void changed(Property) {}

private:
    template <typename T, typename V>
    void store(T& field, V&& value, Property property) {
        field = std::forward<V>(value);
        changed(property);
    }

    std::string caption_;
    std::string hint_;
    std::int32_t helpContext_ = 0;
    ShortCut shortCut_ = 0;
    std::string name_;
    bool visible_ = true;
    bool enabled_ = true;
    ClickHandler onClick_;
};

}  // namespace kvt::host
