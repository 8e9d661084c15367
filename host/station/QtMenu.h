#pragma once
// The console's main menu as the plug-in sees it: KvtMenuItem over Qt widgets. The root stands
// for the menu bar; an entry is a QAction in its parent's menu (or in the menu bar), and becomes
// a submenu when it gets its first child.
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/kit/StoredMenuItem.h"
#include "kvtreports/Host.h"

class QAction;
class QMenu;
class QMenuBar;
class QShortcut;
class QWidget;

namespace kvt::station {

// Shows the message of an error that escaped a click handler.
using ErrorSink = std::function<void(const std::string& message)>;

class QtMenuItem final : public host::StoredMenuItem {
public:
    // The main menu root over `menuBar`, which must already sit in its window: the shortcuts of
    // hidden entries live on that window. Errors of clicks go to `showError`.
    static std::unique_ptr<QtMenuItem> createRoot(QMenuBar& menuBar, ErrorSink showError);
    ~QtMenuItem() override;
    QtMenuItem(const QtMenuItem&) = delete;
    QtMenuItem& operator=(const QtMenuItem&) = delete;

    std::int32_t count() const override;
    QtMenuItem* item(std::int32_t index) const override;

    // A new child at `index`: 0 is the first place, -1 or any index past the end appends.
    QtMenuItem& insert(std::int32_t index);
    QtMenuItem* parent() const { return parent_; }
    // Runs the click handler, if any; its errors reach the caller.
    void click();
    // The Qt action that shows the entry now (a submenu's own action once it has children);
    // for the console's own entries, e.g. to make them checkable.
    QAction& action() const { return *action_; }
    // The entry's submenu, or nullptr while it has no children.
    QMenu* menu() const { return menu_.get(); }

private:
    QtMenuItem(QtMenuItem* parent, QMenuBar* menuBar, QWidget* window, ErrorSink showError);

    // What the menu is shown in: the menu bar for the root, else the entry's own submenu.
    QWidget& container();
    void becomeSubmenu();
    // Shows a property the plug-in changed.
    void changed(Property property) override;
    // Runs the click from Qt: errors go to the error sink, never into the event loop.
    void triggered();
    // Qt fires an action's shortcut only while it and every menu above it are visible and
    // enabled; otherwise the entry keeps the shortcut in a window shortcut of its own.
    bool qtFiresShortcut() const;
    void applyShortcut();
    void applyShortcutsBelow();
    void apply();
    const QtMenuItem& root() const;

    QtMenuItem* parent_;
    QMenuBar* menuBar_;         // the root's only
    QPointer<QWidget> window_;  // the root's only
    ErrorSink showError_;       // the root's only
    std::unique_ptr<QAction> plainAction_;
    std::unique_ptr<QMenu> menu_;
    QAction* action_;
    QPointer<QShortcut> hiddenShortcut_;  // owned by the window
    std::vector<std::unique_ptr<QtMenuItem>> children_;
};

// The host callback AddMenuItem over the console's menu: `parent` must be a QtMenuItem.
KvtMenuItem* addQtMenuItem(KvtMenuItem* parent, std::int32_t index);

}  // namespace kvt::station
