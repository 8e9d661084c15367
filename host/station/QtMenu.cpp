#include "host/station/QtMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include <stdexcept>

#include "host/station/ShortCutKeys.h"

namespace kvt::station {

namespace {

constexpr const char* kSeparatorCaption = "-";

}  // namespace

std::unique_ptr<QtMenuItem> QtMenuItem::createRoot(QMenuBar& menuBar, ErrorSink showError) {
    return std::unique_ptr<QtMenuItem>(
        new QtMenuItem(nullptr, &menuBar, menuBar.window(), std::move(showError)));
}

QtMenuItem::QtMenuItem(QtMenuItem* parent, QMenuBar* menuBar, QWidget* window, ErrorSink showError)
    : parent_(parent),
      menuBar_(menuBar),
      window_(window),
      showError_(std::move(showError)),
      plainAction_(std::make_unique<QAction>()),
      action_(plainAction_.get()) {
    QObject::connect(action_, &QAction::triggered, action_, [this] { triggered(); });
}

QtMenuItem::~QtMenuItem() {
    children_.clear();
    delete hiddenShortcut_.data();
}

const QtMenuItem& QtMenuItem::root() const {
    const QtMenuItem* item = this;
    while (item->parent_ != nullptr)
        item = item->parent_;
    return *item;
}

void QtMenuItem::changed(Property property) {
    switch (property) {
        case Property::Caption:
        case Property::Hint:
        case Property::Name:
            apply();
            break;
        case Property::ShortCut:
            applyShortcut();
            break;
        case Property::Visible:
        case Property::Enabled:
            apply();
            applyShortcutsBelow();
            break;
        case Property::HelpContext:
        case Property::OnClick:
            break;
    }
}

std::int32_t QtMenuItem::count() const {
    return static_cast<std::int32_t>(children_.size());
}

QtMenuItem* QtMenuItem::item(std::int32_t index) const {
    if (index < 0 || index >= count())
        throw std::out_of_range("Индекс меню вне диапазона (" + std::to_string(index) + ")");
    return children_[static_cast<std::size_t>(index)].get();
}

QtMenuItem& QtMenuItem::insert(std::int32_t index) {
    if (menuBar_ == nullptr && !menu_)
        becomeSubmenu();
    auto child = std::unique_ptr<QtMenuItem>(new QtMenuItem(this, nullptr, nullptr, {}));
    const bool append = index < 0 || index >= count();
    QAction* before = append ? nullptr : children_[static_cast<std::size_t>(index)]->action_;
    container().insertAction(before, child->action_);
    const auto at = append ? children_.end() : children_.begin() + index;
    return **children_.insert(at, std::move(child));
}

void QtMenuItem::click() {
    runClick();
}

QWidget& QtMenuItem::container() {
    if (menuBar_ != nullptr)
        return *menuBar_;
    return *menu_;
}

void QtMenuItem::becomeSubmenu() {
    menu_ = std::make_unique<QMenu>();
    QAction* menuAction = menu_->menuAction();
    QObject::connect(menuAction, &QAction::triggered, menuAction, [this] { triggered(); });
    if (parent_ != nullptr) {
        QWidget& shownIn = parent_->container();
        shownIn.insertAction(action_, menuAction);
        shownIn.removeAction(action_);
    }
    action_ = menuAction;
    plainAction_.reset();
    apply();
    applyShortcut();
}

void QtMenuItem::triggered() {
    const ErrorSink& showError = root().showError_;
    try {
        click();
    } catch (const std::exception& error) {
        showError(error.what());
    } catch (...) {
        showError("Неизвестная ошибка в пункте меню \"" + caption() + "\"");
    }
}

void QtMenuItem::apply() {
    const QString text = QString::fromStdString(caption());
    const bool separator = caption() == kSeparatorCaption;
    action_->setSeparator(separator);
    // Qt draws a separator's text as a heading in the line.
    action_->setText(separator ? QString() : text);
    if (menu_)
        menu_->setTitle(text);
    action_->setStatusTip(QString::fromStdString(hint()));
    action_->setObjectName(QString::fromStdString(name()));
    action_->setVisible(visible());
    action_->setEnabled(enabled());
}

bool QtMenuItem::qtFiresShortcut() const {
    if (!visible())
        return false;
    for (const QtMenuItem* above = parent_; above != nullptr && above->parent_ != nullptr;
         above = above->parent_)
        if (!above->visible() || !above->enabled())
            return false;
    return true;
}

void QtMenuItem::applyShortcut() {
    const QKeySequence keys = keySequenceOf(shortCut());
    const bool byQt = qtFiresShortcut();
    action_->setShortcut(byQt ? keys : QKeySequence());
    QWidget* window = root().window_;
    if (byQt || !enabled() || keys.isEmpty() || window == nullptr) {
        delete hiddenShortcut_.data();
        return;
    }
    if (!hiddenShortcut_) {
        hiddenShortcut_ = new QShortcut(window);
        hiddenShortcut_->setContext(Qt::ApplicationShortcut);
        QObject::connect(hiddenShortcut_.data(), &QShortcut::activated, hiddenShortcut_.data(),
                         [this] { triggered(); });
    }
    hiddenShortcut_->setKey(keys);
}

void QtMenuItem::applyShortcutsBelow() {
    applyShortcut();
    for (const auto& child : children_)
        child->applyShortcutsBelow();
}

KvtMenuItem* addQtMenuItem(KvtMenuItem* parent, std::int32_t index) {
    auto* menu = dynamic_cast<QtMenuItem*>(parent);
    if (menu == nullptr)
        throw std::invalid_argument("AddMenuItem: родитель не является пунктом этого меню");
    return &menu->insert(index);
}

}  // namespace kvt::station
