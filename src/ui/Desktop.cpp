#include "ui/Desktop.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QWidget>

#include <atomic>

#include "appserver/StationServer.h"
#include "kvtreports/Host.h"
#include "platform/Beep.h"

namespace kvt::ui {

namespace {

std::atomic<std::intptr_t> gApplicationHandle{0};

QObject* hostServices() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr)
        return nullptr;
    return application->findChild<QObject*>(kHostServicesObjectName, Qt::FindDirectChildrenOnly);
}

class DesktopBeep final : public platform::BeepService {
public:
    void beep(unsigned frequencyHz, unsigned durationMs) override {
        if (QObject* services = hostServices();
            services != nullptr &&
            QMetaObject::invokeMethod(services, "beep", Qt::DirectConnection,
                                      Q_ARG(int, static_cast<int>(frequencyHz)),
                                      Q_ARG(int, static_cast<int>(durationMs))))
            return;
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr)
            QApplication::beep();
    }
};

// A host that does not follow vedFilter lends no method for it; asking for it would only warn.
void tellHostVedFilter(std::int32_t value) {
    QObject* services = hostServices();
    if (services != nullptr && services->metaObject()->indexOfMethod("vedFilterChanged(int)") >= 0)
        QMetaObject::invokeMethod(services, "vedFilterChanged", Qt::DirectConnection,
                                  Q_ARG(int, static_cast<int>(value)));
}

}  // namespace

std::unique_ptr<QApplication> ensureApplication() {
    if (QCoreApplication::instance() != nullptr)
        return nullptr;
    // QApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char name[] = "KVTReports7";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

void setApplicationHandle(std::intptr_t handle) {
    gApplicationHandle = handle;
}

std::intptr_t applicationHandle() {
    return gApplicationHandle;
}

QWidget* hostWindow() {
    const std::intptr_t handle = gApplicationHandle;
    if (handle == 0 || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->internalWinId() != 0 &&
            static_cast<std::intptr_t>(widget->internalWinId()) == handle)
            return widget;
    return nullptr;
}

void showException(const std::string& message) {
    try {
        const QString text = QString::fromStdString(message);
        if (QObject* services = hostServices();
            services != nullptr &&
            QMetaObject::invokeMethod(services, "showException", Qt::DirectConnection,
                                      Q_ARG(QString, text)))
            return;
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
            return;
        QMessageBox::critical(hostWindow(), QApplication::applicationDisplayName(), text);
    } catch (...) {
        // The error box is the last resort: there is nobody left to tell.
    }
}

void showException(const std::exception& error) {
    showException(std::string(error.what()));
}

void installDesktopBeep() {
    platform::setBeepService(std::make_shared<DesktopBeep>());
}

void installVedFilterTrace() {
    appserver::setVedFilterObserver(tellHostVedFilter);
}

}  // namespace kvt::ui
