#include "viewer/ApplicationKeyHook.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace kvt::viewer {

ApplicationKeyHook::ApplicationKeyHook(const QString& name, QObject* parent, Handler handler)
    : QObject(parent), handler_(std::move(handler)) {
    setObjectName(name);
    QCoreApplication::instance()->installEventFilter(this);
}

ApplicationKeyHook::~ApplicationKeyHook() {
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool ApplicationKeyHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    return handler_(*watched, *static_cast<QKeyEvent*>(event));
}

}  // namespace kvt::viewer
